// Tests of drawing: lending contexts (and their restore bound), fills, flips, pixels and their
// colours, lines, rectangles, block copies and text, each clipped at the surface's edges.
#include <chrono>

#include "display/context.h"
#include "display/device/dd_errors.h"
#include "platform/headless/headless_platform.h"
#include "tests/display/display_fixture.h"

namespace {

constexpr std::uint16_t WHITE = 0xFFFF;

// A fixture with a context lent on the back page of device 0, cleared to black.
class ContextTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        ASSERT_TRUE(GetHDC(&dc_, 0, 2, -1));
    }
    void TearDown() override {
        if (dc_) ReleaseHDC(dc_, 0, 2, -1);
        DisplayTest::TearDown();
    }
    bool Lit(int x, int y) { return Pixel(0, 2, x, y) != 0; }
    int LitCount() { return CountNot(0, 2, 0); }

    HDC dc_ = nullptr;
};

using LendingTest = DisplayTest;

TEST_F(LendingTest, ALostPageIsRestoredAndItsContextLent) {
    DisplayLoseSurface(Resolve(0, 2));
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    EXPECT_EQ(DisplayFaultPlan.restoreCalls, 1);
    ExpectTraced({"GetHDC: DDERR_SURFACELOST", "GetHDC: restored surface"});
    EXPECT_EQ(ContextSurface(dc), Resolve(0, 2));
    ReleaseHDC(dc, 0, 2, -1);
    EXPECT_FALSE(Resolve(0, 2)->dcOut);
}

TEST_F(LendingTest, APageThatStaysLostGivesUpAfterFourRestores) {
    DisplayLoseSurface(Resolve(0, 1));
    DisplayFaultPlan.restoreKeepsLost = true;
    HDC dc = nullptr;
    EXPECT_FALSE(GetHDC(&dc, 0, 2, -1));
    EXPECT_EQ(DisplayFaultPlan.getDCCalls, 4);
    EXPECT_EQ(DisplayFaultPlan.restoreCalls, 4);
    EXPECT_TRUE(Traced("ERROR:GetHDC: Restores a few times but can't get a DC - giving up"));

    DisplayFaultPlan.restoreKeepsLost = false;
    DisplayFaultPlan.failRestores = 1;
    DisplayFaultPlan.restoreError = DDERR_WRONGMODE;
    EXPECT_FALSE(GetHDC(&dc, 0, 2, -1));
    EXPECT_TRUE(Traced("ERROR:GetHDC: restore error 106"));
}

TEST_F(LendingTest, OtherRefusalsAreNamedOrUnknown) {
    HDC dc = nullptr;
    DisplayFaultPlan.getDCError = DDERR_INVALIDPARAMS;
    EXPECT_FALSE(GetHDC(&dc, 0, 2, -1));
    EXPECT_TRUE(Traced("ERROR:GetHDC: DDERR_INVALIDPARAMS"));
    DisplayFaultPlan.getDCError = DDERR_OUTOFVIDEOMEMORY;
    EXPECT_FALSE(GetHDC(&dc, 0, 2, -1));
    EXPECT_TRUE(Traced("ERROR:GetHDC: Unknown Error"));
    DisplayFaultPlan.getDCError = DD_OK;

    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    HDC second = nullptr;
    EXPECT_FALSE(GetHDC(&second, 0, 2, -1));
    EXPECT_TRUE(Traced("ERROR:GetHDC: DDERR_DCALREADYCREATED"));
    EXPECT_FALSE(ClearScreen(0, 2, 0, -1, 0, 0, 0));
    ReleaseHDC(dc, 0, 2, -1);
    EXPECT_FALSE(GetHDC(&dc, 0, 5, -1));
    EXPECT_FALSE(GetHDC(&dc, OFFSCREEN, 0, -1));
}

