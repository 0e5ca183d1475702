#pragma once

// Process-wide requests that the card index windows pass to one another (user-interface
// thread only).
namespace cards {

// The catalogue windows open as choosers: "&Přenést" is shown, and Enter or a double click in
// the grid closes them with the pick result. Set by the card window, the extended search and
// the print selection before they open a catalogue; cleared by the main window's commands.
extern bool pickMode;
// The catalogue windows move to their first row once their order is applied (the main
// window's commands); cleared by the windows that open a catalogue to pick from it.
extern bool cataloguesGoToFirst;
// The card window moves to the first card of its order once it is shown (the main window's
// command "Zápis do kartotéky"); off when it opens on the card of a label print.
extern bool cardGoToFirst;

}  // namespace cards
