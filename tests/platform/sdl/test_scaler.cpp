// Tests of the presenter's arithmetic: the 4:3 fit, the nearest-neighbour scaler, the widening of
// RGB565, finding what a frame changed and gathering Alt+Enter presses.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/platform/sdl/test_page.h"

namespace {

constexpr PixelLayout XRGB8888{};
constexpr PixelLayout ARGB8888{4, 16, 8, 0, 0, 0, 0, 0xFF000000u};
constexpr PixelLayout RGB565{2, 11, 5, 0, 3, 2, 3, 0};

// An output buffer of `Pixel`s with a pitch 7 wider than a row, filled with a marker.
template <typename Pixel>
struct Output {
    int width, height, pitch;
    std::vector<Pixel> pixels;
    Output(int w, int h, Pixel marker)
        : width(w), height(h), pitch(w + 7), pixels(std::size_t(w + 7) * h, marker) {}
    Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * pitch + x]; }
    int PitchBytes() const { return pitch * static_cast<int>(sizeof(Pixel)); }
};

// The page pixel under the centre of an output pixel of the box.
std::uint16_t Nearest(const std::vector<std::uint16_t>& page, int pitch, const PixelRect& box, int x, int y) {
    int sx = static_cast<int>((2.0 * (x - box.x) + 1) * PAGE_W / (2.0 * box.w));
    int sy = static_cast<int>((2.0 * (y - box.y) + 1) * PAGE_H / (2.0 * box.h));
    return page[static_cast<std::size_t>(sy) * pitch + sx];
}

TEST(FitFourByThree, CentresTheLargest4By3Rectangle) {
    const struct {
        int w, h;
        PixelRect expected;
    } cases[] = {{1920, 1080, {240, 0, 1440, 1080}},
                 {1024, 768, {0, 0, 1024, 768}},
                 {960, 720, {0, 0, 960, 720}},
                 {800, 600, {0, 0, 800, 600}},
                 {1280, 1024, {0, 32, 1280, 960}},
                 {768, 1024, {0, 224, 768, 576}},
                 {3, 2, {0, 0, 3, 2}},
                 {1921, 1080, {240, 0, 1440, 1080}}};
    for (const auto& c : cases) EXPECT_EQ(FitFourByThree(c.w, c.h), c.expected) << c.w << "x" << c.h;
    EXPECT_TRUE(FitFourByThree(0, 0).Empty());
    EXPECT_TRUE(FitFourByThree(-5, 100).Empty());
}

TEST(ConvertRgb565, WidensEachChannelToFullRange) {
    // Red 16 of 31, green 32 of 63, blue 1 of 31: the top bits repeat below.
    const std::pair<std::uint32_t, std::uint32_t> widened[] = {
        {0xFFFF, 0xFFFFFF}, {0x0000, 0x000000}, {0xF800, 0xFF0000},
        {0x07E0, 0x00FF00}, {0x001F, 0x0000FF}, {(16 << 11) | (32 << 5) | 1, 0x848208}};
    for (const auto& [pixel, wide] : widened) EXPECT_EQ(ConvertRgb565(pixel, XRGB8888), wide) << pixel;
    EXPECT_EQ(ConvertRgb565(0x0000, ARGB8888), 0xFF000000u);
    // Into a 16-bit RGB565 output the pixel comes back unchanged.
    for (std::uint32_t p : {0x0000u, 0xFFFFu, 0x1234u, 0xF81Fu, 0x07E0u})
        EXPECT_EQ(ConvertRgb565(p, RGB565), p);
}

