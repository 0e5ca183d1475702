# The export part of the road, sourced by first_firm.sh after the cards road (lib.sh's helpers).
# The user exports all cards of the firm as a Darwin Core archive into the proposed file in the
# Documents folder, declines to save the list of cards without a date, and the archive is read
# back with unzip: its three files, the header of term names and the three cards in UTF-8.

dwc_road() {
    local archive="$HOME/Documents/Houbaři z Písku.zip"
    rm -f "$archive"
    key '^Lamelin 1\.10' alt+k
    press e                                 # "&Export nálezů (Darwin Core) ..."
    key '^Export nálezů \(Darwin Core\)$' alt+v alt+e   # "&všechny", "&Exportovat"
    key '^Informace$' Escape                # cards 1 and 2 have no date: "Ne" to saving the list
    wait_window_gone '^Informace$'
    key '^Export nálezů \(Darwin Core\)$' Escape         # "&Zavřít"
    wait_window_gone '^Export nálezů \(Darwin Core\)$'

    wait_for test -s "$archive" || fail "no archive at $archive"
    local entries header numbers names
    entries="$(unzip -Z1 "$archive" | sort | tr '\n' ' ')"
    [ "$entries" = "eml.xml meta.xml occurrence.txt " ] || fail "the archive holds: $entries"
    header="$(unzip -p "$archive" occurrence.txt | head -n 1)"
    [[ "$header" == occurrenceID$'\t'basisOfRecord$'\t'catalogNumber* ]] || fail "occurrence.txt starts with: $header"
    numbers="$(unzip -p "$archive" occurrence.txt | tail -n +2 | cut -f 3 | tr '\n' ' ')"
    [ "$numbers" = "1 2 3 " ] || fail "the archive holds the cards: $numbers"
    names="$(unzip -p "$archive" occurrence.txt | sed -n 2p | cut -f 6,8)"
    [ "$names" = "Boletus edulis Bull."$'\t'"hřib smrkový" ] || fail "card 1 is exported as: $names"
    unzip -p "$archive" meta.xml | grep -q 'term="http://rs.tdwg.org/dwc/terms/catalogNumber"' ||
        fail "meta.xml does not map catalogNumber"
    unzip -p "$archive" eml.xml | grep -q '<title>Houbaři z Písku</title>' || fail "eml.xml lacks the firm's name"
}
