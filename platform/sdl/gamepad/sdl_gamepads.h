// Gamepads through SDL's game controller interface: started once the first frame is shown, opened
// as they arrive, closed as they go, and their buttons and left stick made into keys.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/input.h"

// Starts SDL's game controller subsystem; later calls do nothing. SDL then announces every pad
// already connected as it does one plugged in later. The time it took is traced; a failure is
// traced and leaves the game to the keyboard. Returns whether the subsystem runs.
bool SdlGamepadsStart();

// One SDL event: a pad's arrival opens it, its departure lets go of what it held and closes it,
// and its buttons and axes add the keys they press and release to `out`, in the order to post them;
// a full-screen button going down sets *toggleFullScreen (when given). A joystick that SDL cannot
// use as a game controller is named in one trace row, with how to map it. Returns false for an
// event that is not a game controller's or a joystick's arrival.
bool SdlGamepadEvent(const SDL_Event& event, std::vector<InputEvent>* out, bool* toggleFullScreen = nullptr);

// Closes every open pad and stops the subsystem; what the pads held is forgotten (for shutdown
// and tests).
void SdlGamepadsStop();
