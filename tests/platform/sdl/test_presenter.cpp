// Tests of the presenter in a real SDL window on SDL's offscreen driver, asked for by name: what
// reaches the window's surface, what an unchanged or slightly changed frame redraws, and Alt+Enter.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sdl/sdl_video.h"
#include "tests/platform/sdl/test_page.h"
#include "tests/support/capture.h"

namespace {

class PresenterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("LOBSHOT_WINDOWED", "1", 1);
    }
    void SetUp() override {
        ASSERT_TRUE(SdlVideoOpen("Lobshot test"));
        SDL_SetWindowSize(SdlVideoWindow(), 1000, 600);
        SDL_PumpEvents();
    }
    void TearDown() override { SdlVideoClose(); }

    bool Present() { return SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W); }
    // The surface pixel at (x, y) as 8-bit red, green and blue packed 0xRRGGBB.
    std::uint32_t At(int x, int y) {
        SDL_Surface* s = SDL_GetWindowSurface(SdlVideoWindow());
        Uint32 pixel = 0;
        std::memcpy(&pixel, static_cast<Uint8*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                    s->format->BytesPerPixel);
        Uint8 r, g, b;
        SDL_GetRGB(pixel, s->format, &r, &g, &b);
        return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
    }
    bool FullScreen() { return (SDL_GetWindowFlags(SdlVideoWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0; }

    std::vector<std::uint16_t> page = TestPage();
};

TEST_F(PresenterTest, ShowsThePageAt4By3OnBlack) {
    ASSERT_TRUE(Present());
    SDL_Surface* surface = SDL_GetWindowSurface(SdlVideoWindow());
    ASSERT_EQ(surface->w, 1000);
    ASSERT_EQ(surface->h, 600);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 1000; x += 3) ASSERT_EQ(At(x, y), ShownAt(page, x, y)) << x << "," << y;
    EXPECT_EQ(At(99, 599), 0u);
    EXPECT_EQ(At(900, 0), 0u);
    EXPECT_EQ(At(999, 599), 0u);
}

TEST_F(PresenterTest, SkipsAnUnchangedFrameAndRedrawsOnlyWhatChanged) {
    ASSERT_TRUE(Present());
    SDL_Surface* surface = SDL_GetWindowSurface(SdlVideoWindow());
    std::memset(surface->pixels, 0x55, static_cast<std::size_t>(surface->pitch) * surface->h);
    const std::uint32_t mark = At(0, 0);
    ASSERT_TRUE(Present());
    EXPECT_EQ(At(500, 300), mark) << "the same frame is not drawn again";

    // Page pixel (10, 20) covers window columns 125-126 and rows 60-62.
    page[20 * PAGE_W + 10] ^= 0xFFFF;
    ASSERT_TRUE(Present());
    for (int y = 60; y < 63; ++y)
        for (int x = 125; x < 127; ++x) EXPECT_EQ(At(x, y), ShownAt(page, x, y)) << x << "," << y;
    for (const auto& [x, y] : {std::pair{124, 60}, {127, 62}, {126, 59}, {126, 63}, {50, 300}})
        EXPECT_EQ(At(x, y), mark) << x << "," << y << ": drawn again";

    // An exposed window is drawn again whole, borders included, once the events are handled.
    SdlVideoRefresh();
    SdlVideoCatchUp();
    EXPECT_EQ(At(500, 300), ShownAt(page, 500, 300));
    EXPECT_EQ(At(50, 300), 0u);
}

TEST_F(PresenterTest, AltEnterPressesAreAppliedOnceAFrame) {
    ASSERT_TRUE(Present());
    ASSERT_FALSE(FullScreen());
    SdlVideoToggleFullscreen();
    SdlVideoToggleFullscreen();
    EXPECT_FALSE(FullScreen()) << "nothing changes before the next frame";
    ASSERT_TRUE(Present());
    EXPECT_FALSE(FullScreen()) << "two presses cancel";
    for (int i = 0; i < 3; ++i) SdlVideoToggleFullscreen();
    ASSERT_TRUE(Present());
    EXPECT_TRUE(FullScreen());
    ASSERT_TRUE(Present());
    EXPECT_TRUE(FullScreen()) << "the presses were used up";
}

TEST_F(PresenterTest, ALongRunOfFramesWhileTheGameIsBusyIsTracedOnce) {
    TraceCapture trace;
    // A landscape's progress: frame after frame with no look at the events between them; then the
    // game's usual pace, one frame between looks at the events.
    for (int i = 0; i < 55; ++i) {
        page[i] ^= 0xFFFF;
        ASSERT_TRUE(Present());
        if (i >= 24) SdlVideoCatchUp();
    }
    const std::string text = trace.Text();
    EXPECT_NE(text.find("PlatformPresent: 25 frames shown in "), std::string::npos) << text;
    EXPECT_EQ(text.find("frames shown in"), text.rfind("frames shown in")) << text;
}

}  // namespace
