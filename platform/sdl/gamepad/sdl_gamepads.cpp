// The pads SDL's game controller interface finds, opened and closed as they come and go.
#include "platform/sdl/gamepad/sdl_gamepads.h"

#include <algorithm>

#include "diag/diag.h"
#include "platform/sdl/gamepad/gamepad_keys.h"

namespace {

struct Gamepads {
    bool started = false;
    bool running = false;
    std::vector<SDL_GameController*> open;
    GamepadKeys keys;
};

Gamepads& Pads() {
    static Gamepads pads;
    return pads;
}

void Opened(int deviceIndex) {
    SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (SDL_GameControllerFromInstanceID(id)) return;
    SDL_GameController* pad = SDL_GameControllerOpen(deviceIndex);
    if (!pad) {
        DiagTrace(DIAG_ERROR, "main", __LINE__, "SdlGamepadEvent", "A gamepad could not be opened: %s",
                  SDL_GetError());
        return;
    }
    Pads().open.push_back(pad);
    const char* name = SDL_GameControllerName(pad);
    DiagTrace(DIAG_DEBUG, "main", __LINE__, "SdlGamepadEvent", "Gamepad \"%s\" connected",
              name ? name : "unnamed");
}

void Closed(SDL_JoystickID id, std::vector<InputEvent>* out) {
    Pads().keys.Removed(id, out);
    SDL_GameController* pad = SDL_GameControllerFromInstanceID(id);
    auto& open = Pads().open;
    auto found = std::find(open.begin(), open.end(), pad);
    if (!pad || found == open.end()) return;
    open.erase(found);
    DiagTrace(DIAG_DEBUG, "main", __LINE__, "SdlGamepadEvent", "Gamepad \"%s\" disconnected",
              SDL_GameControllerName(pad) ? SDL_GameControllerName(pad) : "unnamed");
    SDL_GameControllerClose(pad);
}

// A joystick arrived: a game controller is opened by its own event; any other is named, once.
void JoystickArrived(int deviceIndex) {
    if (SDL_IsGameController(deviceIndex)) return;
    char guid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(deviceIndex), guid, sizeof guid);
    DiagTrace(DIAG_HIGH, "main", __LINE__, "SdlGamepadEvent", "%s",
              UnknownGamepadAdvice(SDL_JoystickNameForIndex(deviceIndex), guid).c_str());
}

}  // namespace

bool SdlGamepadsStart() {
    Gamepads& pads = Pads();
    if (pads.started) return pads.running;
    pads.started = true;
    Uint64 before = SDL_GetPerformanceCounter();
    pads.running = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    double milliseconds = static_cast<double>(SDL_GetPerformanceCounter() - before) * 1000.0 /
                          static_cast<double>(SDL_GetPerformanceFrequency());
    if (pads.running)
        DiagTrace(DIAG_DEBUG, "main", __LINE__, "SdlGamepadsStart", "Gamepads started in %.1f ms",
                  milliseconds);
    else
        DiagTrace(DIAG_ERROR, "main", __LINE__, "SdlGamepadsStart", "Gamepads are not available: %s",
                  SDL_GetError());
    return pads.running;
}

bool SdlGamepadEvent(const SDL_Event& event, std::vector<InputEvent>* out, bool* toggleFullScreen) {
    switch (event.type) {
        case SDL_JOYDEVICEADDED:
            JoystickArrived(event.jdevice.which);
            return true;
        case SDL_CONTROLLERDEVICEADDED:
            Opened(event.cdevice.which);
            return true;
        case SDL_CONTROLLERDEVICEREMOVED:
            Closed(event.cdevice.which, out);
            return true;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (GamepadButtonTogglesFullScreen(event.cbutton.button)) {
                if (toggleFullScreen && event.type == SDL_CONTROLLERBUTTONDOWN) *toggleFullScreen = true;
                return true;
            }
            Pads().keys.Button(event.cbutton.which, event.cbutton.button,
                               event.type == SDL_CONTROLLERBUTTONDOWN, out);
            return true;
        case SDL_CONTROLLERAXISMOTION:
            Pads().keys.Axis(event.caxis.which, event.caxis.axis, event.caxis.value, out);
            return true;
        default:
            return false;
    }
}

void SdlGamepadsStop() {
    Gamepads& pads = Pads();
    for (SDL_GameController* pad : pads.open) SDL_GameControllerClose(pad);
    if (pads.running) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    pads = Gamepads{};
}
