// The screens' words for keys, fitting the device: keys at a keyboard or pad, taps on a touch screen.
#include <array>

#include "pointer/pointer_screen.h"
#include "screens/screens.h"

namespace {

struct Words {
    const char* keys;
    const char* touch;
};

// By ScreenText. The title names its keys in its picture; the shop's touch words keep the places of
// "Space-Buy" and "S-Sell", which a press on them stands for.
constexpr std::array<Words, 6> WORDS = {{
    {"", "Tap to play"},
    {"Press F1 for help", "Tap the power box for help"},
    {"Shift+Y or pad Y for Yes", "Tap here for Yes"},
    {"Press Space", "Tap to go on"},
    {"Keys 1 to 8: a player or the computer (Beginner to Expert)",
     "Tap a tank: a player or the computer (Beginner to Expert)"},
    {"Space-Buy   S-Sell", "Tap Buy     Tap Sell"},
}};

}  // namespace

const char* ScreenWords(ScreenText text, bool touch) {
    const Words& words = WORDS[static_cast<std::size_t>(text)];
    return touch ? words.touch : words.keys;
}

const char* ScreenWords(ScreenText text) { return ScreenWords(text, PointerTouch()); }
