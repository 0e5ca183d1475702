#!/usr/bin/env bash
# End-to-end: the real program under Xvfb on a fresh data directory made by lamelin-setup.
# A user creates a firm with the keyboard only and opens it; the main window's caption and the
# firm directory's 27 table files are checked; then the road of cards_road.sh follows.
# Usage: first_firm.sh <lamelin> <lamelin-setup> <e2e_read_table>
set -euo pipefail
lamelin="$1"
setup="$2"
read_table="$3"
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

# A private home: the default data directory lies under XDG_DATA_HOME.
export HOME="$work/home"
export XDG_DATA_HOME="$HOME/.local/share"
mkdir -p "$XDG_DATA_HOME"
"$setup" > /dev/null
data="$XDG_DATA_HOME/Corvex/Lamelin 2013"
[ -f "$data/Data.DB" ] || fail "lamelin-setup made no register"

# Xvfb picks a free display itself and writes its number once it accepts connections.
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

# Waits until a window whose name matches $1 exists; prints its id.
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

selection="$(wait_window 'výběr')"
xdotool windowactivate --sync "$selection" 2>/dev/null || xdotool windowfocus --sync "$selection"
sleep 0.5
key alt+n                                # "&Nová firma"
dialog="$(wait_window '^Nová firma$')"
xdotool windowfocus --sync "$dialog"
xdotool type --delay 50 'Houbaři z Písku'
sleep 0.3
key Return                               # "&Firma" is the default button
wait_window '^Potvrzení$' > /dev/null
key Return                               # "&Ano"
for _ in $(seq 100); do
  [ "$(ls "$data/D1" 2>/dev/null | grep -cE '\.(DB|PX|X..|Y..)$')" -ge 27 ] && break
  sleep 0.1
done

main_id="$(wait_window '^Lamelin 1.10')"
sleep 1
caption="$(xdotool getwindowname "$main_id")"
[ "$caption" = "Lamelin 1.10" ] || fail "main window caption is '$caption'"
count=0
while IFS= read -r name; do
  [ -f "$data/D1/$name" ] && count=$((count + 1))
done <<'LIST'
Hdath.DB
Hdath.PX
Hdath.X02
Hdath.X03
Hdath.X05
Hdath.Y02
Hdath.Y03
Hdath.Y05
Hdatl.DB
Hdatl.PX
Hdatl.X02
Hdatl.X03
Hdatl.Y02
Hdatl.Y03
Hdok.DB
Hdok.PX
Hdok.X04
Hdok.X06
Hdok.X08
Hdok.X0F
Hdok.XG0
Hdok.Y04
Hdok.Y06
Hdok.Y08
Hdok.Y0F
Hdok.YG0
Hspl.DB
LIST
[ "$count" -eq 27 ] || fail "the firm directory holds $count of the 27 table files"
# The main window's commands are enabled now that a firm is open: F2 is bound to card entry.
kill -0 "$app_pid" || fail "the program ended"
echo "E2E passed: firm D1 created by keyboard and opened; caption '$caption'"
source "$(dirname "$0")/cards_road.sh"
cards_road
