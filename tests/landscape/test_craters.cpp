// Tests of craters, scorch marks and falling earth.
#include <tuple>
#include <utility>

#include "core/random.h"
#include "landscape/landscape.h"
#include "tests/landscape/landscape_fixture.h"

namespace {

// A 640x300 landscape whose rows 150 and below are earth of one colour.
class LandscapeCraterTest : public LandscapeTest {
protected:
    void SetUp() override {
        LandscapeTest::SetUp();
        land_ = Make(640, 300);
        land_->gravityOn = 1;
        Fill(*land_, 0, 150, 640, 300, Earth, EARTH);
    }
    // One column of a material from row top, rows high.
    void Column(int x, int top, int rows, std::int32_t material, COLORREF colour) {
        Fill(*land_, x, top, x + 1, top + rows, material, colour);
    }
    static constexpr COLORREF EARTH = RGB(200, 160, 80);
    std::unique_ptr<Landscape> land_;
};

TEST_F(LandscapeCraterTest, HoleRemovesTheClosedDiscAndRescansTheColumns) {
    land_->Hole(100, 200, 10, false, 0.5f);
    EXPECT_EQ(land_->Cell(110, 200), Air);
    EXPECT_EQ(Picture(110, 200), AsStored(0xFFFFFF));
    EXPECT_EQ(land_->Cell(110, 201), Earth);
    EXPECT_EQ(land_->Cell(107, 207), Air);    // 98 < 100
    EXPECT_EQ(land_->Cell(108, 207), Earth);  // 113 > 100
    EXPECT_EQ(std::make_pair(land_->topSolid[100], land_->lowestAir[100]), std::make_pair(150, 210));

    // Pixels beyond the edges are skipped.
    land_->Hole(0, 299, 20, false, 0.5f);
    land_->Hole(639, 150, 5, false, 0.5f);
    EXPECT_EQ(std::make_tuple(land_->Cell(20, 299), land_->Cell(21, 299), land_->Cell(639, 155)),
              std::make_tuple(Air, Earth, Air));
}

// One draw per rock pixel of the disc: rockFactor 0 keeps all, above 1 removes all; keepTerrain
// removes nothing and draws nothing but still rescans.
TEST_F(LandscapeCraterTest, RockFactorDecidesWhetherRockSurvives) {
    Fill(*land_, 200, 150, 400, 300, Rock, RGB(96, 96, 96));
    int disc = 0;
    while (DiscOffsets[disc].distance <= 30.0f) ++disc;
    std::uint32_t before = game::RandState();
    land_->Hole(300, 220, 30, false, 0.0f);
    EXPECT_EQ(DrawsSince(before), disc);
    for (int n = 0; n < disc; ++n)
        ASSERT_EQ(land_->Cell(300 + DiscOffsets[n].dx, 220 + DiscOffsets[n].dy), Rock);
    land_->Hole(300, 220, 30, false, 1.01f);
    for (int n = 0; n < disc; ++n)
        ASSERT_EQ(land_->Cell(300 + DiscOffsets[n].dx, 220 + DiscOffsets[n].dy), Air);

    land_->Cell(620, 10) = Earth;
    before = game::RandState();
    land_->Hole(620, 200, 20, true, 2.0f);
    EXPECT_EQ(land_->Cell(620, 200), Earth);
    EXPECT_EQ(land_->topSolid[620], 10);
    EXPECT_EQ(game::RandState(), before);
}

TEST_F(LandscapeCraterTest, ShadingScalesTheCentreByFactorAndLeavesTheRimAlone) {
    const COLORREF stored = AsStored(EARTH);
    for (float factor : {0.3f, 0.4f, 0.8f}) {
        for (int mode : {0, 1}) {
            Fill(*land_, 0, 150, 640, 300, Earth, EARTH);
            land_->ShadeDisc(320, 220, 20, 35, mode, factor);
            auto scaled = [&](int channel) { return static_cast<int>(static_cast<float>(channel) * factor); };
            EXPECT_EQ(Picture(320, 220), AsStored(RGB(scaled(GetRValue(stored)), scaled(GetGValue(stored)),
                                                      scaled(GetBValue(stored)))));
            EXPECT_EQ(Picture(320 + 35, 220), stored) << factor << " " << mode;
            EXPECT_EQ(Picture(320, 220 - 35), stored) << factor << " " << mode;
            EXPECT_GT(GetRValue(Picture(320 + 28, 220)), GetRValue(Picture(320, 220)));
            EXPECT_LT(GetRValue(Picture(320 + 28, 220)), GetRValue(stored));
        }
    }
    // Air keeps its white; another mode shades only the inner disc; a single point scales alone.
    land_->ShadeDisc(100, 150, 10, 20, 1, 0.4f);
    EXPECT_EQ(Picture(100, 149), AsStored(0xFFFFFF));
    land_->ShadeDisc(400, 220, 10, 20, 2, 0.5f);
    EXPECT_NE(Picture(400, 229), stored);
    EXPECT_EQ(Picture(400, 231), stored);
    land_->ShadePoint(50, 150, 0.5f);
    land_->ShadePoint(50, 149, 0.5f);
    EXPECT_EQ(Picture(50, 150), AsStored(RGB(100, 80, 40)));
    EXPECT_EQ(Picture(50, 149), AsStored(0xFFFFFF));
}

// Earth falls only with gravity on and the landscape's picture there.
TEST_F(LandscapeCraterTest, ASlabOverAFivePixelGapLandsInFiveCalls) {
    Column(10, 145, 5, Air, 0xFFFFFF);
    Column(10, 142, 1, Earth, RGB(248, 0, 0));
    Column(10, 143, 1, Earth, RGB(0, 252, 0));
    Column(10, 144, 1, Earth, RGB(0, 0, 248));
    land_->gravityOn = 0;
    EXPECT_FALSE(land_->DoGravity());
    land_->gravityOn = 1;
    const int surface = std::exchange(LandscapeSurface, -1);
    EXPECT_FALSE(land_->DoGravity());
    LandscapeSurface = surface;
    EXPECT_EQ(land_->Cell(10, 145), Air);
    for (int call = 1; call <= 5; ++call) {
        ASSERT_TRUE(land_->DoGravity()) << call;
        EXPECT_EQ(land_->topSolid[10], 142 + call);
        EXPECT_EQ(land_->Cell(10, 141 + call), Air);
        EXPECT_EQ(Picture(10, 141 + call), AsStored(0xFFFFFF));
    }
    EXPECT_FALSE(land_->DoGravity());
    EXPECT_EQ(std::make_tuple(Picture(10, 147), Picture(10, 148), Picture(10, 149)),
              std::make_tuple(RGB(248, 0, 0), RGB(0, 252, 0), RGB(0, 0, 248)));
    for (int y = 0; y < 300; ++y) ASSERT_EQ(land_->Cell(10, y), y < 147 ? Air : Earth) << y;
}

// Upper slab 100..103, gap 104..109, lower slab 110..119, gap 120..149, in the first and last
// columns: the lower gap closes first, carrying the upper slab and its gap down with it.
TEST_F(LandscapeCraterTest, StackedSlabsFallTogetherUntilTheLowerGapCloses) {
    for (int x : {0, 639}) {
        Column(x, 100, 4, Earth, RGB(248, 0, 0));
        Column(x, 110, 10, Earth, RGB(0, 0, 248));
    }
    for (int call = 1; call <= 30; ++call) {
        ASSERT_TRUE(land_->DoGravity()) << call;
        for (int x : {0, 639}) {
            ASSERT_EQ(std::make_tuple(land_->Cell(x, 103 + call), land_->Cell(x, 104 + call),
                                      land_->Cell(x, 109 + call), land_->Cell(x, 110 + call)),
                      std::make_tuple(Earth, Air, Air, Earth))
                << call;
        }
    }
    for (int call = 1; call <= 6; ++call) ASSERT_TRUE(land_->DoGravity()) << call;
    EXPECT_FALSE(land_->DoGravity());
    for (int y = 0; y < 300; ++y) ASSERT_EQ(land_->Cell(639, y), y < 136 ? Air : Earth) << y;
    EXPECT_EQ(std::make_pair(Picture(0, 136), Picture(0, 140)),
              std::make_pair(RGB(248, 0, 0), RGB(0, 0, 248)));
}

}  // namespace
