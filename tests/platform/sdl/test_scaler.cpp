// Tests of the presenter's arithmetic: the 4:3 fit and the widening of RGB565 (by the table
// scaler.tsv), the nearest-neighbour scaler, finding what a frame changed and gathering Alt+Enter
// presses.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "tests/platform/sdl/test_page.h"
#include "tests/support/golden.h"

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

// Each row of scaler.tsv: the 4:3 box of a window, or a page pixel widened for an output.
TEST(ScalerArithmetic, EveryRowOfTheTable) {
    for (const auto& row : GoldenRows("platform/sdl/scaler.tsv")) {
        SCOPED_TRACE(row[0] + " | " + row[1] + " | " + row[2]);
        if (row[0] == "fit") {
            const PixelRect box = FitFourByThree(std::stoi(row[1]), std::stoi(row[2]));
            PixelRect expected;
            std::istringstream(row[3]) >> expected.x >> expected.y >> expected.w >> expected.h;
            EXPECT_TRUE(row[3].empty() ? box.Empty() : box == expected)
                << box.x << " " << box.y << " " << box.w;
        } else {
            const PixelLayout& layout = row[0] == "xrgb" ? XRGB8888 : row[0] == "argb" ? ARGB8888 : RGB565;
            EXPECT_EQ(ConvertRgb565(std::stoul(row[1], nullptr, 16), layout),
                      std::stoul(row[2], nullptr, 16));
        }
    }
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
