// The page's pointer: its presses, drags, wheel and on-screen controls as the game's keys, through
// the pointer core (pointer/pointer_keys.h) that the native game's mouse and touch screen use too.
//
// The page's script (page/touch.js) hands each pointer event over in the game picture's
// coordinates; the keys come back in `out`, to be posted as the keyboard's are.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/input.h"

// What the page's script reports, with `value` meaning:
enum WebPointerKind {
    WEB_POINTER_PRESS,    // a button pressed or a finger put down at (x, y): 0 main, 1 fire, 2 centre
    WEB_POINTER_MOVE,     // the pointer at (x, y)
    WEB_POINTER_RELEASE,  // the main button let go, the finger lifted
    WEB_POINTER_WHEEL,    // the wheel turned `value` notches (positive: away from the person)
    WEB_POINTER_LET_GO,   // the page lost the focus: whatever the pointer holds is let go
    WEB_POINTER_CONTROL,  // an on-screen control: a PointerKeys::Control
    WEB_POINTER_LOOK,     // two fingers moved together by (x, y)
};

// One event of the page's pointer at `ms` milliseconds of a steady clock. Unknown kinds and values
// do nothing.
void WebPointerEvent(int kind, int value, int x, int y, std::uint32_t ms, std::vector<InputEvent>* out);
// As often as the backend looks at its events (see PointerKeys::Tick).
void WebPointerTick(std::vector<InputEvent>* out);
// Another game: the pointer holds nothing and knows nothing of the last.
void WebPointerReset();
