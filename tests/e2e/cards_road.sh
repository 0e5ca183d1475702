# The card index part of the road, sourced by first_firm.sh once a firm is open (lib.sh's
# helpers). The user keeps both catalogues and writes three cards by keyboard only: one through a
# species code, one picked from the species catalogue, one with the date typed as "3/4". The
# program is closed and started again, and the cards are read from disk through the engine.

cards_road() {
    local year
    year="$(date +%Y)"

    # The species catalogue: Kartotéka / Databáze hub, a new species, saved, the window closed.
    key '^Lamelin 1\.10' alt+k
    press h
    key '^Databáze hub' Insert
    type_text '^Databáze hub' 'BOED'
    press Return
    type_text '^Databáze hub' 'Boletus edulis'
    press Return
    type_text '^Databáze hub' 'Bull.'
    press Return
    type_text '^Databáze hub' 'hřib smrkový'
    press F9 Escape
    wait_window_gone '^Databáze hub'
    # The locality catalogue the same way.
    key '^Lamelin 1\.10' alt+k
    press l
    key '^Databáze lokalit' Insert
    type_text '^Databáze lokalit' 'PIS'
    press Return
    type_text '^Databáze lokalit' 'Písek'
    press F9 Escape
    wait_window_gone '^Databáze lokalit'

    # Card entry (F2): card 1 through the species and locality codes.
    key '^Lamelin 1\.10' F2
    key '^Kartotéka' Insert Return          # the proposed number 1
    type_text '^Kartotéka' 'BOED'
    press Return                            # leaving the code fills the names
    press Return Return Return Return       # Latin name, author, "přenést název", Czech name
    type_text '^Kartotéka' 'PIS'
    press Return F9                         # the locality code fills the locality
    # Card 2: the species picked in the catalogue (Shift+F7, Enter in its grid).
    key '^Kartotéka' Insert Return shift+F7
    key '^Databáze hub' Return
    wait_window_gone '^Databáze hub'
    key '^Kartotéka' F9
    # Card 3: the date typed as "3/4", fifteen fields below the number.
    key '^Kartotéka' Insert
    for _ in $(seq 15); do press Return; done
    type_text '^Kartotéka' '3/4'
    press Return F9 Escape                  # saved; Esc closes the card window
    wait_window_gone '^Kartotéka'

    # The program ends (Soubor / Konec) and starts again on the same firm.
    key '^Lamelin 1\.10' alt+s
    press k
    wait_program_end
    e2e_start_program
    key 'výběr$' Return                     # "&Otevřít" on the firm chosen last
    wait_window_gone 'výběr$'
    key '^Lamelin 1\.10' F2
    key '^Kartotéka' Escape
    wait_window_gone '^Kartotéka'

    local cards expected
    cards="$(read_fields "$E2E_DATA/D1" Hdok.DB Evc Kdh Nla Ato Nce Kdl Lk D)"
    expected="1|BOED|Boletus edulis|Bull.|hřib smrkový|PIS|Písek|
2|BOED|Boletus edulis|Bull.|hřib smrkový|||
3|||||||03.04.$year"
    [ "$cards" = "$expected" ] || fail "the cards on disk are:
$cards
expected:
$expected"
    [ "$(read_fields "$E2E_DATA/D1" Hspl.DB Cislo)" = "4" ] || fail "the next registration number is not 4"
}
