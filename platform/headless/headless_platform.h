// The headless backend: no window, no device, no wall clock. A driver (the replay runner or a
// test) supplies input whenever the game waits for a message, and time moves only by its ticks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win.h"

// Supplies input. Feed is called whenever the game waits for a message with an empty queue; it
// posts ticks and input (HeadlessTick, PostInput) and returns true, or returns
// false to end the run (the game then receives WM_QUIT). BeforeQuit runs once as the run ends,
// while the game is still intact.
class HeadlessDriver {
public:
    virtual ~HeadlessDriver() = default;
    virtual bool Feed() = 0;
    virtual void BeforeQuit() {}
};

void HeadlessSetDriver(HeadlessDriver* driver);

// The millisecond clock, which GetTickCount and timeGetTime both read: starts at the given reading
// and moves 20 ms per tick. (The runners start it at the run's seed, as it always has been.)
void HeadlessSetClock(DWORD milliseconds);

// One timer tick: the clock moves on and WM_TIMER is posted to the window.
void HeadlessTick();
std::uint32_t HeadlessTickCount();

// Faults for tests: the window cannot be created.
void HeadlessFailWindowCreation(bool fail);

// The last frame handed over by the display, RGB565, row by row; empty before the first.
struct HeadlessFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint16_t> pixels;
    int presents = 0;
};
const HeadlessFrame& HeadlessLastFrame();

// The clipboard's twin (platform/clipboard.h): what the game copied and shared last, what a paste
// gives it, and whether it offers sharing and plays as on a touch screen.
struct HeadlessClipboard {
    std::string copied, pasted, shared;
    bool canShare = false;
    bool touch = false;
};
HeadlessClipboard& HeadlessClipboardTwin();

// Everything back to the start of a run (the driver is removed).
void HeadlessResetForTests();
