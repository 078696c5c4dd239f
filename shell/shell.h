// The game shell: start-up, the message loop, the window procedure, the modes and the keys.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win.h"

// The program: start-up, the 20 ms loop, shutdown. Returns 0 after a normal run and 1 when start-up
// failed (after a message on standard error).
int WinMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine, int showCommand);

bool appInitialize(HWND* window, HINSTANCE instance, int showCommand);
HWND CreateProgramWindow(HINSTANCE instance, int showCommand, WNDPROC procedure);
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
bool ProcessImportantEvents(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void appFinalize();

// Frees the game objects and puts every process-wide variable back to its value before start-up.
void ShellResetForTests();

// Fills SineTable from its data resource (RCDATA SINE_TABLE_ID); false, leaving it all zeros,
// when the resource is missing or of another size.
constexpr int SINE_TABLE_ID = 140;
bool FillSineTable();

// Modes and the frame step.
void SwitchToMode(std::uint32_t mode);
void doLoopProcessing();

// Keys: true when the message is handled.
bool ProcessKeyEvent(UINT message, WPARAM wParam, LPARAM lParam);
// A computer player's key: pressed and released at once, through the same commands as a person's.
void ProcessComputerKey(int key);

// Wall time of the frame steps and of landscape generation, kept only when enabled (the replay
// runner's --timing and the benchmarks).
struct ShellTimings {
    bool enabled = false;
    std::vector<std::int64_t> frameNanoseconds;
    std::int64_t longestTerraformNanoseconds = 0;
};
extern ShellTimings Timings;