TEST_F(LendingTest, ReleasingAnUnknownAddressKeepsTheContextOut) {
    HDC dc = nullptr;
    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    ReleaseHDC(dc, 0, 7, -1);
    EXPECT_TRUE(Traced("ERROR:ReleaseHDC: getDD"));
    EXPECT_TRUE(Resolve(0, 2)->dcOut);
    ReleaseHDC(dc, 0, 2, -1);
}

using FillTest = DisplayTest;

TEST_F(FillTest, EmptyRectanglesDrawNothingAndANegativeLeftFillsAll) {
    EXPECT_TRUE(ClearScreen(0, 2, WHITE, 5, 5, 5, 20));
    EXPECT_TRUE(ClearScreen(0, 2, WHITE, 5, 5, 40, 5));
    EXPECT_EQ(CountNot(0, 2, 0), 0);
    EXPECT_TRUE(ClearScreen(0, 2, WHITE, -1, 7, 7, 7));
    EXPECT_EQ(CountNot(0, 2, WHITE), 0);
    EXPECT_TRUE(ClearScreen(0, 2, 0x1234, 10, 20, 12, 23));
    EXPECT_EQ(CountNot(0, 2, WHITE), 6);
    EXPECT_EQ(Pixel(0, 2, 11, 22), 0x1234);
    EXPECT_EQ(Pixel(0, 2, 12, 22), WHITE);
}

TEST_F(FillTest, RectanglesOffTheSurfaceAreRefusedWithTheirCorners) {
    EXPECT_FALSE(ClearScreen(0, 2, WHITE, 300, 0, 330, 10));
    ExpectTraced({"ERROR:ClearScreen: lpDDS->Blt 32", "ERROR:ClearScreen: invalid rect (300, 0) (330, 10)"});
    EXPECT_EQ(CountNot(0, 2, 0), 0);
    EXPECT_FALSE(ClearScreen(1, 2, WHITE, -1, 0, 0, 0));
}

TEST_F(FillTest, ALostPageIsRestoredAndFilledUnlessTheRestoreFails) {
    DisplayLoseSurface(Resolve(0, 2));
    EXPECT_TRUE(ClearScreen(0, 2, WHITE, -1, 0, 0, 0));
    EXPECT_EQ(CountNot(0, 2, WHITE), 0);

    DisplayLoseSurface(Resolve(0, 2));
    DisplayFaultPlan.failRestores = 1;
    EXPECT_FALSE(ClearScreen(0, 2, 0, -1, 0, 0, 0));
    EXPECT_TRUE(Traced("ERROR:ClearScreen: lpDDS->Blt, couldn't restore surface"));
    EXPECT_EQ(CountNot(0, 2, WHITE), 0);

    DisplayFaultPlan.restoreKeepsLost = true;
    EXPECT_FALSE(ClearScreen(0, 2, 0, -1, 0, 0, 0));
    EXPECT_TRUE(Traced("surface still lost"));
}

TEST_F(FillTest, FlipShowsTheBackPageAndHandsItToThePlatform) {
    HeadlessResetForTests();
    ClearScreen(0, 2, 0xF800, -1, 0, 0, 0);
    SetRaw(0, 1, 3, 4, 0x07E0);
    GraphxFlip(0);
    EXPECT_EQ(CountNot(0, 1, 0xF800), 0);
    EXPECT_EQ(Pixel(0, 2, 3, 4), 0x07E0);
    const HeadlessFrame& frame = HeadlessLastFrame();
    ASSERT_EQ(frame.width, 320);
    ASSERT_EQ(frame.height, 200);
    EXPECT_EQ(frame.pixels[4 * 320 + 3], 0xF800);
    EXPECT_EQ(DisplayFaultPlan.presentCalls, 1);
}

