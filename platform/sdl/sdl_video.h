// The SDL window and its presenter: the game's 320x200 page scaled to the 4:3 shape it had on a
// monitor, centred on black, full screen or in a window.
#pragma once

#include <SDL.h>

#include <cstdint>

bool SdlVideoInit();
bool SdlVideoOpen(const char* title);
void SdlVideoClose();
void SdlVideoToggleFullscreen();
// Drops the textures after the renderer lost them; the next frame makes them again.
void SdlVideoForgetTextures();
// Shows the last frame again (after the window was exposed or resized).
void SdlVideoRefresh();
bool SdlVideoPresent(const std::uint16_t* pixels, int width, int height, int pitchPixels);
void SdlVideoDesktopSize(int* width, int* height);