// The scale map samples the page pixel under each output pixel's centre: checked whole through
// what the scaler writes.
TEST(ScalePage, EveryOutputPixelIsItsNearestPagePixelOnBlack) {
    const int pitch = 330;
    const std::vector<std::uint16_t> page = TestPage(320, 200, pitch);
    for (const auto& [w, h] : {std::pair{1920, 1080}, {1024, 768}, {768, 1024}, {1000, 700}, {3, 2}}) {
        Output<std::uint32_t> out(w, h, 0x12345678u);
        ScaleMap map = MakeScaleMap(320, 200, w, h);
        FillBorders(map, ARGB8888, out.pixels.data(), out.PitchBytes());
        ScalePage(page.data(), pitch, map, ARGB8888, map.box, out.pixels.data(), out.PitchBytes());
        const PixelRect& box = map.box;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x <= w; ++x) {  // the pitch's first spare pixel is never written
                const bool inside = x >= box.x && x < box.x + box.w && y >= box.y && y < box.y + box.h;
                const std::uint32_t expected = x == w ? 0x12345678u
                                               : inside
                                                   ? ConvertRgb565(Nearest(page, pitch, box, x, y), ARGB8888)
                                                   : 0xFF000000u;
                ASSERT_EQ(out.At(x, y), expected) << w << "x" << h << " at " << x << "," << y;
            }
    }
    // A 16-bit output takes the page's pixels as they are.
    Output<std::uint16_t> out(400, 300, 0x5555);
    ScaleMap map = MakeScaleMap(320, 200, 400, 300);
    FillBorders(map, RGB565, out.pixels.data(), out.PitchBytes());
    ScalePage(page.data(), pitch, map, RGB565, map.box, out.pixels.data(), out.PitchBytes());
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            ASSERT_EQ(out.At(x, y), Nearest(page, pitch, map.box, x, y)) << x << "," << y;
}

TEST(ScalePage, UpdatingTheChangedAreaMatchesScalingEverything) {
    std::vector<std::uint16_t> before = TestPage(), after = before;
    for (int y = 37; y < 41; ++y)
        for (int x = 100; x < 103; ++x) after[static_cast<std::size_t>(y) * 320 + x] ^= 0xFFFF;
    ScaleMap map = MakeScaleMap(320, 200, 1280, 1024);
    Output<std::uint32_t> partial(1280, 1024, 0), whole(1280, 1024, 0);
    ScalePage(before.data(), 320, map, XRGB8888, map.box, partial.pixels.data(), partial.PitchBytes());
    PixelRect area = OutputArea(map, PixelRect{100, 37, 3, 4});
    EXPECT_EQ(area, (PixelRect{400, 210, 12, 19}));
    ScalePage(after.data(), 320, map, XRGB8888, area, partial.pixels.data(), partial.PitchBytes());
    ScalePage(after.data(), 320, map, XRGB8888, map.box, whole.pixels.data(), whole.PitchBytes());
    EXPECT_EQ(partial.pixels, whole.pixels);
    // A picture so small that no output pixel samples the area has nothing to update.
    EXPECT_TRUE(OutputArea(MakeScaleMap(320, 200, 3, 2), PixelRect{0, 0, 10, 10}).Empty());
}

TEST(FrameRecord, ReportsTheRectangleAFrameChanged) {
    const int pitch = 336;
    std::vector<std::uint16_t> page = TestPage(320, 200, pitch);
    auto flip = [&](int x, int y) { page[static_cast<std::size_t>(y) * pitch + x] ^= 1; };
    FrameRecord record;
    // An unchanged frame is skipped; what lies beyond the width in each row is not part of the frame.
    const std::pair<std::vector<std::pair<int, int>>, PixelRect> frames[] = {
        {{}, {0, 0, 320, 200}},
        {{}, {}},
        {{{7, 5}}, {7, 5, 1, 1}},
        {{}, {}},
        {{{0, 0}, {319, 199}}, {0, 0, 320, 200}},
        {{{300, 10}, {4, 20}}, {4, 10, 297, 11}},
        {{{325, 50}}, {}}};
    int frame = 0;
    for (const auto& [flips, changed] : frames) {
        for (const auto& [x, y] : flips) flip(x, y);
        const PixelRect taken = record.Take(page.data(), 320, 200, pitch);
        EXPECT_TRUE(changed.Empty() ? taken.Empty() : taken == changed) << "frame " << frame++;
    }
    EXPECT_EQ(record.Pixels()[10 * 320 + 300], page[static_cast<std::size_t>(10) * pitch + 300]);

    record.Forget();
    EXPECT_EQ(record.Take(page.data(), 320, 200, pitch), (PixelRect{0, 0, 320, 200}));
    EXPECT_EQ(record.Take(page.data(), 160, 100, pitch), (PixelRect{0, 0, 160, 100})) << "a new size";
}

TEST(TogglePresses, AnOddNumberOfPressesInAFrameTogglesOnce) {
    TogglePresses presses;
    EXPECT_FALSE(presses.Take());
    for (int count : {1, 0, 2, 101}) {
        for (int i = 0; i < count; ++i) presses.Press();
        EXPECT_EQ(presses.Take(), count % 2 == 1) << count << " presses";
    }
}

}  // namespace
