// The SDL backend of the platform layer: events become window messages, SDL's clock drives the
// timer, and finished frames go to the presenter.
#include <SDL.h>

#include "diag/diag.h"
#include "platform/backend.h"
#include "platform/sdl/sdl_keys.h"
#include "platform/sdl/sdl_video.h"

namespace {

struct Timer {
    bool running = false;
    Uint32 period = 20;
    Uint32 next = 0;
};

Timer TheTimer;

// Windows marks a key release with bits 30 and 31, and a repeat from the keyboard with bit 30.
constexpr LPARAM KEY_UP_BITS = KEY_REPEAT_BIT | (LPARAM{1} << 31);

void PostKey(const SDL_KeyboardEvent& key) {
    bool down = key.type == SDL_KEYDOWN;
    if (down && key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT)) {
        if (!key.repeat) SdlVideoToggleFullscreen();
        return;
    }
    int vk = VirtualKeyFromSdl(key.keysym.sym);
    if (vk == 0) {
        if (down && !key.repeat)
            DiagTrace(DIAG_DEBUG, "main", __LINE__, "PostKey", "Key \"%s\" has no meaning in the game",
                      SDL_GetKeyName(key.keysym.sym));
        return;
    }
    LPARAM lParam = down ? (key.repeat ? KEY_REPEAT_BIT : 0) : KEY_UP_BITS;
    PostMessageA(PlatformMainWindow(), down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), lParam | 1);
}

void PostWindowEvent(const SDL_WindowEvent& event) {
    HWND window = PlatformMainWindow();
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            PostMessageA(window, WM_ACTIVATEAPP, 1, 0);
            PostMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            PostMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
            PostMessageA(window, WM_ACTIVATEAPP, 0, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            PostMessageA(window, WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            SdlVideoRefresh();
            break;
        default:
            break;
    }
}

void PostMouse(UINT message) { PostMessageA(PlatformMainWindow(), message, 0, 0); }

void Translate(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            PostMessageA(PlatformMainWindow(), WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT:
            PostWindowEvent(event.window);
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            SdlVideoForgetTextures();
            SdlVideoRefresh();
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            PostKey(event.key);
            break;
        case SDL_MOUSEMOTION:
            PostMouse(WM_MOUSEMOVE);
            break;
        case SDL_MOUSEBUTTONDOWN:
            PostMouse(event.button.button == SDL_BUTTON_RIGHT ? WM_RBUTTONDOWN : WM_LBUTTONDOWN);
            break;
        case SDL_MOUSEBUTTONUP:
            PostMouse(event.button.button == SDL_BUTTON_RIGHT ? WM_RBUTTONUP : WM_LBUTTONUP);
            break;
        default:
            break;
    }
}

// Milliseconds until the timer is due, or -1 to wait for input alone.
int TimeToTick() {
    if (!TheTimer.running) return -1;
    Uint32 now = SDL_GetTicks();
    return SDL_TICKS_PASSED(now, TheTimer.next) ? 0 : static_cast<int>(TheTimer.next - now);
}

}  // namespace

namespace backend {

bool OpenWindow(const char* title, int, int) { return SdlVideoOpen(title); }
void CloseWindow() { SdlVideoClose(); }
void SetCursorHidden(bool hidden) { SDL_ShowCursor(hidden ? SDL_DISABLE : SDL_ENABLE); }

void PumpEvents(bool wait) {
    SDL_Event event;
    if (wait) {
        int timeout = TimeToTick();
        if (timeout != 0 && SDL_WaitEventTimeout(&event, timeout)) Translate(event);
    }
    while (SDL_PollEvent(&event)) Translate(event);
}

bool TimerDue(bool consume) {
    if (!TheTimer.running || !SDL_TICKS_PASSED(SDL_GetTicks(), TheTimer.next)) return false;
    if (consume) {
        Uint32 now = SDL_GetTicks();
        while (SDL_TICKS_PASSED(now, TheTimer.next)) TheTimer.next += TheTimer.period;
    }
    return true;
}

void StartTimer(UINT milliseconds) {
    TheTimer.running = true;
    TheTimer.period = milliseconds > 0 ? milliseconds : 1;
    TheTimer.next = SDL_GetTicks() + TheTimer.period;
}

void StopTimer() { TheTimer.running = false; }
void BeforeQuit() {}

DWORD Milliseconds() { return SDL_GetTicks(); }
void SleepMilliseconds(DWORD milliseconds) { SDL_Delay(milliseconds); }
std::int64_t CounterTicks() { return static_cast<std::int64_t>(SDL_GetPerformanceCounter()); }
std::int64_t CounterFrequency() { return static_cast<std::int64_t>(SDL_GetPerformanceFrequency()); }

bool Present(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    return SdlVideoPresent(pixels, width, height, pitchPixels);
}

void Shutdown() { SDL_Quit(); }

int ScreenWidth() {
    int w, h;
    SdlVideoDesktopSize(&w, &h);
    return w;
}

int ScreenHeight() {
    int w, h;
    SdlVideoDesktopSize(&w, &h);
    return h;
}

}  // namespace backend
