// The SDL backend of the platform layer: events become the game's input, SDL's clock drives the
// timer, and finished frames go to the presenter.
#include <SDL.h>
#include <poll.h>
#include <time.h>

#include <vector>

#include "diag/diag.h"
#include "platform/backend.h"
#include "platform/sdl/gamepad/sdl_gamepads.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/sdl_events.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/sdl_pointer.h"
#include "platform/sdl/sdl_video.h"

namespace {

struct Timer {
    bool running = false;
    Uint32 period = 20;
    Uint32 next = 0;
};

Timer TheTimer;

// Gamepads start once the first frame has been shown, so that they cost start-up nothing.
bool FrameShown = false;

// Posts what an event asks for, in order.
void PostAll(const EventInputs& inputs) {
    for (int i = 0; i < inputs.count; ++i) PostInput(inputs.items[i]);
}

void PostKey(const SDL_KeyboardEvent& key) {
    EventInputs inputs = InputsForKey(key);
    if (inputs.toggleFullscreen) SdlVideoToggleFullscreen();
    if (inputs.count == 0 && !inputs.toggleFullscreen && key.type == SDL_KEYDOWN && !key.repeat)
        DiagTrace(DIAG_DEBUG, "main", __LINE__, "PostKey", "Key \"%s\" has no meaning in the game",
                  SDL_GetKeyName(key.keysym.sym));
    PostAll(inputs);
}

void PostEach(const std::vector<InputEvent>& inputs) {
    for (const InputEvent& input : inputs) PostInput(input);
}

void PostGamepad(const SDL_Event& event) {
    std::vector<InputEvent> inputs;
    bool toggleFullScreen = false;
    SdlGamepadEvent(event, &inputs, &toggleFullScreen);
    if (toggleFullScreen) SdlVideoToggleFullscreen();
    PostEach(inputs);
}

void PostPointer(const SDL_Event& event) {
    std::vector<InputEvent> inputs;
    SdlPointerEvent(event, &inputs);
    PostEach(inputs);
}

// The pointer lets go of what it holds when the window loses the focus, as the keyboard's keys
// are let go.
void PostPointerLetGo() {
    std::vector<InputEvent> inputs;
    SdlPointerLetGo(&inputs);
    PostEach(inputs);
}

void PostPointerTick() {
    std::vector<InputEvent> inputs;
    SdlPointerTick(&inputs);
    PostEach(inputs);
}

void PostWindowEvent(const SDL_WindowEvent& event) {
    if (event.event == SDL_WINDOWEVENT_EXPOSED || event.event == SDL_WINDOWEVENT_SIZE_CHANGED)
        SdlVideoRefresh();
    if (event.event == SDL_WINDOWEVENT_FOCUS_LOST) PostPointerLetGo();
    PostAll(InputsForWindowEvent(event));
}

void Translate(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            PostInput(InputEvent::CloseRequest());
            break;
        case SDL_WINDOWEVENT:
            PostWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            PostKey(event.key);
            break;
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
        case SDL_MOUSEWHEEL:
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP:
            PostPointer(event);
            break;
        case SDL_AUDIODEVICEADDED:
        case SDL_AUDIODEVICEREMOVED:
            SdlAudioDeviceEvent(
                {event.type == SDL_AUDIODEVICEADDED, event.adevice.which, event.adevice.iscapture != 0});
            break;
        default:
            PostGamepad(event);
            break;
    }
}

// Milliseconds until the timer is due, or -1 to wait for input alone.
int TimeToTick() {
    if (!TheTimer.running) return -1;
    Uint32 now = SDL_GetTicks();
    return SDL_TICKS_PASSED(now, TheTimer.next) ? 0 : static_cast<int>(TheTimer.next - now);
}

// Waits for an event at most `timeout` ms, or for as long as it takes when it is -1. On X11 the wait
// is the window's connection to the server becoming readable, once SDL has taken in all it had read
// from it; SDL_PollEvent then takes the events. SDL's own blocking wait is not used there: for every
// event it reads while waiting it wakes itself by sending an event to the window over a second
// connection, and when that event is a key that ends the game the window can be gone before the
// server takes it, for which Xlib ends the process with status 1. Elsewhere SDL waits. Input from
// other sources (gamepads, sound devices) waits for the next tick.
bool WaitForEvent(SDL_Event& event, int timeout) {
    const int connection = SdlVideoXConnection();
    if (connection < 0) return SDL_WaitEventTimeout(&event, timeout) != 0;
    if (SDL_PollEvent(&event)) return true;
    pollfd readable{connection, POLLIN, 0};
    poll(&readable, 1, timeout);
    return SDL_PollEvent(&event) != 0;
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
        if (timeout != 0 && WaitForEvent(event, timeout)) Translate(event);
    }
    while (SDL_PollEvent(&event)) Translate(event);
    PostPointerTick();
    if (FrameShown) SdlGamepadsStart();
    SdlVideoCatchUp();
    SdlAudioPoll();
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

// SDL's clock starts with SDL, so it reads nearly the same at every launch; the start-up clock,
// which seeds a game started without a seed, counts from the system's start, time asleep included.
DWORD BootMilliseconds() {
    timespec now{};
#ifdef CLOCK_BOOTTIME
    clock_gettime(CLOCK_BOOTTIME, &now);
#else
    clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return static_cast<DWORD>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void SleepMilliseconds(DWORD milliseconds) { SDL_Delay(milliseconds); }
std::int64_t CounterTicks() { return static_cast<std::int64_t>(SDL_GetPerformanceCounter()); }
std::int64_t CounterFrequency() { return static_cast<std::int64_t>(SDL_GetPerformanceFrequency()); }

bool Present(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    bool shown = SdlVideoPresent(pixels, width, height, pitchPixels);
    FrameShown = FrameShown || shown;
    return shown;
}

void Shutdown() {
    SdlGamepadsStop();
    SDL_Quit();
}

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

std::string SystemLanguage() { return ""; }

}  // namespace backend

bool SdlParseSeed(const char* text, std::uint32_t* seed) {
    if (!text || !*text) return false;
    std::uint64_t value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(*c - '0');
        if (value > 0xFFFFFFFFu) return false;
    }
    *seed = static_cast<std::uint32_t>(value);
    return true;
}
