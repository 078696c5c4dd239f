// Tests of the presenter in a real X11 window (run inside a virtual X display): the first frame,
// which goes to the X server without the window surface (later frames go as on the offscreen
// driver), and the window's icon.
// gtest first: Xlib's macros (None, Bool) would otherwise rename its names.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/sdl/sdl_video.h"
#include "tests/platform/sdl/test_page.h"

namespace {

constexpr int WINDOW_W = 1000, WINDOW_H = 600;

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

    bool Present() { return SdlVideoPresent(page.data(), PAGE_W, PAGE_H, PAGE_W); }
    // Counts the pixels the X server shows that differ from what the page should show; -1 when the
    // window cannot be read. The request goes on SDL's own connection, so the server has handled
    // everything sent before it.
    int Wrong() {
        XImage* image = XGetImage(display, window, 0, 0, WINDOW_W, WINDOW_H, AllPlanes, ZPixmap);
        if (!image) return -1;
        int wrong = 0;
        for (int y = 0; y < WINDOW_H; ++y)
            for (int x = 0; x < WINDOW_W; ++x)
                wrong +=
                    (static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu) != ShownAt(page, x, y);
        XDestroyImage(image);
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
    std::vector<std::uint16_t> page = TestPage();
};

TEST_F(X11PresenterTest, TheFirstFrameReachesTheServerWithoutTheWindowSurface) {
    ASSERT_TRUE(Present());
    EXPECT_EQ(Wrong(), 0);
    EXPECT_TRUE(SurfacePictureUntouched()) << "the first frame was sent through the shared surface";
    // SDL's start did not parse the locale's whole compose table: the player named none.
    const char* table = std::getenv("XCOMPOSEFILE");
    ASSERT_NE(table, nullptr);
    EXPECT_STREQ(table, "/dev/null");
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