TEST_F(FillTest, FlipRecoversFromLossAndRefusalsButNotForever) {
    SetRaw(0, 2, 0, 0, WHITE);
    DisplayLoseSurface(Resolve(0, 1));
    GraphxFlip(0);
    EXPECT_EQ(Pixel(0, 1, 0, 0), WHITE);

    DisplayFaultPlan.failFlips = 2;
    GraphxFlip(0);
    EXPECT_EQ(Pixel(0, 1, 0, 0), 0);

    DisplayFaultPlan.failFlips = 1000;
    GraphxFlip(0);
    EXPECT_TRUE(Traced("ERROR:GraphxFlip: Flip refused 8 times - giving up"));

    DisplayFaultPlan.failFlips = 1;
    DisplayFaultPlan.flipError = DDERR_WASSTILLDRAWING;
    GraphxFlip(0);
    EXPECT_EQ(Pixel(0, 1, 0, 0), 0);
}

TEST_F(FillTest, CanFlipReportsBusyAndUnusableDevices) {
    DisplayFaultPlan.flipBusy = 2;
    EXPECT_EQ(GraphxCanFlip(0, 1), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(GraphxCanFlip(0, 2), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(GraphxCanFlip(0, 1), 0u);
    EXPECT_EQ(GraphxCanFlip(3, 1), 0x80070057u);
    EXPECT_EQ(GraphxCanFlip(9, 1), 0x80070057u);
    EXPECT_EQ(GdiFlush(), 1);
}

using PixelTest = ContextTest;

TEST_F(PixelTest, ColoursAreReducedToSixteenBitsAndWidenedWithZeros) {
    EXPECT_EQ(SetPixel(dc_, 0, 0, 0xFFFFFF), 0xF8FCF8u);
    EXPECT_EQ(Pixel(0, 2, 0, 0), WHITE);
    SetPixel(dc_, 1, 0, RGB(255, 0, 0));
    SetPixel(dc_, 2, 0, RGB(0, 255, 0));
    SetPixel(dc_, 3, 0, RGB(0, 0, 255));
    SetPixel(dc_, 4, 0, RGB(0x87, 0x43, 0x21));
    EXPECT_EQ(Pixel(0, 2, 1, 0), 0xF800);
    EXPECT_EQ(Pixel(0, 2, 2, 0), 0x07E0);
    EXPECT_EQ(Pixel(0, 2, 3, 0), 0x001F);
    EXPECT_EQ(GetPixel(dc_, 4, 0), RGB(0x80, 0x40, 0x20));
    SetRaw(0, 2, 5, 0, 0x0821);
    EXPECT_EQ(GetPixel(dc_, 5, 0), RGB(8, 4, 8));
}

TEST_F(PixelTest, PixelsOutsideTheSurfaceAreNeitherWrittenNorRead) {
    const int outside[][2] = {{-1, 0}, {320, 0}, {0, -1}, {0, 200}, {-5000, 70000}};
    for (const auto& p : outside) {
        EXPECT_EQ(SetPixel(dc_, p[0], p[1], 0xFFFFFF), CLR_INVALID);
        EXPECT_EQ(GetPixel(dc_, p[0], p[1]), CLR_INVALID);
    }
    EXPECT_EQ(LitCount(), 0);
    EXPECT_NE(SetPixel(dc_, 319, 199, 0xFFFFFF), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc_, 319, 199), 0xF8FCF8u);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
}

using LineTest = ContextTest;

TEST_F(LineTest, LinesAreClippedAtEveryEdge) {
    GraphxLine(dc_, -50, 10, 400, 10, 0xFFFFFF, 1, PEN_SOLID);
    GraphxLine(dc_, 20, -50, 20, 300, 0xFFFFFF, 1, PEN_SOLID);
    for (int x = 0; x < 320; ++x) ASSERT_TRUE(Lit(x, 10)) << x;
    for (int y = 0; y < 200; ++y) ASSERT_TRUE(Lit(20, y)) << y;
    EXPECT_EQ(LitCount(), 320 + 200 - 1);
    ClearScreen(0, 2, 0, -1, 0, 0, 0);
    ReleaseHDC(dc_, 0, 2, -1);
    ClearScreen(0, 2, 0, -1, 0, 0, 0);
    GetHDC(&dc_, 0, 2, -1);
    GraphxLine(dc_, -1000, -1000, 1000, 1000, 0xFFFFFF, 1, PEN_SOLID);
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(Lit(i, i)) << i;
    EXPECT_EQ(LitCount(), 200);
}

TEST_F(LineTest, FarAwayEndsAreClippedBeforeTheWalk) {
    const auto start = std::chrono::steady_clock::now();
    GraphxLine(dc_, -100000000, 50, 100000000, 50, 0xFFFFFF, 5, PEN_DASHED);
    GraphxLine(dc_, 5000, 5000, 9000, 9000, 0xFFFFFF, 1, PEN_SOLID);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_GT(LitCount(), 0);
    EXPECT_FALSE(Lit(0, 40));
}

TEST_F(LineTest, WidePensHaveRoundEndsThatIncludeTheEndPoints) {
    GraphxLine(dc_, 10, 10, 20, 10, 0xFFFFFF, 3, PEN_SOLID);
    for (int x = 9; x <= 21; ++x) EXPECT_TRUE(Lit(x, 10)) << x;
    for (int x = 9; x <= 21; ++x) EXPECT_TRUE(Lit(x, 9) && Lit(x, 11)) << x;
    EXPECT_FALSE(Lit(8, 10));
    EXPECT_FALSE(Lit(22, 10));
    EXPECT_FALSE(Lit(15, 8));
    EXPECT_FALSE(Lit(15, 12));
    GraphxLine(dc_, 50, 50, 50, 50, 0xFFFFFF, 1, PEN_SOLID);
    EXPECT_TRUE(Lit(50, 50));
}

TEST_F(LineTest, DashedAndDottedLinesLeaveGapsAndBadPenStylesDrawNothing) {
    GraphxLine(dc_, 0, 0, 100, 100, 0xFFFFFF, 1, 0);
    GraphxLine(dc_, 0, 0, 100, 100, 0xFFFFFF, 1, 4);
    EXPECT_EQ(LitCount(), 0);
    EXPECT_TRUE(Traced("ERROR:GraphxLine: bad penStyle"));
    GraphxLine(dc_, 0, 5, 99, 5, 0xFFFFFF, 1, PEN_DOTTED);
    GraphxLine(dc_, 0, 7, 99, 7, 0xFFFFFF, 1, PEN_DASHED);
    int dotted = 0;
    int dashed = 0;
    for (int x = 0; x < 100; ++x) dotted += Lit(x, 5), dashed += Lit(x, 7);
    EXPECT_EQ(dotted, 50);
    EXPECT_TRUE(Lit(0, 5) && !Lit(1, 5) && Lit(2, 5));
    EXPECT_GT(dashed, 50);
    EXPECT_LT(dashed, 100);
}

TEST_F(LineTest, PlainPensLeaveOutTheEndPointAndMoveTheCurrentPosition) {
    HPEN pen = CreatePen(PS_SOLID, 1, 0xFFFFFF);
    HGDIOBJ previous = SelectObject(dc_, pen);
    ASSERT_NE(previous, nullptr);
    EXPECT_FALSE(DeleteObject(pen));
    POINT before;
    MoveToEx(dc_, 5, 5, &before);
    EXPECT_EQ(before.x, 0);
    LineTo(dc_, 9, 5);
    LineTo(dc_, 9, 8);
    for (int x = 5; x <= 9; ++x) EXPECT_TRUE(Lit(x, 5)) << x;
    EXPECT_TRUE(Lit(9, 7));
    EXPECT_FALSE(Lit(9, 8));
    EXPECT_EQ(SelectObject(dc_, previous), pen);
    EXPECT_TRUE(DeleteObject(pen));
}

using RectangleTest = ContextTest;

TEST_F(RectangleTest, FillsLeaveOutTheRightColumnAndBottomRowAndClip) {
    GraphxFillRect(dc_, 2, 3, 5, 7, 0xFFFFFF);
    EXPECT_EQ(LitCount(), 12);
    EXPECT_TRUE(Lit(4, 6));
    EXPECT_FALSE(Lit(5, 6));
    EXPECT_FALSE(Lit(4, 7));
    GraphxFillRect(dc_, -5, -5, 2, 1, 0xFFFFFF);
    GraphxFillRect(dc_, 318, 198, 400, 400, 0xFFFFFF);
    EXPECT_EQ(LitCount(), 12 + 2 + 4);
    GraphxFillRect(dc_, 400, 0, 500, 10, 0xFFFFFF);
    GraphxFillRect(dc_, 30, 30, 20, 40, 0xFFFFFF);
    EXPECT_EQ(LitCount(), 18);
    GraphxFillRect(nullptr, 0, 0, 1, 1, 0xFFFFFF);
    EXPECT_TRUE(Traced("ERROR:GraphxFillRect: FillRect"));
}

using BlockTest = ContextTest;

TEST_F(BlockTest, CopyingAColumnOneRowDownWithinTheSameContextKeepsItsPixels) {
    for (int y = 0; y < 5; ++y) SetRaw(0, 2, 7, y, static_cast<std::uint16_t>(y + 1));
    EXPECT_TRUE(BitBlt(dc_, 7, 1, 1, 5, dc_, 7, 0, SRCCOPY));
    for (int y = 1; y <= 5; ++y) EXPECT_EQ(Pixel(0, 2, 7, y), y) << y;
    EXPECT_TRUE(BitBlt(dc_, 7, 0, 1, 5, dc_, 7, 1, SRCCOPY));
    for (int y = 0; y < 5; ++y) EXPECT_EQ(Pixel(0, 2, 7, y), y + 1) << y;
}

TEST_F(BlockTest, BlocksAreClippedToBothSurfacesAndOrModeCombines) {
    HDC memory = CreateCompatibleDC(dc_);
    HBITMAP bitmap = MakeBitmap(4, 4);
    SelectObject(memory, bitmap);
    for (int i = 0; i < 16; ++i) SetPixel(memory, i % 4, i / 4, RGB(0, 0, 8 * (i + 1)));
    EXPECT_TRUE(BitBlt(dc_, -2, -2, 4, 4, memory, 0, 0, SRCCOPY));
    EXPECT_EQ(LitCount(), 4);
    EXPECT_EQ(GetPixel(dc_, 0, 0), GetPixel(memory, 2, 2));
    EXPECT_TRUE(BitBlt(dc_, 100, 100, 4, 4, memory, -3, 2, SRCCOPY));
    EXPECT_EQ(GetPixel(dc_, 103, 100), GetPixel(memory, 0, 2));
    EXPECT_EQ(Pixel(0, 2, 102, 100), 0);
    SetRaw(0, 2, 200, 50, 0xF800);
    EXPECT_TRUE(BitBlt(dc_, 200, 50, 1, 1, memory, 3, 3, SRCPAINT));
    EXPECT_EQ(Pixel(0, 2, 200, 50), 0xF810);
    EXPECT_FALSE(BitBlt(dc_, 0, 0, 1, 1, memory, 0, 0, 0x00330008));
    DeleteDC(memory);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(BlockTest, StretchingScalesAndClipsToTheDestination) {
    HDC memory = CreateCompatibleDC(dc_);
    HBITMAP bitmap = MakeBitmap(2, 2);
    SelectObject(memory, bitmap);
    SetPixel(memory, 1, 1, 0xFFFFFF);
    EXPECT_TRUE(StretchBlt(dc_, 316, 196, 8, 8, memory, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(LitCount(), 0);
    EXPECT_TRUE(StretchBlt(dc_, 10, 10, 8, 8, memory, 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(LitCount(), 16);
    EXPECT_TRUE(Lit(14, 14) && Lit(17, 17));
    EXPECT_FALSE(Lit(13, 17));
    EXPECT_FALSE(StretchBlt(dc_, 0, 0, -2, 2, memory, 0, 0, 2, 2, SRCCOPY));
    DeleteDC(memory);
    DeleteObject(bitmap);
}

}  // namespace
