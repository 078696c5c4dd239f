// Fast-forward: while a shot flies and the ground settles, holding the fast key runs several frame
// steps a tick, showing only the last of them, as a machine fallen behind catches up. Aiming, the
// menus and the shop always run at the window's pace.
//
// The key is Tab; a pad's right stick pressed, the pointer held on the picture during a shot and the
// page's Fast control hold it too (they make the same key). RouteInput takes it before the network
// game and the replay, so that it is never sent, recorded nor seen by the rules: the steps and the
// keys each step reads are the same with it held or not, and a replay made with it held plays the
// same game at the ordinary pace (its viewer may hold the key as well). At one keyboard it runs fast
// while held; in a network game only while the people of every machine hold it (netplay/fast_pace.h).
#pragma once

#include "platform/input.h"
#include "platform/win.h"

constexpr int FAST_KEY = VK_TAB;
// The steps a tick runs while fast (the game at five times its pace), within FAST_TICK_BUDGET_MS
// of the window's clock from the tick's first, so that a slow machine stays responsive.
constexpr int FAST_STEPS_PER_TICK = 5;
constexpr DWORD FAST_TICK_BUDGET_MS = 15;

// RouteInput: the fast key's presses and releases (true: taken); the window losing the focus lets
// it go, and goes on.
bool ShellTakeFastKey(const InputEvent& input);
// Just before each frame step: plans whether another step follows this one within the tick.
void ShellFastBeforeStep();
// During and after the step: whether another step follows at once, so that this one is not shown.
bool ShellFastRunsAnother();
// The small "Fast" mark in the picture's top right corner while the game runs fast.
bool ShellFastShown();
void ShellDrawFastMark(int device, int surface);
void ShellResetFastForward();
