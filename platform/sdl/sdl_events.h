// SDL input events as the window messages the game reads: keys (Alt+Enter kept back for the
// presenter) and the window's focus and close events. Pure translations; sdl_platform.cpp posts.
#pragma once

#include <SDL.h>

#include "platform/win.h"

struct EventMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// What one SDL event asks for: up to two messages, in the order they are to be posted, and
// whether Alt+Enter asked to switch between full screen and a window.
struct EventMessages {
    int count = 0;
    EventMessage items[2];
    bool toggleFullscreen = false;
};

// A key press or release. Alt+Enter never reaches the game: its press (not an automatic repeat)
// asks for the switch, and the press and its repeats make no message. A key the game has no code
// for makes nothing. Presses carry the repeat count 1 and, for automatic repeats, bit 30; releases
// carry bits 30 and 31, as Windows marks them.
EventMessages MessagesForKey(const SDL_KeyboardEvent& key);

// Focus gained: WM_ACTIVATEAPP (1) then WM_ACTIVATE (WA_ACTIVE), as a window manager activates a
// window; focus lost: WM_ACTIVATE (WA_INACTIVE) then WM_ACTIVATEAPP (0). A close request makes
// WM_CLOSE. Other window events make nothing here.
EventMessages MessagesForWindowEvent(const SDL_WindowEvent& event);
