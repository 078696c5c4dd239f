// The mouse and the touch screen through SDL, as the game's keys.
#include "platform/sdl/sdl_pointer.h"

#include <cmath>

#include "diag/diag.h"
#include "platform/sdl/sdl_scaler.h"
#include "platform/sdl/sdl_video.h"
#include "pointer/pointer_keys.h"

namespace {

constexpr int PICTURE_WIDTH = 320;
constexpr int PICTURE_HEIGHT = 200;

struct Pointer {
    PointerKeys keys;
    bool fingerDown = false;
    SDL_FingerID finger = 0;
    int fingerX = 0, fingerY = 0;
    // A second finger down makes the two a look around until the first is lifted: the second's
    // point while it is down, and the sum of the two points as the last look left it.
    bool looking = false, secondDown = false;
    SDL_FingerID second = 0;
    int secondX = 0, secondY = 0, sumX = 0, sumY = 0;
};

Pointer TheSdlPointer;

// A window point (window coordinates, not pixels) as the picture's. Without a window (tests) the
// window is the picture, point for point.
void PicturePoint(double x, double y, int* pictureX, int* pictureY) {
    SDL_Window* window = SdlVideoWindow();
    if (!window) {
        *pictureX = static_cast<int>(std::floor(x));
        *pictureY = static_cast<int>(std::floor(y));
        return;
    }
    int width = 0, height = 0;
    SDL_GetWindowSize(window, &width, &height);
    SdlPicturePoint(width, height, x, y, pictureX, pictureY);
}

// A finger's point is a fraction of the window's size.
void FingerPoint(const SDL_TouchFingerEvent& finger, int* pictureX, int* pictureY) {
    int width = PICTURE_WIDTH, height = PICTURE_HEIGHT;
    if (SDL_Window* window = SdlVideoWindow()) SDL_GetWindowSize(window, &width, &height);
    PicturePoint(static_cast<double>(finger.x) * width, static_cast<double>(finger.y) * height, pictureX,
                 pictureY);
}

// Each press is traced with what the pointer knows of the screen, so that a press that did not do
// what the person meant can be followed.
void TracePress(const PointerScreen& screen, int button, int x, int y) {
    DiagTrace(DIAG_DEBUG, "main", __LINE__, "SdlPointerEvent",
              "Pointer %i pressed at (%i, %i) on screen %i of frame %u: seat %i, pivot (%i, %i), angle %i, "
              "power %i",
              button, x, y, static_cast<int>(screen.mode), static_cast<unsigned>(screen.frame), screen.seat,
              screen.pivotX, screen.pivotY, screen.angle, screen.power);
}

PointerKeys::Button ButtonOf(Uint8 button) {
    if (button == SDL_BUTTON_RIGHT) return PointerKeys::ButtonFire;
    if (button == SDL_BUTTON_MIDDLE) return PointerKeys::ButtonCentre;
    return PointerKeys::ButtonMain;
}

bool MouseButton(const SDL_MouseButtonEvent& button, std::vector<InputEvent>* out) {
    if (button.which == SDL_TOUCH_MOUSEID) return true;
    const PointerScreen& screen = PointerScreenShown();
    int x = 0, y = 0;
    PicturePoint(button.x, button.y, &x, &y);
    if (button.type == SDL_MOUSEBUTTONDOWN) TracePress(screen, button.button, x, y);
    if (button.type == SDL_MOUSEBUTTONDOWN)
        TheSdlPointer.keys.Press(screen, ButtonOf(button.button), x, y, button.timestamp, out);
    else if (button.button == SDL_BUTTON_LEFT)
        TheSdlPointer.keys.Release(screen, out);
    return true;
}

// The picture follows the middle of the two fingers, in whole pixels.
void LookWithTwo(std::vector<InputEvent>* out) {
    Pointer& p = TheSdlPointer;
    const int dx = (p.fingerX + p.secondX - p.sumX) / 2, dy = (p.fingerY + p.secondY - p.sumY) / 2;
    p.sumX += 2 * dx;
    p.sumY += 2 * dy;
    p.keys.LookWithTwo(dx, dy, out);
}

// A second finger: down, it starts a look around; moved, it looks; lifted, the first points no more.
void SecondFinger(const SDL_TouchFingerEvent& finger, int x, int y, std::vector<InputEvent>* out) {
    Pointer& p = TheSdlPointer;
    if (finger.type == SDL_FINGERDOWN && !p.looking) {
        p.looking = p.secondDown = true;
        p.second = finger.fingerId;
        p.secondX = x;
        p.secondY = y;
        p.sumX = p.fingerX + x;
        p.sumY = p.fingerY + y;
        p.keys.LookWithTwo(0, 0, out);
    } else if (p.secondDown && finger.fingerId == p.second) {
        p.secondX = x;
        p.secondY = y;
        if (finger.type == SDL_FINGERMOTION) LookWithTwo(out);
        p.secondDown = finger.type != SDL_FINGERUP;
    }
}

bool Finger(const SDL_TouchFingerEvent& finger, std::vector<InputEvent>* out) {
    const PointerScreen& screen = PointerScreenShown();
    Pointer& p = TheSdlPointer;
    int x = 0, y = 0;
    FingerPoint(finger, &x, &y);
    // A finger says the screen is a touch screen, whose screens speak of taps from then on.
    PointerSetTouch(true);
    // The first finger down points; a second makes the two a look around.
    if (finger.type == SDL_FINGERDOWN && !p.fingerDown) {
        p.fingerDown = true;
        p.finger = finger.fingerId;
        p.fingerX = x;
        p.fingerY = y;
        TracePress(screen, 0, x, y);
        p.keys.Press(screen, PointerKeys::ButtonMain, x, y, finger.timestamp, out);
        return true;
    }
    if (!p.fingerDown) return true;
    if (finger.fingerId != p.finger) {
        SecondFinger(finger, x, y, out);
        return true;
    }
    p.fingerX = x;
    p.fingerY = y;
    if (finger.type == SDL_FINGERMOTION) {
        if (!p.looking)
            p.keys.Move(screen, x, y, out);
        else if (p.secondDown)
            LookWithTwo(out);
    } else if (finger.type == SDL_FINGERUP) {
        p.fingerDown = p.looking = p.secondDown = false;
        p.keys.Release(screen, out);
    }
    return true;
}

}  // namespace

