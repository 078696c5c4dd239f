// Translation of SDL key codes into virtual-key codes (0 for a key the game has no code for).
#pragma once

#include <SDL.h>

int VirtualKeyFromSdl(SDL_Keycode key);
