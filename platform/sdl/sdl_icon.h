// The window's icon, from the 64x64 pixels the build embeds (tools/icon), for the window manager's
// task bar and window list.
#pragma once

#include <SDL.h>

// The data resource of the icon's pixels: 64 x 64, four bytes each (red, green, blue, opacity),
// row by row from the top-left.
constexpr int WINDOW_ICON_ID = 150;
constexpr int WINDOW_ICON_SIZE = 64;

// Gives the window its icon. False (with a trace row at the high level) when the resource is missing
// or SDL cannot take it; the window works on without one.
bool SdlSetWindowIcon(SDL_Window* window);
