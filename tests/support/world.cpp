// Test support: the pieces of a world that several subsystems' fixtures build alike.
#include "tests/support/world.h"

#include <gtest/gtest.h>

#include "platform/resource.h"
#include "tests/sound/wave_images.h"

void InstallSounds(std::size_t frames) {
    for (int id : SOUND_RESOURCES) ResourceOverride(RT_WAVE, MAKEINTRESOURCEA(id), SimpleWave(frames));
}

COLORREF PixelOf(int n, int s, int x, int y) {
    HDC dc = nullptr;
    if (!GetHDC(&dc, n, s, -1)) return CLR_INVALID;
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseHDC(dc, n, s, -1);
    return colour;
}

void SetPixelOf(int n, int s, int x, int y, COLORREF colour) {
    HDC dc = nullptr;
    if (!GetHDC(&dc, n, s, -1)) return;
    SetPixel(dc, x, y, colour);
    ReleaseHDC(dc, n, s, -1);
}

void FillLand(Landscape& land, int left, int top, int right, int bottom, std::int32_t material,
              COLORREF colour) {
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, OFFSCREEN, LandscapeSurface, -1));
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            land.Cell(x, y) = material;
            SetPixel(dc, x, y, colour);
        }
    }
    ReleaseHDC(dc, OFFSCREEN, LandscapeSurface, -1);
    land.ScanAllColumns();
}
