// Tests of the presenter in a real SDL window on SDL's offscreen driver, asked for by name: what
// reaches the window's surface, what an unchanged or slightly changed frame redraws, and Alt+Enter.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "diag/diag.h"

#include "platform/sdl/sdl_scaler.h"
#include "platform/sdl/sdl_video.h"

namespace {

constexpr int PAGE_W = 320, PAGE_H = 200;

std::vector<std::uint16_t> Page() {
    std::vector<std::uint16_t> page(PAGE_W * PAGE_H);
    for (int y = 0; y < PAGE_H; ++y)
        for (int x = 0; x < PAGE_W; ++x)
            page[y * PAGE_W + x] =
                static_cast<std::uint16_t>(((x % 32) << 11) | ((y % 64) << 5) | (x / 32 + 1));
    return page;
}

class PresenterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("LOBSHOT_WINDOWED", "1", 1);
    }
    void SetUp() override {
        ASSERT_TRUE(SdlVideoOpen("Lobshot test"));
        // 1000x600 shows the picture as 800x600 between black bars 100 pixels wide.
        SDL_SetWindowSize(SdlVideoWindow(), 1000, 600);
        SDL_PumpEvents();
    }
    void TearDown() override { SdlVideoClose(); }

    SDL_Surface* Surface() { return SDL_GetWindowSurface(SdlVideoWindow()); }

    // The surface pixel at (x, y) as 8-bit red, green and blue packed 0xRRGGBB.
    std::uint32_t At(int x, int y) {
        SDL_Surface* s = Surface();
        Uint32 pixel = 0;
        std::memcpy(&pixel, static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                    s->format->BytesPerPixel);
        Uint8 r, g, b;
        SDL_GetRGB(pixel, s->format, &r, &g, &b);
        return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
    }
    // What the picture should show at (x, y) of the 1000x600 window.
    std::uint32_t Expected(const std::vector<std::uint16_t>& page, int x, int y) {
        if (x < 100 || x >= 900) return 0;
        int sx = (2 * (x - 100) + 1) * PAGE_W / 1600, sy = (2 * y + 1) * PAGE_H / 1200;
        return ConvertRgb565(page[sy * PAGE_W + sx], PixelLayout{});
    }
    void Scribble() {
        SDL_Surface* s = Surface();
        std::memset(s->pixels, 0x55, static_cast<std::size_t>(s->pitch) * s->h);
    }
    std::uint32_t Scribbled() {
        Scribble();
        std::uint32_t value = At(0, 0);
        return value;
    }
};

TEST_F(PresenterTest, ShowsThePageAt4By3OnBlack) {
    std::vector<std::uint16_t> page = Page();
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    ASSERT_EQ(Surface()->w, 1000);
    ASSERT_EQ(Surface()->h, 600);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 1000; x += 3) ASSERT_EQ(At(x, y), Expected(page, x, y)) << x << "," << y;
    EXPECT_EQ(At(99, 599), 0u);
    EXPECT_EQ(At(900, 0), 0u);
    EXPECT_EQ(At(999, 599), 0u);
}

TEST_F(PresenterTest, SkipsAnUnchangedFrameAndRedrawsOnlyWhatChanged) {
    std::vector<std::uint16_t> page = Page();
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    std::uint32_t mark = Scribbled();
    ASSERT_NE(mark, Expected(page, 0, 0));
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    EXPECT_EQ(At(500, 300), mark) << "the same frame is not drawn again";

    // Page pixel (10, 20) covers window columns 125-126 and rows 60-62.
    page[20 * PAGE_W + 10] ^= 0xFFFF;
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    for (int y = 60; y < 63; ++y)
        for (int x = 125; x < 127; ++x) EXPECT_EQ(At(x, y), Expected(page, x, y)) << x << "," << y;
    EXPECT_EQ(At(124, 60), mark);
    EXPECT_EQ(At(127, 62), mark);
    EXPECT_EQ(At(126, 59), mark);
    EXPECT_EQ(At(126, 63), mark);
    EXPECT_EQ(At(50, 300), mark) << "the borders are not drawn again";

    // An exposed window is drawn again whole, borders included, once the events are handled.
    SdlVideoRefresh();
    SdlVideoCatchUp();
    EXPECT_EQ(At(500, 300), Expected(page, 500, 300));
    EXPECT_EQ(At(50, 300), 0u);
}

TEST_F(PresenterTest, AltEnterPressesAreAppliedOnceAFrame) {
    std::vector<std::uint16_t> page = Page();
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    auto fullscreen = [] {
        return (SDL_GetWindowFlags(SdlVideoWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
    };
    ASSERT_FALSE(fullscreen());
    SdlVideoToggleFullscreen();
    SdlVideoToggleFullscreen();
    EXPECT_FALSE(fullscreen()) << "nothing changes before the next frame";
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    EXPECT_FALSE(fullscreen()) << "two presses cancel";
    SdlVideoToggleFullscreen();
    SdlVideoToggleFullscreen();
    SdlVideoToggleFullscreen();
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    EXPECT_TRUE(fullscreen());
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    EXPECT_TRUE(fullscreen()) << "the presses were used up";
}

TEST_F(PresenterTest, ALongRunOfFramesWhileTheGameIsBusyIsTracedOnce) {
    std::FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    DiagSetStandardOutput(capture);
    std::vector<std::uint16_t> page = Page();
    // A landscape's progress: frame after frame with no look at the events between them.
    for (int i = 0; i < 25; ++i) {
        page[i] ^= 0xFFFF;
        ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    }
    SdlVideoCatchUp();
    SdlVideoCatchUp();
    // The game's usual pace: one frame between looks at the events.
    for (int i = 0; i < 30; ++i) {
        page[i] ^= 0xFFFF;
        ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
        SdlVideoCatchUp();
    }
    DiagSetStandardOutput(nullptr);
    std::rewind(capture);
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, capture)) text += buffer;
    std::fclose(capture);
    EXPECT_NE(text.find("PlatformPresent: 25 frames shown in "), std::string::npos) << text;
    EXPECT_EQ(text.find("frames shown in"), text.rfind("frames shown in")) << text;
}

}  // namespace
