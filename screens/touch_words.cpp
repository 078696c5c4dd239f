// The screens' words for keys, fitting the device: keys at a keyboard or pad, taps on a touch screen.
#include <array>

#include "pointer/pointer_screen.h"
#include "screens/screens.h"
#include "text/text.h"

namespace {

struct Words {
    const char* keys;
    const char* touch;
};

// By ScreenText, in English: the screens translate them as they draw them. The shop's touch words
// keep the places of "Space-Buy" and "S-Sell", which a press on them stands for.
constexpr std::array<Words, 6> WORDS = {{
    {TrLater("Press Enter or Space to play"), TrLater("Tap to play")},
    {TrLater("Press F1 for help"), TrLater("Tap the power box for help")},
    {TrLater("Shift+Y or pad Y for Yes"), TrLater("Tap here for Yes")},
    {TrLater("Press Space"), TrLater("Tap to go on")},
    {TrLater("Keys 1 to 8: a player or the computer (Beginner to Expert)"),
     TrLater("Tap a tank: a player or the computer (Beginner to Expert)")},
    {TrLater("Space-Buy   S-Sell"), TrLater("Tap Buy     Tap Sell")},
}};

}  // namespace

const char* ScreenWords(ScreenText text, bool touch) {
    const Words& words = WORDS[static_cast<std::size_t>(text)];
    return touch ? words.touch : words.keys;
}

const char* ScreenWords(ScreenText text) { return ScreenWords(text, PointerTouch()); }
