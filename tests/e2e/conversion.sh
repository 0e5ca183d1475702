#!/usr/bin/env bash
# End-to-end: the real program under Xvfb finds the data of an earlier release (Paradox tables)
# beside its data directory, the user confirms the conversion with the keyboard, and opens the
# firm taken over. Usage: conversion.sh <lamelin> <lamelin-setup> <lamelin-make-earlier>
set -euo pipefail
lamelin="$1"
setup="$2"
make_earlier="$3"
work="$(mktemp -d)"
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "E2E FAILED: $*" >&2; exit 1; }

export HOME="$work/home"
export XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$XDG_DATA_HOME"
"$setup" > /dev/null
data="$XDG_DATA_HOME/Corvex/Lamelin 2013"
earlier="$XDG_DATA_HOME/Corvex/Lamelin 2010"
"$make_earlier" "$earlier" || fail "the earlier release could not be made"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
for _ in $(seq 50); do xdpyinfo > /dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo > /dev/null 2>&1 || fail "display $DISPLAY does not answer"

unset QT_QPA_PLATFORM
"$lamelin" > "$work/lamelin.log" 2>&1 &
app_pid=$!

wait_window() {
  local id=""
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended early: $(cat "$work/lamelin.log")"
    sleep 0.1
  done
  fail "no window named '$1'"
}
key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }

dialog="$(wait_window '^Převod dat z předchozích verzí$')"
xdotool windowactivate --sync "$dialog" 2>/dev/null || xdotool windowfocus --sync "$dialog"
sleep 0.5
[ -n "${E2E_SHOTS:-}" ] && import -window root "$E2E_SHOTS/conversion-dialog.png"
key Escape                                # the dialog's OK is its cancel button
wait_window '^Informace$' > /dev/null
[ -n "${E2E_SHOTS:-}" ] && import -window root "$E2E_SHOTS/conversion-done.png"
key Return
selection="$(wait_window 'výběr')"
xdotool windowactivate --sync "$selection" 2>/dev/null || xdotool windowfocus --sync "$selection"
sleep 0.5
key alt+o                                 # "&Otevřít" the firm taken over
sleep 1
if xdotool search --onlyvisible --name '^Chyba$' > /dev/null 2>&1; then
  fail "an error box came up after opening the firm"
fi
kill -0 "$app_pid" || fail "the program ended"
head -c 8 "$data/D1/Hdok.DB" | grep -q LAMELNDB || fail "D1/Hdok.DB is not a table of ours"
for name in Hdath.DB Hdatl.DB Hdok.DB Hdok.XG0 Hspl.DB; do
  [ -f "$data/D1/$name" ] || fail "D1/$name is missing"
done
grep -q 'Prevod213=1' "$data/Sporin.ini" || fail "Prevod213 not written"
echo "E2E passed: the earlier release's firm taken over and opened"
