// Translation of SDL key and window events into window messages.
#include "platform/sdl/sdl_events.h"

#include "platform/sdl/sdl_keys.h"

namespace {

// Windows marks a key release with bits 30 and 31, and a repeat from the keyboard with bit 30.
constexpr LPARAM KEY_UP_BITS = KEY_REPEAT_BIT | (LPARAM{1} << 31);

void Add(EventMessages* messages, UINT message, WPARAM wParam, LPARAM lParam) {
    messages->items[messages->count++] = EventMessage{message, wParam, lParam};
}

}  // namespace

EventMessages MessagesForKey(const SDL_KeyboardEvent& key) {
    EventMessages messages;
    bool down = key.type == SDL_KEYDOWN;
    if (down && key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT)) {
        messages.toggleFullscreen = !key.repeat;
        return messages;
    }
    int vk = VirtualKeyFromSdl(key.keysym.sym);
    if (vk == 0) return messages;
    LPARAM lParam = down ? (key.repeat ? KEY_REPEAT_BIT : 0) : KEY_UP_BITS;
    Add(&messages, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), lParam | 1);
    return messages;
}

EventMessages MessagesForWindowEvent(const SDL_WindowEvent& event) {
    EventMessages messages;
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            Add(&messages, WM_ACTIVATEAPP, 1, 0);
            Add(&messages, WM_ACTIVATE, WA_ACTIVE, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            Add(&messages, WM_ACTIVATE, WA_INACTIVE, 0);
            Add(&messages, WM_ACTIVATEAPP, 0, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            Add(&messages, WM_CLOSE, 0, 0);
            break;
        default:
            break;
    }
    return messages;
}
