// Test support for the landscape: start-up's display and landscape set-up, and pixel access.
#include "tests/landscape/landscape_fixture.h"

#include "core/globals.h"
#include "core/random.h"
#include "display/graphx.h"
#include "shell/shell.h"

void LandscapeTest::SetUp() {
    GameTest::SetUp();
    trace_ = std::make_unique<TraceCapture>();
    LandscapeResetForTests();
    FillSineTable();
    GraphxEnableAdapter(0, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    GraphxInit(nullptr, nullptr, false);
    Landscape::Init(0, 2);
}

void LandscapeTest::TearDown() {
    LandscapeResetForTests();
    GameTest::TearDown();
    trace_.reset();
}

std::unique_ptr<Landscape> LandscapeTest::Make(int width, int height) {
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

int LandscapeTest::DrawsSince(std::uint32_t state, int limit) {
    const std::uint32_t now = game::RandState();
    for (int n = 0; n <= limit; ++n) {
        if (state == now) return n;
        state = state * 214013u + 2531011u;
    }
    return -1;
}
