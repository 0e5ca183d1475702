# The search part of the road, sourced by first_firm.sh after cards_road (lib.sh's helpers; the
# firm holds the three cards written there, cards 1 and 2 of Boletus edulis). The user opens
# "Vyhledávání, opravy" from the menu, selects by Latin name in "Rozšířené vyhledávání" (typed
# in lower case), and closes both windows; the marks are read from disk while the selection is
# open and after it is closed.

# The marks of the cards on disk, one line per card in number order: "<Evc>|<Neh>".
card_marks() { "$E2E_DUMP" "$E2E_DATA/D1" Hdok.DB Evc Neh 2>/dev/null; }
marks_are() { [ "$(card_marks)" = "$1" ]; }

search_road() {
    # Kartotéka / Vyhledávání, opravy; F3 opens the extended search on the species code.
    key '^Lamelin 1\.10' alt+k
    press v
    key '^Vyhledávání, opravy' F3
    key '^Rozšířené vyhledávání' Return     # from the code to the Latin name
    type_text '^Rozšířené vyhledávání' 'boletus'
    press alt+b                             # "Vy&brat"
    wait_for marks_are "1|A
2|A
3|N" || fail "after the selection the marks on disk are:
$(card_marks)"
    [ "$(read_fields "$E2E_DATA/D1" Hspl.DB Nla1)" = "boletus" ] || fail "the criterion was not kept"
    press Escape                            # the criteria are kept and the dialog closes
    wait_window_gone '^Rozšířené vyhledávání'
    key '^Vyhledávání, opravy' Escape
    wait_window_gone '^Vyhledávání, opravy'

    # Closing the search window ends the selection on disk.
    wait_for marks_are "1|N
2|N
3|N" || fail "after closing the search the marks on disk are:
$(card_marks)"
}
