// Tests of the presenter's arithmetic: the 4:3 fit, the nearest-neighbour scaler, the widening of
// RGB565, finding what a frame changed and gathering Alt+Enter presses.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sdl/sdl_scaler.h"

namespace {

constexpr PixelLayout XRGB8888{};
constexpr PixelLayout ARGB8888{4, 16, 8, 0, 0, 0, 0, 0xFF000000u};
constexpr PixelLayout RGB565{2, 11, 5, 0, 3, 2, 3, 0};

// A page whose every pixel differs from its neighbours: red from the column, green from the row.
std::vector<std::uint16_t> Page(int width, int height, int pitch) {
    std::vector<std::uint16_t> page(static_cast<std::size_t>(pitch) * height, 0xDEAD);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            page[static_cast<std::size_t>(y) * pitch + x] =
                static_cast<std::uint16_t>(((x % 32) << 11) | ((y % 64) << 5) | ((x / 32 + y / 64) % 32));
    return page;
}

// An output buffer of 32-bit pixels with a pitch wider than a row, filled with a marker.
struct Output {
    int width, height, pitchPixels;
    std::vector<std::uint32_t> pixels;
    Output(int w, int h)
        : width(w), height(h), pitchPixels(w + 7), pixels(std::size_t(w + 7) * h, 0x12345678u) {}
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * pitchPixels + x]; }
    int PitchBytes() const { return pitchPixels * 4; }
};

// The page pixel under the centre of an output pixel of the box.
std::uint16_t Nearest(const std::vector<std::uint16_t>& page, int pitch, int pageW, int pageH,
                      const PixelRect& box, int x, int y) {
    int sx = static_cast<int>((2.0 * (x - box.x) + 1) * pageW / (2.0 * box.w));
    int sy = static_cast<int>((2.0 * (y - box.y) + 1) * pageH / (2.0 * box.h));
    return page[static_cast<std::size_t>(sy) * pitch + sx];
}

TEST(FitFourByThree, CentresTheLargest4By3Rectangle) {
    struct Case {
        int w, h;
        PixelRect expected;
    };
    const Case cases[] = {
        {1920, 1080, {240, 0, 1440, 1080}},
        {1024, 768, {0, 0, 1024, 768}},
        {960, 720, {0, 0, 960, 720}},
        {800, 600, {0, 0, 800, 600}},
        {1280, 1024, {0, 32, 1280, 960}},
        {768, 1024, {0, 224, 768, 576}},
        {3, 2, {0, 0, 3, 2}},
        {1921, 1080, {240, 0, 1440, 1080}},
    };
    for (const Case& c : cases) EXPECT_EQ(FitFourByThree(c.w, c.h), c.expected) << c.w << "x" << c.h;
    EXPECT_TRUE(FitFourByThree(0, 0).Empty());
    EXPECT_TRUE(FitFourByThree(-5, 100).Empty());
}

TEST(ConvertRgb565, WidensEachChannelToFullRange) {
    EXPECT_EQ(ConvertRgb565(0xFFFF, XRGB8888), 0xFFFFFFu);
    EXPECT_EQ(ConvertRgb565(0x0000, XRGB8888), 0x000000u);
    EXPECT_EQ(ConvertRgb565(0xF800, XRGB8888), 0xFF0000u);
    EXPECT_EQ(ConvertRgb565(0x07E0, XRGB8888), 0x00FF00u);
    EXPECT_EQ(ConvertRgb565(0x001F, XRGB8888), 0x0000FFu);
    // Red 16 of 31, green 32 of 63, blue 1 of 31: the top bits repeat below.
    EXPECT_EQ(ConvertRgb565((16 << 11) | (32 << 5) | 1, XRGB8888), 0x848208u);
    EXPECT_EQ(ConvertRgb565(0x0000, ARGB8888), 0xFF000000u);
    // Into a 16-bit RGB565 output the pixel comes back unchanged.
    for (std::uint32_t p : {0x0000u, 0xFFFFu, 0x1234u, 0xF81Fu, 0x07E0u})
        EXPECT_EQ(ConvertRgb565(p, RGB565), p);
}

TEST(ScaleMap, SamplesThePagePixelUnderEachCentre) {
    ScaleMap map = MakeScaleMap(320, 200, 1920, 1080);
    ASSERT_EQ(map.box, (PixelRect{240, 0, 1440, 1080}));
    ASSERT_EQ(map.sourceColumn.size(), 1440u);
    ASSERT_EQ(map.sourceRow.size(), 1080u);
    EXPECT_EQ(map.sourceColumn.front(), 0);
    EXPECT_EQ(map.sourceColumn.back(), 319);
    EXPECT_EQ(map.sourceRow.front(), 0);
    EXPECT_EQ(map.sourceRow.back(), 199);
    // 4.5 output columns a page column and 5.4 rows a page row.
    EXPECT_EQ(map.sourceColumn[3], 0);
    EXPECT_EQ(map.sourceColumn[4], 1);
    EXPECT_EQ(map.sourceRow[4], 0);
    EXPECT_EQ(map.sourceRow[5], 1);
    for (std::size_t i = 1; i < map.sourceColumn.size(); ++i)
        ASSERT_LE(map.sourceColumn[i - 1], map.sourceColumn[i]);
    for (std::size_t i = 1; i < map.sourceRow.size(); ++i) ASSERT_LE(map.sourceRow[i - 1], map.sourceRow[i]);

    EXPECT_TRUE(MakeScaleMap(320, 200, 0, 0).box.Empty());
    ScaleMap tiny = MakeScaleMap(320, 200, 3, 2);
    EXPECT_EQ(tiny.sourceColumn, (std::vector<int>{53, 160, 266}));
    EXPECT_EQ(tiny.sourceRow, (std::vector<int>{50, 150}));
}

