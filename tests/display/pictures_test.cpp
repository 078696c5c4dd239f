// Tests of the game's embedded pictures: every one present under its name, with its size and
// depth, and loadable into a surface of that size.
#include <cstring>
#include <string>

#include "display/glyph_codes.h"
#include "platform/resource.h"
#include "tests/display/display_fixture.h"

namespace {

struct PictureSpec {
    const char* name;
    int width;
    int height;
    int bits;
};

constexpr PictureSpec PICTURES[] = {
    {"IDB_TITLESCREEN", 320, 200, 8},
    {"IDB_TERRASCREEN", 320, 200, 8},
    {"IDB_MENUBAR", 320, 20, 24},
    {"IDB_MENUBAR2", 320, 20, 24},
    {"IDB_NORMALCHARS", 8 * GLYPH_COUNT, 16, 1},
    {"IDB_SMALLCHARS", 4 * GLYPH_COUNT, 8, 1},
    {"IDB_TANKRED", 11, 6, 24},
    {"IDB_TANKBLUE", 11, 6, 24},
    {"IDB_TANKYELLOW", 11, 6, 24},
    {"IDB_TANKMAGENTA", 11, 6, 24},
    {"IDB_TANKGREEN", 11, 6, 24},
    {"IDB_TANKCYAN", 11, 6, 24},
    {"IDB_TANKORANGE", 11, 6, 24},
    {"IDB_TANKGREY", 11, 6, 24},
    {"IDB_WINDSOCKL2", 15, 15, 24},
    {"IDB_WINDSOCKL1", 15, 15, 24},
    {"IDB_WINDSOCK0", 15, 15, 24},
    {"IDB_WINDSOCKR1", 15, 15, 24},
    {"IDB_WINDSOCKR2", 15, 15, 24},
    {"IDB_SHELL", 33, 33, 24},
    {"IDB_ABOMB", 171, 171, 24},
    {"IDB_EARTHMOVER", 91, 91, 24},
    {"IDB_FIREWORK1", 21, 21, 24},
    {"IDB_FIREWORK2", 21, 21, 24},
    {"IDB_FIREWORK3", 21, 21, 24},
    {"IDB_FIREWORK4", 21, 21, 24},
    {"IDB_FIREWORK5", 21, 21, 24},
    {"IDB_FIREWORK6", 21, 21, 24},
    {"IDB_FIREWORK7", 21, 21, 24},
};

template <typename T>
T Read(const std::uint8_t* bytes, std::size_t at) {
    T value;
    std::memcpy(&value, bytes + at, sizeof value);
    return value;
}

class PicturesTest : public DisplayTest {};

TEST_F(PicturesTest, EveryPictureIsAnUncompressedBottomUpBitmapOfItsSizeAndDepthThatLoads) {
    for (const PictureSpec& p : PICTURES) {
        int number = -1;
        ASSERT_TRUE(
            GraphxBitmapToOSSurface(&number, 0, 2, nullptr, p.name, MEMORY_KIND_SYSTEM, 0, 0, true, true))
            << p.name;
        EXPECT_EQ(Resolve(OFFSCREEN, number)->width, p.width) << p.name;
        EXPECT_EQ(Resolve(OFFSCREEN, number)->height, p.height) << p.name;
        HRSRC found = FindResourceA(nullptr, p.name, RT_BITMAP);
        ASSERT_NE(found, nullptr) << p.name;
        const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
        const std::size_t size = SizeofResource(nullptr, found);
        ASSERT_GT(size, 54u) << p.name;
        std::size_t info = bytes[0] == 'B' && bytes[1] == 'M' ? 14 : 0;
        EXPECT_EQ(Read<std::int32_t>(bytes, info + 4), p.width) << p.name;
        EXPECT_EQ(Read<std::int32_t>(bytes, info + 8), p.height) << p.name;  // positive: bottom-up
        EXPECT_EQ(Read<std::uint16_t>(bytes, info + 14), p.bits) << p.name;
        EXPECT_EQ(Read<std::uint32_t>(bytes, info + 16), 0u) << p.name;  // uncompressed
        std::size_t stride = (static_cast<std::size_t>(p.width) * p.bits + 31) / 32 * 4;
        EXPECT_GE(size, info + 40 + stride * p.height) << p.name;
    }
    EXPECT_FALSE(Traced("ERROR:"));
}

}  // namespace
