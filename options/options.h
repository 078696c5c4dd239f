// The Options screen: the player's settings (settings/settings.h) changed by keys, a gamepad or taps.
//
// The program opens the door at start-up with OptionsUse; without it (the headless runner, the
// scenarios) the title has no Options and nothing here does anything. The screen lies over the
// title and lives outside the game: the shell hands it this machine's input before anything else
// (OptionsTakeInput), so that no key of it is ever recorded, sent or seen by the rules, and draws it
// over the finished picture. The game's state never changes while it is shown, and a replay or a
// scenario plays exactly as if it had never been opened.
//
// On the title, P opens it, or F1, which is the pad's Back (help while aiming; nothing else on the
// title). Up and
// Down choose a row; Left and Right (or Enter and Space) change its value; on the name and the relay, Enter
// (Space, pad A) starts typing: letters, digits, Space (names), '.', '-' and ':' (the relay), Shift for
// capitals, Backspace to rub out, Enter to keep the line and Esc to drop it. Esc (pad B) or the "Back" row
// saves the settings and goes back to the title.
#pragma once

#include <string>
#include <vector>

#include "platform/input.h"
#include "pointer/pointer_screen.h"
#include "settings/settings.h"

// What the program lends the screen: the settings it runs by now, and what to do when they change.
// `changed` is called after every change (keep false: the window and the sound follow at once) and
// when the screen closes (keep true: the settings are written too).
struct OptionsDoor {
    Settings (*current)() = nullptr;
    void (*changed)(const Settings& settings, bool keep) = nullptr;
    bool fullscreenShown = true;  // false on the page, whose browser switches full screen itself
};
void OptionsUse(const OptionsDoor& door);
bool OptionsAvailable();
bool OptionsShown();

// This machine's input: true when it is the screen's (a key that opened the screen or was pressed
// while it is shown, and that key's release, even after the screen has closed); everything else
// goes on as ever.
bool OptionsTakeInput(const InputEvent& input);

// Whether the tanks' numbers are drawn on them (the setting as the screen last left it, or as the
// program's door first gave it).
bool OptionsTankNumbers();

// The volume and the sound switched by the sound keys while the screen is shown.
void OptionsSoundChanged(int volume, bool mute);

// The screen's lines as shown, top to bottom, "Label  value", for the tests and the pointer.
std::vector<std::string> OptionsLines();
// Draws the screen over the whole picture when it is shown.
void OptionsDraw(int device, int surface);
// The rows as pointer input sees them (mode PointerScreen::Options): a press on a value's left half
// is Left, on its right half Right, on a typed value Enter, on "Back" Esc.
void OptionsPointerRows(PointerScreen* screen);
// The title's hint line, drawn by OptionsDraw while the title shows: "P: Options", or "Tap here:
// Options" on a touch screen, in the bottom left corner; a press on the left half of the bottom
// rows is P.
std::string OptionsTitleHint(bool touch);
void OptionsTitleRows(PointerScreen* screen);
constexpr int OPTIONS_HINT_Y = 191;

void OptionsResetForTests();
