// Tests of the presenter in a real X11 window (run inside a virtual X display): the first frame,
// which goes to the X server without the window surface, the frames that follow it, and the
// window's icon.
// gtest first: Xlib's macros (None, Bool) would otherwise rename its names.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/sdl/sdl_scaler.h"
#include "platform/sdl/sdl_video.h"

namespace {

constexpr int PAGE_W = 320, PAGE_H = 200;
constexpr int WINDOW_W = 1000, WINDOW_H = 600;  // the picture 800x600 between bars 100 wide

std::vector<std::uint16_t> Page() {
    std::vector<std::uint16_t> page(PAGE_W * PAGE_H);
    for (int y = 0; y < PAGE_H; ++y)
        for (int x = 0; x < PAGE_W; ++x)
            page[y * PAGE_W + x] =
                static_cast<std::uint16_t>(((x % 32) << 11) | ((y % 64) << 5) | (x / 32 + 1));
    return page;
}

// What the window should show at (x, y), as 0xRRGGBB.
std::uint32_t Expected(const std::vector<std::uint16_t>& page, int x, int y) {
    if (x < 100 || x >= 900) return 0;
    int sx = (2 * (x - 100) + 1) * PAGE_W / 1600, sy = (2 * y + 1) * PAGE_H / 1200;
    return ConvertRgb565(page[sy * PAGE_W + sx], PixelLayout{});
}

class X11PresenterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("LOBSHOT_WINDOWED", "1", 1);
        unsetenv("XCOMPOSEFILE");
    }
    void SetUp() override {
        ASSERT_TRUE(SdlVideoOpen("Lobshot test"));
        SDL_SetWindowSize(SdlVideoWindow(), WINDOW_W, WINDOW_H);
        SDL_PumpEvents();
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        ASSERT_TRUE(SDL_GetWindowWMInfo(SdlVideoWindow(), &info));
        ASSERT_EQ(info.subsystem, SDL_SYSWM_X11);
        display = info.info.x11.display;
        window = info.info.x11.window;
        XWindowAttributes attributes;
        ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes));
        ASSERT_EQ(attributes.width, WINDOW_W);
        ASSERT_EQ(attributes.height, WINDOW_H);
        ASSERT_EQ(attributes.depth, 24) << "the test reads 24-bit true colour";
    }
    void TearDown() override { SdlVideoClose(); }

    // The whole window as the X server shows it, 0xRRGGBB per pixel. The requests go on SDL's own
    // connection, so the server has handled everything sent before them.
    std::vector<std::uint32_t> Screen() {
        std::vector<std::uint32_t> pixels;
        XImage* image = XGetImage(display, window, 0, 0, WINDOW_W, WINDOW_H, AllPlanes, ZPixmap);
        if (!image) return pixels;
        pixels.reserve(WINDOW_W * WINDOW_H);
        for (int y = 0; y < WINDOW_H; ++y)
            for (int x = 0; x < WINDOW_W; ++x)
                pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
        XDestroyImage(image);
        return pixels;
    }
    // Counts the pixels of the screen that differ from what the page should show.
    int Wrong(const std::vector<std::uint32_t>& screen, const std::vector<std::uint16_t>& page) {
        if (screen.size() != static_cast<std::size_t>(WINDOW_W * WINDOW_H)) return -1;
        int wrong = 0;
        for (int y = 0; y < WINDOW_H; ++y)
            for (int x = 0; x < WINDOW_W; ++x) wrong += screen[y * WINDOW_W + x] != Expected(page, x, y);
        return wrong;
    }
    // Whether the window surface's memory is still all zero inside the picture.
    bool SurfacePictureUntouched() {
        SDL_Surface* s = SDL_GetWindowSurface(SdlVideoWindow());
        for (int y = 0; y < s->h; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(s->pixels) + y * s->pitch;
            for (int x = 100 * 4; x < 900 * 4; ++x)
                if (row[x] != 0) return false;
        }
        return true;
    }

    Display* display = nullptr;
    ::Window window = 0;
};

TEST_F(X11PresenterTest, TheFirstFrameReachesTheServerWithoutTheWindowSurface) {
    std::vector<std::uint16_t> page = Page();
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    EXPECT_EQ(Wrong(Screen(), page), 0);
    EXPECT_TRUE(SurfacePictureUntouched()) << "the first frame was sent through the shared surface";
}

TEST_F(X11PresenterTest, XlibIsGivenAnEmptyComposeTableWhenThePlayerNamedNone) {
    const char* table = std::getenv("XCOMPOSEFILE");
    ASSERT_NE(table, nullptr) << "SDL's start parsed the locale's whole compose table";
    EXPECT_STREQ(table, "/dev/null");
}

TEST_F(X11PresenterTest, FramesAfterTheFirstUpdateWhatChangedAndKeepTheRest) {
    std::vector<std::uint16_t> page = Page();
    ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    // Page pixels in the first and last columns and rows, and one in the middle.
    for (int index : {0, PAGE_W - 1, 20 * PAGE_W + 10, (PAGE_H - 1) * PAGE_W, PAGE_H * PAGE_W - 1}) {
        page[index] ^= 0xFFFF;
        ASSERT_TRUE(SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W));
    }
    EXPECT_EQ(Wrong(Screen(), page), 0);
    EXPECT_FALSE(SurfacePictureUntouched());

    // An exposed window is drawn again whole through the surface.
    SdlVideoRefresh();
    SdlVideoCatchUp();
    EXPECT_EQ(Wrong(Screen(), page), 0);
}

// The window manager reads the icon from _NET_WM_ICON: width, height, then each pixel as ARGB.
TEST_F(X11PresenterTest, TheWindowCarriesTheGamesIcon) {
    Atom property = XInternAtom(display, "_NET_WM_ICON", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(display, window, property, 0, 1 << 20, False, XA_CARDINAL, &type, &format,
                                 &count, &after, &data),
              Success);
    ASSERT_NE(data, nullptr) << "the window has no icon";
    std::vector<unsigned long> icon(reinterpret_cast<unsigned long*>(data),
                                    reinterpret_cast<unsigned long*>(data) + count);
    XFree(data);
    ASSERT_EQ(icon.size(), 2u + 64 * 64);
    EXPECT_EQ(icon[0], 64u);
    EXPECT_EQ(icon[1], 64u);
    // The rounded corners are see-through; the middle is the opaque picture. Xlib hands each
    // 32-bit item over in a long.
    auto opacity = [&](int x, int y) { return (icon[2 + y * 64 + x] & 0xFFFFFFFFu) >> 24; };
    EXPECT_EQ(opacity(0, 0), 0u);
    EXPECT_EQ(opacity(63, 63), 0u);
    EXPECT_EQ(opacity(32, 32), 0xFFu);
}

}  // namespace
