// Tests of bitmaps and fonts beyond what the scene shows: the game's own pictures, damaged pictures
// refused, copies into existing surfaces, text cut at its length limit, and a missing font.
#include <cstring>
#include <string>
#include <tuple>

#include "display/context.h"
#include "platform/resource.h"
#include "tests/display/display_fixture.h"
#include "tests/support/golden.h"

namespace {

constexpr std::uint16_t WHITE = 0xFFFF;
constexpr std::uint16_t GREY = 0x4208;

using BitmapTest = DisplayTest;

std::uint32_t Read(const std::uint8_t* bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes + at, size);
    return value;
}

// Loads a picture into a new surface of its own size; the surface's number, or -1.
int LoadNew(const char* name) {
    int number = -1;
    return GraphxBitmapToOSSurface(&number, 0, 2, nullptr, name, MEMORY_KIND_SYSTEM, 0, 0, true, true)
               ? number
               : -1;
}

// Every picture of the game (pictures.tsv) is an uncompressed bottom-up bitmap of its size and
// depth that loads into a surface of that size.
TEST_F(BitmapTest, EveryPictureOfTheGameLoadsAtItsSizeAndDepth) {
    for (const auto& row : GoldenRows("display/pictures.tsv")) {
        const char* name = row[0].c_str();
        const std::uint32_t width = std::stoul(row[1]), height = std::stoul(row[2]),
                            bits = std::stoul(row[3]);
        const int number = LoadNew(name);
        ASSERT_GE(number, 0) << name;
        EXPECT_EQ(std::tuple(Resolve(OFFSCREEN, number)->width, Resolve(OFFSCREEN, number)->height),
                  std::tuple(int(width), int(height)))
            << name;
        HRSRC found = FindResourceA(nullptr, name, RT_BITMAP);
        ASSERT_NE(found, nullptr) << name;
        const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
        const std::size_t size = SizeofResource(nullptr, found);
        ASSERT_GT(size, 54u) << name;
        const std::size_t info = bytes[0] == 'B' && bytes[1] == 'M' ? 14 : 0;
        // A positive height is bottom-up; compression 0 is none.
        EXPECT_EQ(std::tuple(Read(bytes, info + 4, 4), Read(bytes, info + 8, 4), Read(bytes, info + 14, 2),
                             Read(bytes, info + 16, 4)),
                  std::tuple(width, height, bits, 0u))
            << name;
        EXPECT_GE(size, info + 40 + (width * bits + 31) / 32 * 4 * height) << name;
    }
    EXPECT_FALSE(Traced("ERROR:"));
}

TEST_F(BitmapTest, DamagedOrMissingPicturesMakeNoSurface) {
    // A byte short, compressed, 4 bits a pixel, no width, a header alone; and none at all.
    const std::vector<std::uint8_t> good =
        BuildBmp({.width = 4, .height = 4, .bits = 24, .pixel = [](int, int) { return 0u; }, .palette = {}});
    std::vector<std::uint8_t> bytes[] = {good, good, good, good, {'B', 'M', 1}};
    bytes[0].pop_back();
    bytes[1][14 + 16] = 1;
    bytes[2][14 + 14] = 4;
    bytes[3][14 + 4] = 0;
    const char* names[] = {"IDB_TRUNCATED", "IDB_COMPRESSED", "IDB_FOURBITS",
                           "IDB_NOWIDTH",   "IDB_TINY",       "IDB_NONE"};
    for (int i = 0; i < 5; ++i) InstallBitmap(names[i], bytes[i]);
    for (const char* name : names) EXPECT_EQ(LoadNew(name), -1) << name;
    EXPECT_EQ(OSSurfaceCount, 0);
    ExpectTraced({"ERROR:GraphxBitmapToOSSurface: NULL image", "ERROR:-: GetLastError 181"});
    EXPECT_FALSE(GraphxCopyBitmapToSurface(0, 2, nullptr, "IDB_NONE"));
    EXPECT_TRUE(Traced("ERROR:GraphxCopyBitmapToSurface: NULL image from \"IDB_NONE\""));
}

TEST_F(BitmapTest, CopiesIntoExistingSurfacesAreNeverScaled) {
    InstallPicture("IDB_SMALL", 4, 3, [](int, int) { return 0xFFFFFFu; });
    InstallPicture("IDB_LARGE", 400, 250, [](int, int) { return 0xFFFFFFu; });
    FillRaw(0, 2, GREY);
    EXPECT_TRUE(GraphxCopyBitmapToSurface(0, 2, nullptr, "IDB_SMALL"));
    EXPECT_EQ(std::tuple(CountNot(0, 2, GREY), Pixel(0, 2, 3, 2)), std::tuple(12, WHITE));
    EXPECT_TRUE(GraphxCopyBitmapToSurface(0, 2, nullptr, "IDB_LARGE"));
    EXPECT_EQ(CountNot(0, 2, WHITE), 0);
    EXPECT_FALSE(GraphxCopyBitmapToSurface(0, 9, nullptr, "IDB_SMALL"));
}

// Text longer than two hundred characters, in both fonts, on a surface wide enough for more.
TEST_F(DisplayTest, TextIsCutAtTwoHundredCharacters) {
    InstallBitmap("IDB_NORMALCHARS", BuildFontBmp(8, 16, [](int x, int y) { return (x + y) % 3 == 0; }));
    InstallBitmap("IDB_SMALLCHARS", BuildFontBmp(4, 8, [](int x, int y) { return (x + y) % 3 == 0; }));
    GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    const int wide = MakeSurface(1700, 24);
    FillRaw(OFFSCREEN, wide, GREY);
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, OFFSCREEN, wide, -1));
    const std::string text(250, 'B');
    GraphxString(dc, 0, 0, 0xFFFFFF, 0, false, "%s", text.c_str());
    GraphxBitmapString(dc, 0, 16, false, true, "%s", text.c_str());
    ReleaseHDC(dc, OFFSCREEN, wide, -1);
    auto greyIn = [&](int left, int right, int top, int bottom) {
        int grey = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) grey += Pixel(OFFSCREEN, wide, x, y) == GREY;
        return grey;
    };
    // The 200th cell of each font is painted, and nothing after it.
    EXPECT_EQ(std::tuple(greyIn(1592, 1600, 0, 16), greyIn(1600, 1700, 0, 16), greyIn(796, 800, 16, 24),
                         greyIn(800, 1700, 16, 24)),
              std::tuple(0, 100 * 16, 0, 900 * 8));
}

TEST_F(DisplayTest, AFontThatCannotBeLoadedLeavesTheOtherAndDrawsNothing) {
    ResourceOverride(RT_BITMAP, "IDB_NORMALCHARS", {}, true);
    InstallBitmap("IDB_SMALLCHARS", BuildFontBmp(4, 8, [](int, int) { return true; }));
    GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    EXPECT_TRUE(Traced("ERROR:GraphxInitBitmappedFont: GraphxBitmapToOSSurface"));
    EXPECT_EQ(std::tuple(NormalFontSurface, SmallFontSurface), std::tuple(-1, 0));
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    GraphxBitmapString(dc, 0, 0, false, false, "A");
    GraphxString(dc, 0, 20, 0xFFFFFF, 0, true, "A");
    ReleaseHDC(dc, 0, 2, -1);
    ExpectTraced({"off-screen surface number out of range (-1)", "ERROR:GraphxBitmapString: get HDC"});
    EXPECT_EQ(CountNot(0, 2, 0), 0);
}

}  // namespace
