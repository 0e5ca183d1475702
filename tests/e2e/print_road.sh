# The label part of the road, sourced by first_firm.sh after the cards road (lib.sh's helpers).
# From the main window F6 opens the print selection; the user picks "Evidenční štítek", types the
# range of the three cards written before, previews the labels with F6 and, with no printer
# installed, saves them as the offered PDF. The PDF must hold the Latin names of the cards.

print_road() {
    key '^Lamelin 1\.10' F6
    # The focus is in the tree: Home for the root, Down for "Evidenční štítek"; Tab past the two
    # buttons into "od čísla", whose text is selected on entry, so typing replaces it.
    key '^Tisk$' Home Down Tab Tab Tab
    type_text '^Tisk$' '1'
    press Return
    type_text '^Tisk$' '3'
    press F6                                 # F6 previews (the printer page's default)
    key '^Lamelin - Náhled před tiskem$' F6  # printing without a printer offers a PDF
    key '^Uložit tisk jako PDF$' Return      # the offered name: the report title in Documents
    local pdf="$HOME/Documents/Evidenční štítek.pdf"
    wait_for test -s "$pdf" || fail "no label PDF at $pdf"
    local text
    text="$(pdftotext "$pdf" - 2>/dev/null)" || fail "pdftotext cannot read $pdf"
    [ "$(grep -c 'Boletus edulis (Bull.)' <<<"$text")" = 2 ] ||
        fail "the label PDF does not hold the Latin name of cards 1 and 2: $text"
    grep -q 'Habitat:' <<<"$text" || fail "the label PDF lacks the label texts: $text"
    key '^Lamelin - Náhled před tiskem$' Escape
    wait_window_gone '^Lamelin - Náhled před tiskem$'
    key '^Tisk$' Escape
    wait_window_gone '^Tisk$'
    [ "$(read_fields "$E2E_DATA/D1" Hspl.DB C1 C2)" = "1|3" ] || fail "the label range is not stored in Hspl"
}
