#!/usr/bin/env bash
# End-to-end: the real program under Xvfb on a fresh data directory made by lamelin-setup.
# A user who starts the program for the first time chooses local data, creates a firm with the
# keyboard only, which opens it, keeps the catalogues, writes three cards and reads them back
# after a restart (cards_road.sh), selects cards by Latin name in the search window
# (search_road.sh), exports the cards as a Darwin Core archive (dwc_road.sh), saves their labels
# as PDF (print_road.sh), prints the firm list (no printer: the pages go to the offered PDF),
# backs the firm up and restores it, then ends the program from the menu. Checked: the main
# window's caption, the firm's name as stored in the register, the firm directory's 27 table
# files, the cards on disk, the selection marks on disk, the exported archive, the PDFs' text,
# the backup archive, a clean exit without lock files left behind.
# Usage: first_firm.sh <lamelin> <lamelin-setup> <e2e_table_dump>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cards_road.sh"
source "$(dirname "$0")/search_road.sh"
source "$(dirname "$0")/dwc_road.sh"
source "$(dirname "$0")/print_road.sh"
e2e_init "$@"
e2e_start_display
e2e_start_program

# A computer that has not chosen between local and shared data is asked first: local data.
key '^Výběr práce s daty$' alt+o         # "&OK"
wait_window_gone '^Výběr práce s daty$'

key 'výběr$' alt+n                       # "&Nová firma"
type_text '^Nová firma$' 'Houbaři z Písku'
key '^Nová firma$' Return                # "&Firma" is the default button
key '^Potvrzení$' Return                 # "&Ano"
wait_window_gone '^Nová firma$'

main_id="$(wait_window '^Lamelin 1\.10$')"
# The firm is open once its commands are: the selection window has gone.
wait_window_gone 'výběr$'
caption="$(xdotool getwindowname "$main_id")"
[ "$caption" = "Lamelin 1.10" ] || fail "main window caption is '$caption'"

register="$(read_table "$E2E_DATA" Data.DB)"
[ "$register" = "1|1|Houbaři z Písku|D1" ] || fail "the register holds '$register'"

expected_files() {
    cat <<'LIST'
Hdath.DB Hdath.PX Hdath.X02 Hdath.X03 Hdath.X05 Hdath.Y02 Hdath.Y03 Hdath.Y05
Hdatl.DB Hdatl.PX Hdatl.X02 Hdatl.X03 Hdatl.Y02 Hdatl.Y03
Hdok.DB Hdok.PX Hdok.X04 Hdok.X06 Hdok.X08 Hdok.X0F Hdok.XG0 Hdok.Y04 Hdok.Y06 Hdok.Y08 Hdok.Y0F Hdok.YG0
Hspl.DB
LIST
}
count=0
for name in $(expected_files); do
    [ -f "$E2E_DATA/D1/$name" ] && count=$((count + 1))
done
[ "$count" -eq 27 ] || fail "the firm directory holds $count of the 27 table files"
hspl="$(read_table "$E2E_DATA/D1" Hspl.DB)"
[ -n "$hspl" ] || fail "the firm's common data row is missing"

cards_road
search_road
dwc_road
print_road

# "Další možnosti" / "Tisk seznamu firem": the preview, then F6 with no printer saves a PDF.
key '^Lamelin 1\.10$' alt+m              # "Další &možnosti"
press s                                  # "Tisk &seznamu firem"
key '^Lamelin - Náhled před tiskem$' F6
key '^Uložit tisk jako PDF$' Return      # the offered name: "Seznam firem.pdf" in Documents
pdf="$HOME/Documents/Seznam firem.pdf"
wait_for test -s "$pdf" || fail "no PDF at $pdf"
text="$(pdftotext "$pdf" - 2>/dev/null)" || fail "pdftotext cannot read $pdf"
grep -q 'Houbaři z Písku' <<<"$text" || fail "the firm list PDF lacks the firm's name: $text"
grep -q 'Celkový počet firem' <<<"$text" || fail "the firm list PDF lacks its total line"
key '^Lamelin - Náhled před tiskem$' Escape
wait_window_gone '^Lamelin - Náhled před tiskem$'

# Backup into the proposed place, then restore from it, by keyboard.
archive="$E2E_DATA/Zaloha/D1.zip"
key '^Lamelin 1\.10$' alt+m              # "Další &možnosti"
press z                                  # "&Zálohování dat"
key '^Zálohování dat$' alt+h             # "Zálo&hovat"
key '^Potvrzení$' Return                 # "&Ano"
key '^Informace$' Return                 # "Data byla zazálohována."
wait_window_gone '^Informace$'
[ -s "$archive" ] || fail "no archive at $archive"
if command -v unzip > /dev/null; then
    entries="$(unzip -Z1 "$archive" | wc -l)"
    [ "$entries" -eq 27 ] || fail "the archive holds $entries entries"
fi
key '^Zálohování dat$' Escape            # "&Zavřít"
wait_window_gone '^Zálohování dat$'
key '^Lamelin 1\.10$' alt+m
press o                                  # "&Obnovení dat"
key '^Obnovení dat$' alt+o               # "&Obnovit", from the path used last
key '^Potvrzení$' Return
key '^Informace$' Return                 # "Data byla obnovena."
wait_window_gone '^Informace$'
key '^Obnovení dat$' Escape
wait_window_gone '^Obnovení dat$'
[ -e "$E2E_DATA/D1/Zaloha" ] && fail "the restore left its folder Zaloha behind"
register="$(read_table "$E2E_DATA" Data.DB)"
[ "$register" = "1|1|Houbaři z Písku|D1" ] || fail "after the restore the register holds '$register'"
[ "$(read_fields "$E2E_DATA/D1" Hdok.DB Evc | tr '\n' ' ')" = "1 2 3 " ] || fail "the restored firm lacks its cards"

key '^Lamelin 1\.10$' alt+s              # "&Soubor"
press k                                  # "&Konec"
wait_program_end
leftover="$(find "$E2E_DATA" -name '*.lck')"
[ -z "$leftover" ] || fail "lock files left after a clean exit: $leftover"
echo "E2E passed: firm D1 created by keyboard, three cards written and read back, selected in the search window, exported, their labels saved as PDF, firm list saved as PDF, backed up, restored, closed; caption '$caption'"
