// The page's pointer: its presses, drags, wheel and on-screen controls as the game's keys.
#include "platform/web/web_pointer.h"

#include "pointer/pointer_keys.h"
#include "pointer/pointer_screen.h"

namespace {

PointerKeys Keys;

void Press(int value, int x, int y, std::uint32_t ms, std::vector<InputEvent>* out) {
    if (value < PointerKeys::ButtonMain || value > PointerKeys::ButtonCentre) return;
    Keys.Press(PointerScreenShown(), static_cast<PointerKeys::Button>(value), x, y, ms, out);
}

void Control(int value, std::uint32_t ms, std::vector<InputEvent>* out) {
    if (value < PointerKeys::ControlFire || value > PointerKeys::ControlFast) return;
    Keys.PressControl(PointerScreenShown(), static_cast<PointerKeys::Control>(value), ms, out);
}

}  // namespace

void WebPointerEvent(int kind, int value, int x, int y, std::uint32_t ms, std::vector<InputEvent>* out) {
    const PointerScreen& screen = PointerScreenShown();
    switch (kind) {
        case WEB_POINTER_PRESS:
            Press(value, x, y, ms, out);
            break;
        case WEB_POINTER_MOVE:
            Keys.Move(screen, x, y, out);
            break;
        case WEB_POINTER_RELEASE:
            Keys.Release(screen, out);
            break;
        case WEB_POINTER_WHEEL:
            Keys.Wheel(screen, value, out);
            break;
        case WEB_POINTER_LET_GO:
            Keys.LetGoAll(out);
            break;
        case WEB_POINTER_CONTROL:
            Control(value, ms, out);
            break;
        case WEB_POINTER_LOOK:
            Keys.LookWithTwo(x, y, out);
            break;
        default:
            break;
    }
}

void WebPointerTick(std::vector<InputEvent>* out) { Keys.Tick(PointerScreenShown(), out); }

void WebPointerReset() { Keys = PointerKeys{}; }
