// The SDL window and its presenter: the game's 320x200 page scaled to the 4:3 shape it had on a
// monitor, centred on black, full screen or in a window, drawn by the CPU into the window's own
// surface (no renderer, no OpenGL).
#pragma once

#include <cstdint>
#include <string>

struct SDL_Window;

// Starts SDL's video once; later calls repeat the first answer without tracing again. SDL's
// invisible "offscreen" and "dummy" drivers are refused unless SDL_VIDEODRIVER names them, so a
// game without a display fails to start instead of running unseen.
bool SdlVideoInit();
bool SdlVideoOpen(const char* title);
void SdlVideoClose();
// Alt+Enter: gathered, and applied at most once a frame by the next SdlVideoPresent.
void SdlVideoToggleFullscreen();
// The window was exposed or resized: the whole window is drawn again, borders included, at the
// next SdlVideoCatchUp or SdlVideoPresent.
void SdlVideoRefresh();
// Draws what SdlVideoRefresh asked for; called after each batch of events. A long run of frames
// shown since the batch before (the game busy, as while it makes a landscape) is traced with its
// wall time.
void SdlVideoCatchUp();
// Shows the frame; an unchanged frame is skipped and a changed one updates only what it changed.
// False when the window could not show it (the reason is traced once until it can again).
bool SdlVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels);
void SdlVideoDesktopSize(int* width, int* height);
// The open window, or null; tests read its surface.
SDL_Window* SdlVideoWindow();
// The file descriptor of the open window's connection to its X server, to wait for its input on;
// -1 when there is no window or it is not on X11.
int SdlVideoXConnection();

// Whether SDL's chosen video driver may be used: any real one, or an invisible one that `asked`
// (SDL_VIDEODRIVER's value: a name or a comma-separated list, any case; null when unset) names.
bool SdlVideoDriverAllowed(const char* driver, const char* asked);

// The video driver the game asks SDL for before it starts: "x11" when an X display is named
// (DISPLAY) and no Wayland one (WAYLAND_DISPLAY), so SDL tries no other; null, leaving SDL its own
// order, when the player named drivers in SDL_VIDEODRIVER (`asked`) or there is no X display. Null
// or empty arguments count as unset.
const char* SdlVideoDriverToAsk(const char* display, const char* waylandDisplay, const char* asked);
// Why no window can be opened when SDL found no display, in words for the player, from DISPLAY and
// WAYLAND_DISPLAY (null or empty: unset).
std::string SdlNoDisplayReason(const char* display, const char* waylandDisplay);
// Whether the session has no message bus for SDL to connect to: no DBUS_SESSION_BUS_ADDRESS
// (`address`) and no "bus" socket in XDG_RUNTIME_DIR (`runtimeDirectory`). Null or empty
// arguments count as unset.
bool SdlNoSessionBus(const char* address, const char* runtimeDirectory);
// The compose table Xlib is to read while SDL starts (XCOMPOSEFILE): an empty one ("/dev/null"),
// since the game takes no typed text; null, keeping the player's, when `composeFile` (the
// variable's value) names one. Null or empty count as unset.
const char* SdlComposeTableToSet(const char* composeFile);
