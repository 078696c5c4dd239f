// Test support: the pieces of a world that several subsystems' fixtures build alike.
#include "tests/support/world.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/globals.h"
#include "platform/headless/headless_audio.h"
#include "platform/resource.h"
#include "shell/shell.h"
#include "sound/sound.h"
#include "tests/sound/wave_images.h"

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

void WorldTest::SetUp() {
    GameTest::SetUp();
    trace_.emplace();
    for (int id : SOUND_RESOURCES) ResourceOverride(RT_WAVE, MAKEINTRESOURCEA(id), SimpleWave(441));
    SoundInit(nullptr);
    FillSineTable();
    GraphxEnableAdapter(0, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    GraphxInit(nullptr, nullptr, false);
    Landscape::Init(0, 2);
}

void WorldTest::TearDown() {
    GameTest::TearDown();
    trace_.reset();
}

std::unique_ptr<Landscape> WorldTest::AirLandscape(int width, int height) {
    auto land = std::make_unique<Landscape>();
    land->width = width;
    land->height = height;
    land->skyWidth = width / 4 + SCREEN_WIDTH;
    land->skyHeight = height / 4 + SCREEN_HEIGHT;
    land->lowestAir = std::make_unique<std::int32_t[]>(width);
    land->topSolid = std::make_unique<std::int32_t[]>(width);
    std::fill_n(MaterialMap.begin(), width * height, Air);
    HDC dc = nullptr;
    if (GetHDC(&dc, OFFSCREEN, LandscapeSurface, -1)) {
        GraphxFillRect(dc, 0, 0, MAX_LANDSCAPE_WIDTH, MAX_LANDSCAPE_HEIGHT, 0xFFFFFF);
        ReleaseHDC(dc, OFFSCREEN, LandscapeSurface, -1);
    }
    land->ScanAllColumns();
    return land;
}

std::vector<int> WorldTest::Played() { return AudioTakePlayed(); }
