#!/usr/bin/env bash
# End-to-end: the real program under Xvfb finds the data of an earlier release (Paradox tables)
# beside its data directory, the user confirms the conversion with the keyboard, and opens the
# firm taken over. Usage: conversion.sh <lamelin> <lamelin-setup> <e2e_table_dump> <lamelin-make-earlier>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
make_earlier="$4"
e2e_init "$1" "$2" "$3"
earlier="$XDG_DATA_HOME/Corvex/Lamelin 2010"
"$make_earlier" "$earlier" > /dev/null || setup_fail "the earlier release could not be made"
e2e_start_display
e2e_start_program

# A computer that has not chosen between local and shared data is asked first: local data.
key '^Výběr práce s daty$' alt+o         # "&OK"
wait_window_gone '^Výběr práce s daty$'

key '^Převod dat z předchozích verzí$' Escape   # the dialog's OK is its cancel button
key '^Informace$' Return
wait_window_gone '^Informace$'
key 'výběr$' alt+o                       # "&Otevřít" the firm taken over
wait_window_gone 'výběr$'
if xdotool search --onlyvisible --name '^Chyba$' > /dev/null 2>&1; then
    fail "an error box came up after opening the firm"
fi
program_running || fail "the program ended"
head -c 8 "$E2E_DATA/D1/Hdok.DB" | grep -q LAMELNDB || fail "D1/Hdok.DB is not a table of ours"
for name in Hdath.DB Hdatl.DB Hdok.DB Hdok.XG0 Hspl.DB; do
    [ -f "$E2E_DATA/D1/$name" ] || fail "D1/$name is missing"
done
[ -n "$(read_table "$E2E_DATA/D1" Hdok.DB)" ] || fail "the cards taken over cannot be read"
grep -q 'Prevod213=1' "$E2E_DATA/Sporin.ini" || fail "Prevod213 not written"
key '^Lamelin 1\.10' alt+s               # "&Soubor"
press k                                  # "&Konec"
wait_program_end
echo "E2E passed: the earlier release's firm taken over and opened"
