// Tests of bitmaps and fonts: reading 1-, 8- and 24-bit pictures, refusing damaged ones, loading
// into new and existing surfaces, the fonts' cell addressing, plain text, and screenshots.
#include <png.h>

#include <cstdio>
#include <string>

#include "display/context.h"
#include "platform/resource.h"
#include "tests/display/display_fixture.h"

namespace {

constexpr std::uint16_t WHITE = 0xFFFF;
constexpr std::uint16_t GREY = 0x4208;

using BitmapTest = DisplayTest;

// Loads a picture into a new surface of its own size; the surface's number, or -1.
int LoadNew(const char* name) {
    int number = -1;
    return GraphxBitmapToOSSurface(&number, 0, 2, nullptr, name, MEMORY_KIND_SYSTEM, 0, 0, true, true)
               ? number
               : -1;
}

TEST_F(BitmapTest, TwentyFourBitPicturesKeepTheirRowsAndColumns) {
    InstallPicture("IDB_RGB", 3, 2,
                   [](int x, int y) { return RGB(x == 0 ? 255 : 0, y == 0 ? 255 : 0, x == 2 ? 255 : 0); });
    const int s = LoadNew("IDB_RGB");
    ASSERT_EQ(s, 0);
    EXPECT_EQ(Resolve(OFFSCREEN, s)->width, 3);
    EXPECT_EQ(Resolve(OFFSCREEN, s)->height, 2);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 0, 0), 0xFFE0);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 1, 0), 0x07E0);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 2, 0), 0x07FF);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 0, 1), 0xF800);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 2, 1), 0x001F);
}

TEST_F(BitmapTest, EightBitPicturesGoThroughTheirPalette) {
    InstallBitmap("IDB_EIGHT", BuildBmp({.width = 5,
                                         .height = 3,
                                         .bits = 8,
                                         .pixel = [](int x, int y) { return std::uint32_t((x + y) % 3); },
                                         .palette = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0x40, 0x80, 0xC0)},
                                         .fileHeader = true,
                                         .topDown = true}));
    const int s = LoadNew("IDB_EIGHT");
    ASSERT_EQ(s, 0);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 0, 0), 0);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 1, 0), WHITE);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 4, 1), ColourToPixel(RGB(0x40, 0x80, 0xC0)));
    EXPECT_EQ(Pixel(OFFSCREEN, s, 4, 0), WHITE);
}

TEST_F(BitmapTest, OneBitPicturesWithoutFileHeaderBecomeBlackAndWhite) {
    InstallBitmap("IDB_MONO",
                  BuildBmp({.width = 10,
                            .height = 2,
                            .bits = 1,
                            .pixel = [](int x, int y) { return std::uint32_t(x == 9 || (x == 0 && y == 1)); },
                            .palette = {0x000000, 0xFFFFFF},
                            .fileHeader = false}));
    const int s = LoadNew("IDB_MONO");
    ASSERT_EQ(s, 0);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 9, 0), WHITE);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 8, 0), 0);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 0, 1), WHITE);
    EXPECT_EQ(CountNot(OFFSCREEN, s, 0), 3);
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

TEST_F(BitmapTest, NewSurfacesCanBeGivenASizeThePictureIsScaledTo) {
    InstallPicture("IDB_PAIR", 2, 1, [](int x, int) { return x ? 0xFFFFFFu : 0u; });
    int s = -1;
    ASSERT_TRUE(GraphxBitmapToOSSurface(&s, 0, 2, nullptr, "IDB_PAIR", MEMORY_KIND_SYSTEM, 8, 2, true, true));
    EXPECT_EQ(Resolve(OFFSCREEN, s)->width, 8);
    EXPECT_EQ(CountNot(OFFSCREEN, s, 0), 8);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 4, 1), WHITE);
    EXPECT_EQ(Pixel(OFFSCREEN, s, 3, 1), 0);

    DisplayFaultPlan.failSurfaceCreations = 1;
    EXPECT_FALSE(
        GraphxBitmapToOSSurface(&s, 0, 2, nullptr, "IDB_PAIR", MEMORY_KIND_SYSTEM, 0, 0, true, true));
    EXPECT_TRUE(Traced("ERROR:GraphxBitmapToOSSurface: GraphxCreateOSSurface\n"));
}

