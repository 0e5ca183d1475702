# Sourced by the end-to-end road script once a firm is open in the program.
# Needs from it: fail, wait_window, key, $app_pid, $lamelin, $work, $data, and $read_table (the
# e2e_read_table program). The user keeps both catalogues and writes three cards by keyboard
# only: one through a species code, one picked from the species catalogue, one with the date
# typed as "3/4". The program is closed and started again, and the cards are read from disk
# through the engine.

# Gives the keyboard to the newest visible window whose name matches $1 (there is no window
# manager to hand it over when a dialog closes).
focus_window() {
  local id
  id="$(wait_window "$1")"
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  sleep 0.3
}
type_text() { xdotool type --delay 40 "$1"; sleep 0.2; }

cards_road() {
  local year
  year="$(date +%Y)"

  # The species catalogue: Kartotéka / Databáze hub, a new species, saved, the window closed.
  focus_window '^Lamelin 1.10'
  key alt+k
  key h
  focus_window '^Databáze hub'
  key Insert
  type_text 'BOED'; key Return
  type_text 'Boletus edulis'; key Return
  type_text 'Bull.'; key Return
  type_text 'hřib smrkový'
  key F9
  key Escape
  # The locality catalogue the same way.
  focus_window '^Lamelin 1.10'
  key alt+k
  key l
  focus_window '^Databáze lokalit'
  key Insert
  type_text 'PIS'; key Return
  type_text 'Písek'
  key F9
  key Escape

  # Card entry (F2): card 1 through the species and locality codes.
  focus_window '^Lamelin 1.10'
  key F2
  focus_window '^Kartotéka'
  key Insert
  key Return                             # the proposed number 1
  type_text 'BOED'; key Return           # leaving the code fills the names
  key Return Return Return Return        # Latin name, author, "přenést název", Czech name
  type_text 'PIS'; key Return            # the locality code fills the locality
  key F9
  # Card 2: the species picked in the catalogue (Shift+F7, Enter in its grid).
  key Insert
  key Return
  key shift+F7
  focus_window '^Databáze hub'
  key Return
  focus_window '^Kartotéka'
  key F9
  # Card 3: the date typed as "3/4", fifteen fields below the number.
  key Insert
  for _ in $(seq 15); do xdotool key Return; sleep 0.05; done
  type_text '3/4'; key Return
  key F9
  key Escape                             # closes the card window

  # The program ends (Soubor / Konec) and starts again on the same firm.
  focus_window '^Lamelin 1.10'
  key alt+s
  key k
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$app_pid" 2>/dev/null && fail "the program did not end"
  "$lamelin" > "$work/lamelin2.log" 2>&1 &
  app_pid=$!
  focus_window 'výběr'
  key Return                             # "&Otevřít" on the firm chosen last
  focus_window '^Lamelin 1.10'
  key F2
  focus_window '^Kartotéka'
  key Escape
  focus_window '^Lamelin 1.10'
  key alt+s
  key k
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done

  local cards expected
  cards="$("$read_table" "$data/D1" Hdok Evc Kdh Nla Ato Nce Kdl Lk D)" || fail "cannot read the cards"
  expected="1|BOED|Boletus edulis|Bull.|hřib smrkový|PIS|Písek|
2|BOED|Boletus edulis|Bull.|hřib smrkový|||
3|||||||03.04.$year"
  [ "$cards" = "$expected" ] || fail "the cards on disk are:
$cards
expected:
$expected"
  [ "$("$read_table" "$data/D1" Hspl Cislo)" = "4" ] || fail "the next registration number is not 4"
  echo "E2E cards: three cards written by keyboard, read back after a restart"
}
