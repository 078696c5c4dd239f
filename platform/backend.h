// What each backend (SDL or headless) supplies beneath the portable half of the platform layer.
//
// The portable half (platform/window.cpp) keeps the window record, the message queue and the last
// error; a backend turns its own input into the game's input (platform/input.h) and posts it, keeps
// time and shows frames.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win.h"

namespace backend {

// Opens (or, headless, pretends to open) the visible output. False when it cannot.
bool OpenWindow(const char* title, int width, int height);
void CloseWindow();
void SetCursorHidden(bool hidden);

// Moves pending input into the message queue with PostInput. With wait set, blocks until some
// input has been posted or the timer is due; the headless backend runs its script here.
void PumpEvents(bool wait);

// Whether the window timer is due. With consume set, a due tick is taken and the next one is
// scheduled: by SDL one period later (no catch-up: a late tick is followed by a full period), as
// its waits end on time; by the page a period after the tick taken, as a browser wakes it only once
// a displayed frame, so ticks missed meanwhile are due at once (a few at most after a stall).
bool TimerDue(bool consume);
void StartTimer(UINT milliseconds);
void StopTimer();

// Called once when GetMessageA is about to report WM_QUIT, while the game is still intact.
void BeforeQuit();

DWORD Milliseconds();
// Milliseconds since the system started, truncated to 32 bits (headless: the scripted clock).
DWORD BootMilliseconds();
void SleepMilliseconds(DWORD milliseconds);
std::int64_t CounterTicks();
std::int64_t CounterFrequency();

bool Present(const std::uint16_t* pixels, int width, int height, int pitchPixels);
int ScreenWidth();
void Shutdown();
int ScreenHeight();

// The language the person's browser prefers ("de-AT"), which on the page stands for the
// environment's locale; "" natively, where the language choice reads the environment itself.
std::string SystemLanguage();

}  // namespace backend

// Portable half: the window procedure of the one window, for backends that deliver messages at
// once (the first activation of a new window), and a reset for tests.
LRESULT PlatformSendMessage(UINT message, WPARAM wParam, LPARAM lParam);
HWND PlatformMainWindow();
void PlatformResetForTests();
// Between two runs of the program (another run, in the room the online menu opened): everything as
// PlatformResetForTests leaves it but the window, which stays on the screen as it is and which the
// next CreateWindowExA takes up again.
void PlatformResetKeepingWindow();