TEST_F(BitmapTest, CopiesIntoExistingSurfacesAreNeverScaled) {
    InstallPicture("IDB_SMALL", 4, 3, [](int, int) { return 0xFFFFFFu; });
    InstallPicture("IDB_LARGE", 400, 250, [](int, int) { return 0xFFFFFFu; });
    FillRaw(0, 2, GREY);
    EXPECT_TRUE(GraphxCopyBitmapToSurface(0, 2, nullptr, "IDB_SMALL"));
    EXPECT_EQ(CountNot(0, 2, GREY), 12);
    EXPECT_EQ(Pixel(0, 2, 3, 2), WHITE);
    EXPECT_TRUE(GraphxCopyBitmapToSurface(0, 2, nullptr, "IDB_LARGE"));
    EXPECT_EQ(CountNot(0, 2, WHITE), 0);
    EXPECT_FALSE(GraphxCopyBitmapToSurface(0, 9, nullptr, "IDB_SMALL"));
}

// A fixture with both fonts loaded from pictures whose ink follows an irregular pattern, so that
// a block copied from the wrong column shows. The blank and the first column of every cell of
// either font have no ink.
class FontTest : public DisplayTest {
protected:
    static bool Ink(int x, int y) { return x >= 8 && x % 4 != 0 && (x * 7 + y * 3 + x / 5) % 5 < 2; }
    void SetUp() override {
        DisplayTest::SetUp();
        InstallBitmap("IDB_NORMALCHARS", BuildFontBmp(8, 16, Ink));
        InstallBitmap("IDB_SMALLCHARS", BuildFontBmp(4, 8, Ink));
        GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
        target_ = MakeSurface(1000, 20);
        FillRaw(OFFSCREEN, target_, GREY);
        ASSERT_TRUE(GetHDC(&dc_, OFFSCREEN, target_, -1));
    }
    void TearDown() override {
        ReleaseHDC(dc_, OFFSCREEN, target_, -1);
        DisplayTest::TearDown();
    }
    // Whether the block of w x h at (x, y) of the target equals the font's block at column `column`.
    bool ShowsBlock(int x, int y, int w, int h, int column) {
        for (int j = 0; j < h; ++j) {
            for (int i = 0; i < w; ++i) {
                const bool ink = column + i < 94 * w && Ink(column + i, j);
                if (Pixel(OFFSCREEN, target_, x + i, y + j) != (ink ? WHITE : 0)) return false;
            }
        }
        return true;
    }

    HDC dc_ = nullptr;
    int target_ = -1;
};

TEST_F(FontTest, CharactersComeFromTheirCellsOneColumnIn) {
    EXPECT_EQ(NormalFontSurface, 0);
    EXPECT_EQ(SmallFontSurface, 1);
    GraphxBitmapString(dc_, 10, 2, false, false, "AZ");
    EXPECT_TRUE(ShowsBlock(10, 2, 8, 16, 265));
    EXPECT_TRUE(ShowsBlock(18, 2, 8, 16, 465));
    EXPECT_FALSE(ShowsBlock(10, 2, 8, 16, 264));
    GraphxBitmapString(dc_, 100, 0, false, true, "%i", 7);
    EXPECT_TRUE(ShowsBlock(100, 0, 4, 8, (55 - 32) * 4 + 1));
}

TEST_F(FontTest, CharactersWithoutGlyphsLeaveTheirCellAlone) {
    GraphxBitmapString(dc_, 0, 0, false, false, "~A");
    EXPECT_TRUE(Traced("ERROR:GraphxBitmapString: Char out of range (~)(126)"));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(OFFSCREEN, target_, x, 0), GREY);
    EXPECT_TRUE(ShowsBlock(8, 0, 8, 16, 265));
    GraphxBitmapString(dc_, 200, 0, false, true,
                       "\x1f"
                       "A");
    EXPECT_TRUE(Traced("Char out of range (\x1f)(31)"));
    EXPECT_EQ(Pixel(OFFSCREEN, target_, 203, 0), GREY);
    EXPECT_TRUE(ShowsBlock(204, 0, 4, 8, 133));
}

TEST_F(FontTest, OrModeDrawsOnlyInkWhileCopyModePaintsWholeCells) {
    GraphxBitmapString(dc_, 0, 0, true, false, " ");
    EXPECT_EQ(CountNot(OFFSCREEN, target_, GREY), 0);
    GraphxBitmapString(dc_, 0, 0, true, false, "A");
    EXPECT_EQ(Pixel(OFFSCREEN, target_, 0, 0), Ink(265, 0) ? WHITE : GREY);
    int inked = 0;
    for (int j = 0; j < 16; ++j) {
        for (int i = 0; i < 8; ++i) inked += Ink(265 + i, j);
    }
    EXPECT_EQ(CountNot(OFFSCREEN, target_, GREY), inked);
    GraphxBitmapString(dc_, 0, 0, false, false, " ");
    EXPECT_TRUE(ShowsBlock(0, 0, 8, 16, 1));
}

