// Translation of SDL key and window events into the game's input.
#include "platform/sdl/sdl_events.h"

#include "platform/sdl/sdl_keys.h"

namespace {

void Add(EventInputs* inputs, const InputEvent& event) { inputs->items[inputs->count++] = event; }

}  // namespace

EventInputs InputsForKey(const SDL_KeyboardEvent& key) {
    EventInputs inputs;
    bool down = key.type == SDL_KEYDOWN;
    if (down && key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT)) {
        inputs.toggleFullscreen = !key.repeat;
        return inputs;
    }
    int vk = VirtualKeyFromSdl(key.keysym.sym);
    if (vk == 0) return inputs;
    Add(&inputs, down ? InputEvent::Down(vk, key.repeat != 0) : InputEvent::Up(vk));
    return inputs;
}

EventInputs InputsForWindowEvent(const SDL_WindowEvent& event) {
    EventInputs inputs;
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            Add(&inputs, InputEvent::AppActivation(true));
            Add(&inputs, InputEvent::WindowActivation(WA_ACTIVE));
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            Add(&inputs, InputEvent::WindowActivation(WA_INACTIVE));
            Add(&inputs, InputEvent::AppActivation(false));
            break;
        case SDL_WINDOWEVENT_CLOSE:
            Add(&inputs, InputEvent::CloseRequest());
            break;
        default:
            break;
    }
    return inputs;
}