TEST(ScalePage, EveryOutputPixelIsItsNearestPagePixelOnBlack) {
    const int sizes[][2] = {{1920, 1080}, {1024, 768}, {768, 1024}, {1000, 700}, {3, 2}};
    const int pitch = 330;
    std::vector<std::uint16_t> page = Page(320, 200, pitch);
    for (const auto& size : sizes) {
        Output out(size[0], size[1]);
        ScaleMap map = MakeScaleMap(320, 200, out.width, out.height);
        FillBorders(map, ARGB8888, out.pixels.data(), out.PitchBytes());
        ScalePage(page.data(), pitch, map, ARGB8888, map.box, out.pixels.data(), out.PitchBytes());
        const PixelRect& box = map.box;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x) {
                bool inside = x >= box.x && x < box.x + box.w && y >= box.y && y < box.y + box.h;
                std::uint32_t expected =
                    inside ? ConvertRgb565(Nearest(page, pitch, 320, 200, box, x, y), ARGB8888) : 0xFF000000u;
                ASSERT_EQ(out.At(x, y), expected) << size[0] << "x" << size[1] << " at " << x << "," << y;
            }
        // The pitch's spare pixels are never written.
        for (int y = 0; y < out.height; ++y)
            ASSERT_EQ(out.pixels[static_cast<std::size_t>(y) * out.pitchPixels + out.width], 0x12345678u);
    }
}

TEST(ScalePage, WritesSixteenBitOutputs) {
    std::vector<std::uint16_t> page = Page(320, 200, 320);
    const int width = 400, height = 300, pitchPixels = 410;
    std::vector<std::uint16_t> out(static_cast<std::size_t>(pitchPixels) * height, 0x5555);
    ScaleMap map = MakeScaleMap(320, 200, width, height);
    FillBorders(map, RGB565, out.data(), pitchPixels * 2);
    ScalePage(page.data(), 320, map, RGB565, map.box, out.data(), pitchPixels * 2);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(out[static_cast<std::size_t>(y) * pitchPixels + x],
                      Nearest(page, 320, 320, 200, map.box, x, y));
}

TEST(ScalePage, UpdatingTheChangedAreaMatchesScalingEverything) {
    std::vector<std::uint16_t> before = Page(320, 200, 320), after = before;
    for (int y = 37; y < 41; ++y)
        for (int x = 100; x < 103; ++x) after[static_cast<std::size_t>(y) * 320 + x] ^= 0xFFFF;
    ScaleMap map = MakeScaleMap(320, 200, 1280, 1024);
    Output partial(1280, 1024), whole(1280, 1024);
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
    std::vector<std::uint16_t> page = Page(320, 200, pitch);
    FrameRecord record;
    EXPECT_EQ(record.Take(page.data(), 320, 200, pitch), (PixelRect{0, 0, 320, 200}));
    EXPECT_TRUE(record.Take(page.data(), 320, 200, pitch).Empty()) << "an unchanged frame is skipped";

    page[static_cast<std::size_t>(5) * pitch + 7] ^= 1;
    EXPECT_EQ(record.Take(page.data(), 320, 200, pitch), (PixelRect{7, 5, 1, 1}));
    EXPECT_TRUE(record.Take(page.data(), 320, 200, pitch).Empty());

    page[0] ^= 1;
    page[static_cast<std::size_t>(199) * pitch + 319] ^= 1;
    EXPECT_EQ(record.Take(page.data(), 320, 200, pitch), (PixelRect{0, 0, 320, 200}));
    page[static_cast<std::size_t>(10) * pitch + 300] ^= 1;
    page[static_cast<std::size_t>(20) * pitch + 4] ^= 1;
    EXPECT_EQ(record.Take(page.data(), 320, 200, pitch), (PixelRect{4, 10, 297, 11}));
    // What lies beyond the width in each row is not part of the frame.
    page[static_cast<std::size_t>(50) * pitch + 325] ^= 1;
    EXPECT_TRUE(record.Take(page.data(), 320, 200, pitch).Empty());
    EXPECT_EQ(record.Pixels()[10 * 320 + 300], page[static_cast<std::size_t>(10) * pitch + 300]);

    record.Forget();
    EXPECT_EQ(record.Take(page.data(), 320, 200, pitch), (PixelRect{0, 0, 320, 200}));
    EXPECT_EQ(record.Take(page.data(), 160, 100, pitch), (PixelRect{0, 0, 160, 100})) << "a new size";
}

TEST(TogglePresses, AnOddNumberOfPressesInAFrameTogglesOnce) {
    TogglePresses presses;
    EXPECT_FALSE(presses.Take());
    presses.Press();
    EXPECT_TRUE(presses.Take());
    EXPECT_FALSE(presses.Take()) << "taking clears the presses";
    presses.Press();
    presses.Press();
    EXPECT_FALSE(presses.Take());
    for (int i = 0; i < 101; ++i) presses.Press();
    EXPECT_TRUE(presses.Take());
}

}  // namespace
