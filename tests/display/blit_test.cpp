// Tests of rectangle copies beyond what the scene shows: copies wholly outside, refused requests,
// copies between off-screen surfaces, contexts that cannot be had, and failing copies.
#include "display/device/dd_errors.h"
#include "tests/display/display_fixture.h"

namespace {

constexpr std::uint16_t GREY = 0x4208;

// A fixture with a 20x20 source surface whose pixels are all different (1 + x + 20y) and a back
// page cleared to grey.
class CopyTest : public DisplayTest {
protected:
    void SetUp() override {
        DisplayTest::SetUp();
        source_ = MakeSurface(20, 20);
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) SetRaw(OFFSCREEN, source_, x, y, SourceValue(x, y));
        }
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

TEST_F(CopyTest, RefusedRequestsDrawNothing) {
    const int s = source_;
    const struct {
        int n, s, nDest, sDest, width;
        const char* row;
    } cases[] = {
        {0, 2, 0, 2, 5, "Aborting because source isn't an offscreen surface"},
        {9, 0, 0, 2, 5, "ERROR:GraphxBlitSurface: Silly params  9 0 0 2"},
        {OFFSCREEN, 0, 0, -1, 5, "Silly params  8 0 0 -1"},
        {OFFSCREEN, 5, 0, 2, 5, "ERROR:GraphxBlitSurface: srcSurface==NULL"},
        {OFFSCREEN, s, 0, 5, 5, "ERROR:GraphxBlitSurface: getDD dest"},
        {OFFSCREEN, s, 0, 2, 30, "ERROR:GraphxBlitSurface: INVALIDRECT"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GraphxBlitSurfaceAt(c.n, c.s, c.nDest, c.sDest, 0, 0, 0, 0, c.width, 5, false, false, false,
                                      nullptr),
                  GRAPHX_BLIT_FAILED);
        EXPECT_TRUE(Traced(c.row)) << c.row << "\n" << Trace();
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
    EXPECT_EQ(Pixel(OFFSCREEN, target, 39, 39), SourceValue(9, 9));
    EXPECT_EQ(CountNot(OFFSCREEN, target, GREY), 100);
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
