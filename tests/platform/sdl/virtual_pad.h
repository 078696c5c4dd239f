// Test support: SDL's virtual pads plugged in, moved and read back as the game's keys.
#pragma once

#include <SDL.h>

#include <vector>

#include "platform/sdl/gamepad/sdl_gamepads.h"

// Plugs in a virtual game controller with every button and axis, or a joystick SDL cannot map
// (one axis, three buttons); SDL's device index, or -1.
inline int AttachVirtualPad(const char* name, bool controller = true) {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = controller ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = controller ? SDL_CONTROLLER_AXIS_MAX : 1;
    desc.nbuttons = controller ? SDL_CONTROLLER_BUTTON_MAX : 3;
    desc.name = name;
    return SDL_JoystickAttachVirtualEx(&desc);
}

inline SDL_Joystick* VirtualPad(int index) {
    return SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
}

// SDL's waiting events delivered as the game delivers them; the keys they made.
inline std::vector<InputEvent> PadInputs(bool* fullScreen = nullptr) {
    SDL_JoystickUpdate();
    std::vector<InputEvent> out;
    SDL_Event event;
    while (SDL_PollEvent(&event)) SdlGamepadEvent(event, &out, fullScreen);
    return out;
}
