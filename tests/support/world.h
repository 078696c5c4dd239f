// Test support: the pieces of a world that several subsystems' fixtures build alike.
#pragma once

#include <cstdint>

#include "display/graphx.h"
#include "landscape/landscape.h"
#include "sound/sound_effect.h"

// The wave resources of the game's sounds, in sound-number order.
inline constexpr int SOUND_RESOURCES[SOUND_COUNT] = {189, 190, 191, 155, 156, 157, 158, 159, 161,
                                                     160, 162, 163, 167, 165, 166, 192, 174, 193};
// Every sound of the game as a plain wave of `frames` frames.
void InstallSounds(std::size_t frames);

// A pixel of an off-screen surface, or of a device page when n is a device; CLR_INVALID when no
// context is lent.
COLORREF PixelOf(int n, int s, int x, int y);
void SetPixelOf(int n, int s, int x, int y, COLORREF colour);

// Fills the rectangle (right and bottom outside) of the landscape with a material and its
// picture with a colour, then rescans the columns.
void FillLand(Landscape& land, int left, int top, int right, int bottom, std::int32_t material,
              COLORREF colour);
