// SDL input events as the input the game reads: keys (Alt+Enter kept back for the presenter) and the
// window's focus and close events. Pure translations; sdl_platform.cpp posts them.
#pragma once

#include <SDL.h>

#include "platform/input.h"

// What one SDL event asks for: up to two pieces of input, in the order they are to be posted, and
// whether Alt+Enter asked to switch between full screen and a window.
struct EventInputs {
    int count = 0;
    InputEvent items[2];
    bool toggleFullscreen = false;
};

// A key press or release. Alt+Enter never reaches the game: its press (not an automatic repeat)
// asks for the switch, and the press and its repeats make no input. A key the game has no code for
// makes nothing. SDL's automatic repeats are the game's repeats.
EventInputs InputsForKey(const SDL_KeyboardEvent& key);

// Focus gained: the application activated, then the window (WA_ACTIVE), as a window manager
// activates a window; focus lost: the window deactivated (WA_INACTIVE), then the application. A
// close request asks to close. Other window events make nothing here.
EventInputs InputsForWindowEvent(const SDL_WindowEvent& event);
