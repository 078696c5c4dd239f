// The SDL backend's help with the game's command line.
#pragma once

#include <cstdint>

// The run's choices, made before WinMain from the command line and the player's settings: whether
// the window starts full screen (the start; LOBSHOT_WINDOWED=1 always starts it in a window), and
// that the game opens no sound device at all.
void SdlStartFullscreen(bool fullscreen);
void SdlStartWithoutSound();
// Called on the game's thread each time the player switches the window (Alt+Enter, the pad), with
// whether it is now full screen.
void SdlWatchFullscreen(void (*switched)(bool fullscreen));
// Switches between full screen and a window at the next look at the events, as Alt+Enter does.
void SdlSwitchFullscreen();

// Reads a seed as the command line gives it: decimal digits only, 0 to 4294967295.
bool SdlParseSeed(const char* text, std::uint32_t* seed);
