// Tests of drawing beyond what the scene shows: lending contexts, refused fills, flips, reading
// pixels, and refused pens, operations, contexts, pictures, copies and screenshots; rectangle
// copies wholly outside, refused, between off-screen surfaces, through contexts that cannot be
// had, and failing.
#include <string>
#include <tuple>

#include "display/context.h"
#include "display/device/dd_errors.h"
#include "platform/headless/headless_platform.h"
#include "tests/display/display_fixture.h"
#include "tests/support/golden.h"

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
    EXPECT_EQ(std::tuple(CountNot(0, 1, 0xF800), Pixel(0, 2, 3, 4)), std::tuple(0, 0x07E0));
    const HeadlessFrame& frame = HeadlessLastFrame();
    ASSERT_EQ(std::tuple(frame.width, frame.height), std::tuple(320, 200));
    EXPECT_EQ(std::tuple(frame.pixels[4 * 320 + 3], DisplayFaultPlan.presentCalls), std::tuple(0xF800, 1));
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
    for (const auto& [device, page, answer] : {std::tuple{0, 1, DDERR_WASSTILLDRAWING},
                                               {0, 2, DDERR_WASSTILLDRAWING},
                                               {0, 1, 0u},
                                               {9, 1, 0x80070057u}})
        EXPECT_EQ(GraphxCanFlip(device, page), answer) << device << " " << page;
}

using PixelTest = ContextTest;

TEST_F(PixelTest, PixelsAreReadWidenedWithZerosAndNeverOutsideTheSurface) {
    EXPECT_EQ(SetPixel(dc_, 0, 0, 0xFFFFFF), 0xF8FCF8u);
    SetPixel(dc_, 4, 0, RGB(0x87, 0x43, 0x21));
    SetRaw(0, 2, 5, 0, 0x0821);
    EXPECT_EQ(std::tuple(GetPixel(dc_, 4, 0), GetPixel(dc_, 5, 0), GetPixel(dc_, 319, 199)),
              std::tuple(RGB(0x80, 0x40, 0x20), RGB(8, 4, 8), 0u));
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
    POINT first, second;
    MoveToEx(dc_, 5, 5, &first);
    MoveToEx(dc_, 9, 8, &second);
    EXPECT_EQ(std::tuple(first.x, second.y), std::tuple(0, 5));
    EXPECT_EQ(SelectObject(dc_, previous), pen);
    EXPECT_TRUE(DeleteObject(pen));
}

constexpr std::uint16_t GREY = 0x4208;

// A fixture with a 20x20 source surface whose pixels are all different (1 + x + 20y) and a back
// page cleared to grey.
class CopyTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        source_ = MakeSurface(20, 20);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) SetRaw(OFFSCREEN, source_, x, y, SourceValue(x, y));
        FillRaw(0, 2, GREY);
    }
    static std::uint16_t SourceValue(int x, int y) { return static_cast<std::uint16_t>(1 + x + 20 * y); }
    std::uint32_t CopyAt(int x, int y) {
        return GraphxBlitSurfaceAt(OFFSCREEN, source_, 0, 2, x, y, 0, 0, 20, 20, true, false, false, nullptr);
    }

    int source_ = -1;
};

TEST_F(CopyTest, CopiesWhollyOutsideDrawNothingAndSucceed) {
    const int outside[][2] = {{320, 0}, {-20, 50}, {0, 200}, {50, -20}, {-100000, -100000}};
    for (const auto& at : outside) EXPECT_EQ(CopyAt(at[0], at[1]), GRAPHX_BLIT_OK);
    EXPECT_EQ(CountNot(0, 2, GREY), 0);
    EXPECT_TRUE(Trace().empty()) << Trace();
}