void SdlPicturePoint(int width, int height, double x, double y, int* pictureX, int* pictureY) {
    const PixelRect box = FitFourByThree(width, height);
    if (box.Empty()) {
        *pictureX = *pictureY = -1;
        return;
    }
    *pictureX = static_cast<int>(std::floor((x - box.x) * PICTURE_WIDTH / box.w));
    *pictureY = static_cast<int>(std::floor((y - box.y) * PICTURE_HEIGHT / box.h));
}

bool SdlPointerEvent(const SDL_Event& event, std::vector<InputEvent>* out) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            return MouseButton(event.button, out);
        case SDL_MOUSEMOTION:
            if (event.motion.which != SDL_TOUCH_MOUSEID) {
                int x = 0, y = 0;
                PicturePoint(event.motion.x, event.motion.y, &x, &y);
                TheSdlPointer.keys.Move(PointerScreenShown(), x, y, out);
            }
            return true;
        case SDL_MOUSEWHEEL:
            if (event.wheel.which != SDL_TOUCH_MOUSEID) {
                const int notches =
                    event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
                TheSdlPointer.keys.Wheel(PointerScreenShown(), notches, out);
            }
            return true;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP:
            return Finger(event.tfinger, out);
        default:
            return false;
    }
}

void SdlPointerTick(std::vector<InputEvent>* out) { TheSdlPointer.keys.Tick(PointerScreenShown(), out); }

void SdlPointerLetGo(std::vector<InputEvent>* out) {
    TheSdlPointer.fingerDown = TheSdlPointer.looking = TheSdlPointer.secondDown = false;
    TheSdlPointer.keys.LetGoAll(out);
}