TEST_F(FontTest, TextIsCutAtTwoHundredCharacters) {
    const std::string text(250, 'B');
    GraphxBitmapString(dc_, 0, 0, false, true, "%s", text.c_str());
    EXPECT_TRUE(ShowsBlock(199 * 4, 0, 4, 8, 34 * 4 + 1));
    for (int x = 800; x < 1000; ++x) ASSERT_EQ(Pixel(OFFSCREEN, target_, x, 0), GREY) << x;
}

TEST_F(FontTest, PlainTextUsesTheNormalGlyphsInItsColours) {
    GraphxString(dc_, 0, 0, 0xFFFFFF, 0x0000FF, false, "%i", 100);
    for (int j = 0; j < 16; ++j) {
        for (int i = 0; i < 24; ++i) {
            const int column = (i < 8 ? 17 : 16) * 8 + 1 + i % 8;
            ASSERT_EQ(Pixel(OFFSCREEN, target_, i, j), Ink(column, j) ? WHITE : 0xF800) << i << "," << j;
        }
    }
    EXPECT_EQ(Pixel(OFFSCREEN, target_, 24, 0), GREY);
    GraphxString(dc_, 30, 0, 0x00FF00, 0x0000FF, true, "A");
    EXPECT_EQ(Pixel(OFFSCREEN, target_, 30, 0), Ink(265, 0) ? 0x07E0 : GREY);
    GraphxString(nullptr, 0, 0, 0, 0, false, "x");
    EXPECT_TRUE(Traced("ERROR:GraphxString: TextOut"));
}

TEST_F(FontTest, PlainTextIsCutAtTwoHundredCharacters) {
    // Two hundred 8-pixel cells end at x = 1600; the surface reaches past where a 201st would go.
    const int wide = MakeSurface(1700, 16);
    FillRaw(OFFSCREEN, wide, GREY);
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, OFFSCREEN, wide, -1));
    const std::string text(250, 'B');
    GraphxString(dc, 0, 0, 0xFFFFFF, 0, false, "%s", text.c_str());
    ReleaseHDC(dc, OFFSCREEN, wide, -1);
    auto greyIn = [&](int left, int right) {
        int grey = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = left; x < right; ++x) grey += Pixel(OFFSCREEN, wide, x, y) == GREY;
        return grey;
    };
    EXPECT_EQ(greyIn(1592, 1600), 0);  // the 200th cell is painted
    EXPECT_EQ(greyIn(1600, 1700), 100 * 16);
}

TEST_F(DisplayTest, AFontThatCannotBeLoadedLeavesTheOtherAndDrawsNothing) {
    ResourceOverride(RT_BITMAP, "IDB_NORMALCHARS", {}, true);
    InstallBitmap("IDB_SMALLCHARS", BuildFontBmp(4, 8, [](int, int) { return true; }));
    GraphxInitBitmappedFont(nullptr, 0, 2, "IDB_NORMALCHARS", "IDB_SMALLCHARS");
    EXPECT_TRUE(Traced("ERROR:GraphxInitBitmappedFont: GraphxBitmapToOSSurface"));
    EXPECT_EQ(NormalFontSurface, -1);
    EXPECT_EQ(SmallFontSurface, 0);
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    GraphxBitmapString(dc, 0, 0, false, false, "A");
    GraphxString(dc, 0, 20, 0xFFFFFF, 0, true, "A");
    ReleaseHDC(dc, 0, 2, -1);
    ExpectTraced({"off-screen surface number out of range (-1)", "ERROR:GraphxBitmapString: get HDC"});
    EXPECT_EQ(CountNot(0, 2, 0), 0);
}

TEST_F(DisplayTest, ScreenshotsHoldTheVisiblePage) {
    ClearScreen(0, 2, 0xF800, -1, 0, 0, 0);
    SetRaw(0, 2, 319, 199, 0x001F);
    GraphxFlip(0);
    const std::string path = ::testing::TempDir() + "lobshot_display_shot.png";
    ASSERT_TRUE(GraphxWriteVisiblePng(path.c_str()));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
    EXPECT_EQ(image.width, 320u);
    EXPECT_EQ(image.height, 200u);
    EXPECT_EQ(pixels[0], 0xF8);
    EXPECT_EQ(pixels[1], 0);
    EXPECT_EQ(pixels[pixels.size() - 1], 0xF8);
    EXPECT_EQ(pixels[pixels.size() - 3], 0);
    std::remove(path.c_str());
    EXPECT_FALSE(GraphxWriteVisiblePng("/nonexistent-dir/shot.png"));
    EXPECT_FALSE(GraphxWritePng(path.c_str(), 4, 1));
}

}  // namespace
