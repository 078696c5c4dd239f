// The game shell: start-up, the message loop, the window procedure, the modes and the keys.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/win.h"

// The program: start-up, the 20 ms loop, shutdown. Returns 0 after a normal run and 1 when start-up
// failed (after a message on standard error).
int WinMain(HINSTANCE instance, HINSTANCE previous, const char* commandLine, int showCommand);

// Before WinMain: the seed start-up feeds to the game's random generator. Without one, start-up
// reads the start-up clock (GetTickCount), so that each launch plays a different game. A replay
// being played brings its own, and a machine joining a network game takes the host's.
void ShellStartWithSeed(std::uint32_t seed);

bool appInitialize(HWND* window, HINSTANCE instance, int showCommand);
HWND CreateProgramWindow(HINSTANCE instance, int showCommand, WNDPROC procedure);
// The window procedure: turns each message of the window's input into an event once and routes it
// (RouteInput); counts timer ticks; leaves the rest to the system.
LRESULT MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Activation changes and the close: true when handled.
bool ProcessImportantEvents(HWND window, const InputEvent& input);
void appFinalize();

// Where input goes (input_routing.cpp). Input from outside the game (the window's) is routed: in a
// network game a person's keys go to the network, to come back stamped; replay playback swallows
// the viewer's keys and the window's activation; the rest is applied. Applying input keeps it in
// the replay being recorded and hands it to the game: the network's news, the activation changes
// and the close, the keys. What the network game and replay playback deliver is applied directly.
// Both return true when the game handled the input (nothing is left to the system).
bool RouteInput(const InputEvent& input);
bool ApplyInput(const InputEvent& input);
// In each frame step, after held keys repeat: the computer players' keys of the step reach
// ApplyInput, worked out by them or, playing back a replay, recorded (replay/session.h).
void PressComputerKeys();

// The sound's keys (sound_keys.cpp): F7 turns the effects down and F8 up, SHELL_VOLUME_STEP per cent
// a press, and F9 turns the sound off or on again. RouteInput takes them before anything else, so
// that they are never sent, recorded nor seen by the game; each press (repeats included) sets the
// mixer's volume, shows the level over the picture for a moment ("Volume 70%", "Sound off") and
// tells the change to the watcher, if any. ShellSetSound sets the level at start-up, quietly.
constexpr int SHELL_VOLUME_STEP = 10;
struct ShellSound {
    int volume = 100;  // per cent
    bool mute = false;
};
void ShellSetSound(const ShellSound& sound);
ShellSound ShellSoundNow();
void ShellWatchSound(void (*changed)(const ShellSound& sound));
bool ShellTakeSoundKey(const InputEvent& input);
// The level's line while it is shown ("" when none), and drawing it over the finished picture.
std::string ShellSoundLine();
void ShellDrawSoundLine(int device, int surface);

// The room card (room_card.cpp): in a network game F4 (a pad's left stick pressed, a tap on the
// menu bar's far right) shows or hides, over every screen, the way into the game: an online room's
// code with its join and watch links (those the room's starter gave, else made from the page the
// network game knows), a spectator's watch code, a host's port and addresses on a local network, or
// a guest's host. RouteInput takes the key before the network game, so that it is never sent nor
// recorded; at one keyboard it is the game's as ever. The card goes with the network game.
struct NetWayIn;
struct OnlineRoom;
std::vector<std::string> ShellRoomCardLines(const NetWayIn& way, const OnlineRoom& online);
bool ShellTakeRoomCardKey(const InputEvent& input);
bool ShellRoomCardShown();
void ShellDrawRoomCard(int device, int surface);
void ShellHideRoomCard();

// With the message queue empty, what the message loop does next: the input due before the next
// frame step (replay playback's, the network game's) is delivered first, and the loop looks at the
// queue again; the step runs once a tick is pending, a windowed replay is not holding at its end
// and the network game holds the step's keys (until then the network is waited on a little);
// otherwise the loop waits for messages.
enum class LoopAction { LookAgain, RunStep, WaitForMessage };
LoopAction NextLoopAction();

// Frees the game objects and puts every process-wide variable back to its value before start-up.
void ShellResetForTests();

// Fills SineTable from its data resource (RCDATA SINE_TABLE_ID); false, leaving it all zeros,
// when the resource is missing or of another size.
constexpr int SINE_TABLE_ID = 140;
bool FillSineTable();

// Modes and the frame step.
void SwitchToMode(std::uint32_t mode);
void doLoopProcessing();

// Describes the screen for pointer input (pointer/pointer_screen.h): after each frame step and
// once start-up has shown the title.
void ShowPointerScreen();

// Keys: true when the key is handled; false for anything but a key.
bool ProcessKeyEvent(const InputEvent& input);
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
