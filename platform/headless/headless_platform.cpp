// The headless backend of the platform layer: scripted input, manual ticks, a recorded frame.
#include "platform/headless/headless_platform.h"

#include <chrono>

#include "platform/backend.h"
#include "platform/clipboard.h"

namespace {

constexpr DWORD TICK_MILLISECONDS = 20;

struct HeadlessState {
    HeadlessDriver* driver = nullptr;
    DWORD clock = 0;
    std::uint32_t ticks = 0;
    bool failWindow = false;
    bool windowOpen = false;
    HeadlessFrame frame;
    HeadlessClipboard clipboard;
};

HeadlessState State;

}  // namespace

void HeadlessSetDriver(HeadlessDriver* driver) { State.driver = driver; }
void HeadlessSetClock(DWORD milliseconds) { State.clock = milliseconds; }
std::uint32_t HeadlessTickCount() { return State.ticks; }
void HeadlessFailWindowCreation(bool fail) { State.failWindow = fail; }
const HeadlessFrame& HeadlessLastFrame() { return State.frame; }

HeadlessClipboard& HeadlessClipboardTwin() { return State.clipboard; }

bool PlatformCopyText(const std::string& text) {
    State.clipboard.copied = text;
    return true;
}
std::string PlatformPastedText() { return State.clipboard.pasted; }
bool PlatformCanShare() { return State.clipboard.canShare; }
bool PlatformShareLink(const std::string&, const std::string& link) {
    State.clipboard.shared = link;
    return State.clipboard.canShare;
}
bool PlatformTouchScreen() { return State.clipboard.touch; }

void HeadlessTick() {
    State.clock += TICK_MILLISECONDS;
    ++State.ticks;
    PostMessageA(PlatformMainWindow(), WM_TIMER, 0, 0);
}

void HeadlessResetForTests() { State = HeadlessState{}; }

namespace backend {

bool OpenWindow(const char*, int, int) {
    if (State.failWindow) return false;
    State.windowOpen = true;
    return true;
}

void CloseWindow() { State.windowOpen = false; }
void SetCursorHidden(bool) {}

void PumpEvents(bool wait) {
    if (!wait) return;
    if (!State.driver || !State.driver->Feed()) PostQuitMessage(0);
}

// Ticks come from the driver, never from a clock.
bool TimerDue(bool) { return false; }
void StartTimer(UINT) {}
void StopTimer() {}

void BeforeQuit() {
    if (State.driver) State.driver->BeforeQuit();
}

DWORD Milliseconds() { return State.clock; }
// The system started when the script did.
DWORD BootMilliseconds() { return State.clock; }
void SleepMilliseconds(DWORD) {}

std::int64_t CounterTicks() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::int64_t CounterFrequency() { return 1000000000; }

bool Present(const std::uint16_t* pixels, int width, int height, int pitchPixels) {
    HeadlessFrame& f = State.frame;
    f.width = width;
    f.height = height;
    f.pixels.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        std::copy(pixels + static_cast<std::size_t>(y) * pitchPixels,
                  pixels + static_cast<std::size_t>(y) * pitchPixels + width,
                  f.pixels.begin() + static_cast<std::size_t>(y) * width);
    ++f.presents;
    return true;
}

int ScreenWidth() { return 320; }
void Shutdown() {}
int ScreenHeight() { return 200; }
std::string SystemLanguage() { return ""; }

}  // namespace backend
