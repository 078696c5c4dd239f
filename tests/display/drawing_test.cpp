// Tests of drawing beyond what the scene shows: lending contexts, refused fills, flips, reading
// pixels, and refused pens, operations, contexts, pictures, copies and screenshots.
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

TEST_F(LendingTest, OtherRefusalsAreNamedAndAContextIsLentOnce) {
    HDC dc = nullptr;
    DisplayFaultPlan.getDCError = DDERR_INVALIDPARAMS;
    EXPECT_FALSE(GetHDC(&dc, 0, 2, -1));
    EXPECT_TRUE(Traced("ERROR:GetHDC: DDERR_INVALIDPARAMS"));
    DisplayFaultPlan.getDCError = DD_OK;

    ASSERT_TRUE(GetHDC(&dc, 0, 2, -1));
    HDC second = nullptr;
    EXPECT_FALSE(GetHDC(&second, 0, 2, -1));
    EXPECT_TRUE(Traced("ERROR:GetHDC: DDERR_DCALREADYCREATED"));
    EXPECT_FALSE(ClearScreen(0, 2, 0, -1, 0, 0, 0));
    ReleaseHDC(dc, 0, 7, -1);
    EXPECT_TRUE(Traced("ERROR:ReleaseHDC: getDD"));
    EXPECT_TRUE(Resolve(0, 2)->dcOut);
    ReleaseHDC(dc, 0, 2, -1);
    EXPECT_FALSE(GetHDC(&dc, 0, 5, -1));
    EXPECT_FALSE(GetHDC(&dc, OFFSCREEN, 0, -1));
}

using FillTest = DisplayTest;

TEST_F(FillTest, EmptyRectanglesDrawNothingAndThoseOffTheSurfaceAreRefused) {
    EXPECT_TRUE(ClearScreen(0, 2, WHITE, 5, 5, 5, 20));
    EXPECT_TRUE(ClearScreen(0, 2, WHITE, 5, 5, 40, 5));
    EXPECT_FALSE(ClearScreen(0, 2, WHITE, 300, 0, 330, 10));
    ExpectTraced({"ERROR:ClearScreen: lpDDS->Blt 32", "ERROR:ClearScreen: invalid rect (300, 0) (330, 10)"});
    EXPECT_FALSE(ClearScreen(1, 2, WHITE, -1, 0, 0, 0));
    EXPECT_EQ(CountNot(0, 2, 0), 0);
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

TEST_F(FillTest, FlipRecoversFromLossAndRefusalsButNotForeverAndCanFlipSaysWhenBusy) {
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

    DisplayFaultPlan.flipBusy = 2;
    EXPECT_EQ(GraphxCanFlip(0, 1), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(GraphxCanFlip(0, 2), DDERR_WASSTILLDRAWING);
    EXPECT_EQ(GraphxCanFlip(0, 1), 0u);
    EXPECT_EQ(GraphxCanFlip(9, 1), 0x80070057u);
}

using PixelTest = ContextTest;

TEST_F(PixelTest, PixelsAreReadWidenedWithZerosAndNeverOutsideTheSurface) {
    EXPECT_EQ(SetPixel(dc_, 0, 0, 0xFFFFFF), 0xF8FCF8u);
    SetPixel(dc_, 4, 0, RGB(0x87, 0x43, 0x21));
    EXPECT_EQ(GetPixel(dc_, 4, 0), RGB(0x80, 0x40, 0x20));
    SetRaw(0, 2, 5, 0, 0x0821);
    EXPECT_EQ(GetPixel(dc_, 5, 0), RGB(8, 4, 8));
    EXPECT_EQ(GetPixel(dc_, 319, 199), 0u);
    const int outside[][2] = {{-1, 0}, {320, 0}, {0, -1}, {0, 200}, {-5000, 70000}};
    for (const auto& p : outside) {
        EXPECT_EQ(SetPixel(dc_, p[0], p[1], 0xFFFFFF), CLR_INVALID);
        EXPECT_EQ(GetPixel(dc_, p[0], p[1]), CLR_INVALID);
    }
    EXPECT_EQ(LitCount(), 3);
    EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
}

using DrawingTest = ContextTest;

TEST_F(DrawingTest, RefusedRequestsSayWhyAndDrawNothing) {
    GraphxLine(dc_, 0, 0, 100, 100, 0xFFFFFF, 1, 0);
    GraphxLine(dc_, 0, 0, 100, 100, 0xFFFFFF, 1, 4);
    EXPECT_TRUE(Traced("ERROR:GraphxLine: bad penStyle"));
    GraphxFillRect(dc_, 400, 0, 500, 10, 0xFFFFFF);
    GraphxFillRect(dc_, 30, 30, 20, 40, 0xFFFFFF);
    GraphxFillRect(nullptr, 0, 0, 1, 1, 0xFFFFFF);
    EXPECT_TRUE(Traced("ERROR:GraphxFillRect: FillRect"));
    HDC memory = CreateCompatibleDC(dc_);
    HBITMAP bitmap = MakeBitmap(2, 2);
    SelectObject(memory, bitmap);
    SetPixel(memory, 1, 1, 0xFFFFFF);
    EXPECT_FALSE(BitBlt(dc_, 0, 0, 2, 2, memory, 0, 0, 0x00330008));
    EXPECT_FALSE(StretchBlt(dc_, 0, 0, -2, 2, memory, 0, 0, 2, 2, SRCCOPY));
    DeleteDC(memory);
    EXPECT_TRUE(DeleteObject(bitmap));
    GraphxString(nullptr, 0, 0, 0, 0, false, "x");
    EXPECT_TRUE(Traced("ERROR:GraphxString: TextOut"));
    EXPECT_FALSE(GraphxWriteVisiblePng("/nonexistent-dir/shot.png"));
    EXPECT_FALSE(GraphxWritePng((::testing::TempDir() + "lobshot_shot.png").c_str(), 4, 1));

    InstallPicture("IDB_PAIR", 2, 1, [](int x, int) { return x ? 0xFFFFFFu : 0u; });
    int s = -1;
    DisplayFaultPlan.failSurfaceCreations = 1;
    EXPECT_FALSE(
        GraphxBitmapToOSSurface(&s, 0, 2, nullptr, "IDB_PAIR", MEMORY_KIND_SYSTEM, 0, 0, true, true));
    EXPECT_TRUE(Traced("ERROR:GraphxBitmapToOSSurface: GraphxCreateOSSurface\n"));
    s = MakeSurface(8, 8);
    EXPECT_FALSE(EnsureSurfaceCompat(s, 3));
    EXPECT_FALSE(EnsureSurfaceCompat(s + 1, 0));
    EXPECT_TRUE(Traced("ERROR:EnsureSurfaceCompat: pSurface==null"));
    EXPECT_FALSE(UpdateDuplicateSurfaces(s + 1));
    EXPECT_EQ(LitCount(), 0);
}

TEST_F(DrawingTest, APenInUseIsNotDeletedAndTheLineStartsWhereTheLastEnded) {
    HPEN pen = CreatePen(PS_SOLID, 1, 0xFFFFFF);
    HGDIOBJ previous = SelectObject(dc_, pen);
    ASSERT_NE(previous, nullptr);
    EXPECT_FALSE(DeleteObject(pen));
    POINT before;
    MoveToEx(dc_, 5, 5, &before);
    EXPECT_EQ(before.x, 0);
    MoveToEx(dc_, 9, 8, &before);
    EXPECT_EQ(before.y, 5);
    EXPECT_EQ(SelectObject(dc_, previous), pen);
    EXPECT_TRUE(DeleteObject(pen));
}

}  // namespace