// Each copy of refused_copies.tsv draws nothing and says why.
TEST_F(CopyTest, RefusedRequestsDrawNothing) {
    const int s = source_;
    for (const auto& row : GoldenRows("display/refused_copies.tsv")) {
        const int from = row[1] == "s" ? s : std::stoi(row[1]);
        EXPECT_EQ(GraphxBlitSurfaceAt(std::stoi(row[0]), from, std::stoi(row[2]), std::stoi(row[3]), 0, 0, 0,
                                      0, std::stoi(row[4]), 5, false, false, false, nullptr),
                  GRAPHX_BLIT_FAILED);
        EXPECT_TRUE(Traced(row[5])) << row[5] << "\n" << Trace();
    }
    EXPECT_EQ(
        GraphxBlitSurface(OFFSCREEN, s, 0, 2, 0, 0, 10, 10, 0, 0, 10, 11, true, false, false, nullptr, false),
        GRAPHX_BLIT_FAILED);
    ExpectTraced({"Rectangles differ in size", "source rect(x,y,w,h)=0,0,30,5 \r\n", "Source surface 20x20"});
    EXPECT_EQ(CountNot(0, 2, GREY), 0);
}

TEST_F(CopyTest, CopiesBetweenOffscreenSurfacesAreClippedToTheTarget) {
    const int target = MakeSurface(40, 40);
    FillRaw(OFFSCREEN, target, GREY);
    EXPECT_EQ(GraphxBlitSurfaceAt(OFFSCREEN, source_, OFFSCREEN, target, 30, 30, 0, 0, 20, 20, true, false,
                                  false, nullptr),
              GRAPHX_BLIT_OK);
    EXPECT_EQ(std::tuple(Pixel(OFFSCREEN, target, 39, 39), CountNot(OFFSCREEN, target, GREY)),
              std::tuple(SourceValue(9, 9), 100));
}

TEST_F(CopyTest, DevicesThatDoNotBlitByPlatformTakeTheContextPath) {
    GraphxEnableAdapter(0, 320, 200, false);
    EXPECT_EQ(GraphxBlitSurface(OFFSCREEN, source_, 0, 2, 0, 0, 40, 40, 0, 0, 20, 20, true, false, false,
                                nullptr, true),
              GRAPHX_BLIT_OK);
    EXPECT_EQ(Pixel(0, 2, 20, 5), 0xF800);
}

TEST_F(CopyTest, TheContextPathReportsContextsItCannotGet) {
    HDC held = nullptr;
    ASSERT_TRUE(GetHDC(&held, 0, 2, -1));
    EXPECT_EQ(GraphxBlitSurfaceAt(OFFSCREEN, source_, 0, 2, 0, 0, 0, 0, 20, 20, true, true, false, nullptr),
              GRAPHX_BLIT_OK);
    EXPECT_TRUE(Traced("ERROR:GraphxBlitSurface: Couldn't get dest HDC"));
    EXPECT_FALSE(Resolve(OFFSCREEN, source_)->dcOut);
    ReleaseHDC(held, 0, 2, -1);
    ASSERT_TRUE(GetHDC(&held, OFFSCREEN, source_, -1));
    EXPECT_EQ(GraphxBlitSurfaceAt(OFFSCREEN, source_, 0, 2, 0, 0, 0, 0, 20, 20, true, true, false, nullptr),
              GRAPHX_BLIT_OK);
    EXPECT_TRUE(Traced("ERROR:GraphxBlitSurface: Couldn't get source HDC"));
    ReleaseHDC(held, OFFSCREEN, source_, -1);
    EXPECT_EQ(CountNot(0, 2, GREY), 0);
}

TEST_F(CopyTest, OtherFailuresAreNamedWithBothRectangles) {
    DisplayFaultPlan.failBlits = 1;
    DisplayFaultPlan.blitError = DDERR_NOTFLIPPABLE;
    const int target = MakeSurface(40, 40);
    EXPECT_EQ(GraphxBlitSurfaceAt(OFFSCREEN, source_, OFFSCREEN, target, -3, 4, 0, 0, 20, 20, true, false,
                                  false, nullptr),
              GRAPHX_BLIT_FAILED);
    EXPECT_TRUE(Traced("destination: offscreen surface 1, (-3,4)to(17,24)"));
}

}  // namespace
