// Input events and the window messages they stand for, both ways, and posting them to the window.
#include "platform/input.h"

#include "platform/backend.h"

namespace {

// Windows marks an automatic repeat with bit 30 of a key message's lParam (the key was already
// down) and a release with bits 30 and 31; the low word counts the presses, always 1 here.
constexpr LPARAM KEY_WAS_DOWN = LPARAM{1} << 30;
constexpr LPARAM KEY_GOING_UP = LPARAM{1} << 31;
constexpr LPARAM KEY_COUNT_ONE = 1;

std::uint32_t KeyCode(WPARAM wParam) {
    return wParam > WPARAM{0xFFFFFFFFu} ? 0xFFFFFFFFu : static_cast<std::uint32_t>(wParam);
}

}  // namespace

bool InputEventFromMessage(UINT message, WPARAM wParam, LPARAM lParam, InputEvent* event) {
    switch (message) {
        case WM_KEYDOWN:
            *event = InputEvent{InputEvent::KeyDown, KeyCode(wParam),
                                (lParam & (KEY_WAS_DOWN | KEY_GOING_UP)) != 0};
            return true;
        case WM_KEYUP:
            *event = InputEvent{InputEvent::KeyUp, KeyCode(wParam), false};
            return true;
        case WM_ACTIVATEAPP:
            *event = InputEvent::AppActivation(wParam != 0);
            return true;
        case WM_ACTIVATE: {
            const WPARAM state = wParam & 0xFFFF;
            *event = InputEvent::WindowActivation(
                state == WA_ACTIVE || state == WA_CLICKACTIVE ? state : WA_INACTIVE);
            return true;
        }
        case WM_CLOSE:
            *event = InputEvent::CloseRequest();
            return true;
        default:
            return false;
    }
}

bool InputEventMessage(const InputEvent& event, MSG* message) {
    *message = MSG{};
    switch (event.kind) {
        case InputEvent::KeyDown:
            message->message = WM_KEYDOWN;
            message->wParam = event.value;
            message->lParam = (event.repeat ? KEY_WAS_DOWN : 0) | KEY_COUNT_ONE;
            return true;
        case InputEvent::KeyUp:
            message->message = WM_KEYUP;
            message->wParam = event.value;
            message->lParam = KEY_WAS_DOWN | KEY_GOING_UP | KEY_COUNT_ONE;
            return true;
        case InputEvent::ActivateApp:
            message->message = WM_ACTIVATEAPP;
            message->wParam = event.value;
            return true;
        case InputEvent::Activate:
            message->message = WM_ACTIVATE;
            message->wParam = event.value;
            return true;
        case InputEvent::Close:
            message->message = WM_CLOSE;
            return true;
        default:
            return false;
    }
}

bool PostInput(const InputEvent& event) {
    MSG m;
    if (!InputEventMessage(event, &m)) return false;
    return PostMessageA(PlatformMainWindow(), m.message, m.wParam, m.lParam) != 0;
}
