// Tests of the landscape: the disc tables, construction and wind, the view and the terrain queries,
// craters, scorch marks and falling earth; and generation: progress, the terrain kinds' heights and
// draws, the column styles and the sky.
#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "core/globals.h"
#include "core/random.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "runner/runner.h"
#include "tests/support/golden.h"
#include "tests/support/temp_folder.h"
#include "tests/support/world.h"

namespace {

class LandscapeTest : public WorldTest {
protected:
    static void Fill(Landscape& land, int left, int top, int right, int bottom, std::int32_t material,
                     COLORREF colour) {
        FillLand(land, left, top, right, bottom, material, colour);
    }

    // How many draws the generator has made since its state was `state`; -1 beyond `limit`.
    static int DrawsSince(std::uint32_t state, int limit = 100000) {
        const std::uint32_t now = game::RandState();
        for (int n = 0; n <= limit; ++n, state = state * 214013u + 2531011u)
            if (state == now) return n;
        return -1;
    }
};

// Colours as a 16-bit surface gives them back.
constexpr COLORREF AsStored(COLORREF colour) { return colour & 0xF8FCF8; }

using LandscapeModelTest = LandscapeTest;

int Squared(const DiscOffset& d) { return d.dx * d.dx + d.dy * d.dy; }

// Every offset of the square of side 201 once, sorted by distance, then dx, then dy (the bits are
// checked by the core's tests), and each ring's start.
TEST_F(LandscapeModelTest, DiscTablesHoldEveryOffsetNearestFirst) {
    const DiscOffset* d = DiscOffsets;
    EXPECT_EQ(std::tuple(d[1].dx, d[1].dy, d[DISC_RECORD_COUNT - 1].dx), std::tuple(-1, 0, 100));
    std::set<std::pair<int, int>> seen;
    for (int n = 0; n < DISC_RECORD_COUNT; ++n) {
        seen.insert({d[n].dx, d[n].dy});
        ASSERT_FLOAT_EQ(d[n].distance, std::sqrt(static_cast<float>(Squared(d[n])))) << n;
        ASSERT_NEAR(d[n].angle, std::atan2(static_cast<double>(d[n].dy), static_cast<double>(d[n].dx)), 1e-6)
            << n;
        if (n > 0) {
            ASSERT_LT(std::make_tuple(Squared(d[n - 1]), d[n - 1].dx, d[n - 1].dy),
                      std::make_tuple(Squared(d[n]), d[n].dx, d[n].dy));
        }
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(DISC_RECORD_COUNT));
    EXPECT_EQ(std::tuple(RingStarts[0], RingStarts[2], RingStarts[101]), std::tuple(0, 9, 32005));
    for (int r = 1; r < RING_START_COUNT; ++r) {
        EXPECT_LT(Squared(d[RingStarts[r] - 1]), r * r) << r;
        EXPECT_GE(Squared(d[RingStarts[r]]), r * r) << r;
    }
}

// One draw picks record k + 1 of the first RingStarts[r]: never the centre, and on the rim only
// (-r, 0).
TEST_F(LandscapeModelTest, RandomOffsetPicksOneRecordOfItsRing) {
    std::int32_t dx = 0, dy = 0;
    for (int i = 0; i < 20; ++i) {
        Landscape::RandomOffset(1, &dx, &dy);
        ASSERT_EQ(std::make_pair(dx, dy), std::make_pair(-1, 0));
    }
    for (int r : {15, 25, 60}) {
        const std::uint32_t before = game::RandState();
        const int k = game::rand() % RingStarts[r];
        game::srand(before);
        Landscape::RandomOffset(r, &dx, &dy);
        EXPECT_EQ(DrawsSince(before), 1);
        EXPECT_EQ(std::make_pair(dx, dy), std::make_pair(DiscOffsets[k + 1].dx, DiscOffsets[k + 1].dy));
        EXPECT_EQ(std::make_pair(DiscOffsets[RingStarts[r]].dx, DiscOffsets[RingStarts[r]].dy),
                  std::make_pair(-r, 0));
    }
}

// Width and height are the first two draws; then the wind option takes none, one, one, or a
// choice followed (two times in three) by the wind and its parity.
TEST_F(LandscapeModelTest, TheConstructorDrawsSizeThenWindByOption) {
    for (std::int32_t option = 0; option <= 3; ++option) {
        WindOption = static_cast<WindChoice>(option);
        std::set<std::int32_t> winds;
        int varying = 0;
        for (int i = 0; i < 600; ++i) {
            const std::uint32_t before = game::RandState();
            int draws[5];
            for (int& draw : draws) draw = game::rand();
            game::srand(before);
            Landscape land;
            const bool calm = option == 0 || (option == 3 && draws[2] % 3 == 0);
            const int windDraw = option == 3 ? draws[3] : draws[2];
            ASSERT_EQ(std::tuple(land.width, land.height, land.skyWidth, land.skyHeight),
                      std::tuple(640 + draws[0] % 561, 300 + draws[1] % 201, land.width / 4 + 320,
                                 land.height / 4 + 200));
            ASSERT_EQ(std::tuple(land.wind, land.windVaries, DrawsSince(before, 6)),
                      std::tuple(calm ? 0 : windDraw % 19 - 9,
                                 option == 2 || (option == 3 && !calm && draws[4] % 2 == 0),
                                 option == 0            ? 2
                                 : option == 3 && !calm ? 5
                                                        : 3));
            winds.insert(land.wind);
            varying += land.windVaries;
        }
        EXPECT_EQ(winds.size(), option == 0 ? 1u : 19u);
        EXPECT_EQ(varying > 0, option >= 2);
    }
    std::fill_n(MaterialMap.begin(), MaterialMap.size(), Earth);
    const Landscape land;
    EXPECT_EQ(land.gravityOn, LandscapeGravityOption);
    for (int y = 0; y < land.height; ++y) ASSERT_EQ(land.Cell(land.width - 1, y), Air);
    EXPECT_EQ(MaterialMap[land.width * land.height], Earth);
}

TEST_F(LandscapeModelTest, OnlyAVaryingWindChangesAndByAtMostFour) {
    WindOption = WIND_CONSTANT;
    Landscape constant;
    const std::int32_t wind = constant.wind;
    for (int turn = 0; turn < 20; ++turn) constant.VaryWind();
    EXPECT_EQ(constant.wind, wind);
    WindOption = WIND_VARIABLE;
    Landscape land;
    std::set<std::int32_t> seen;
    for (int turn = 0; turn < 2000; ++turn) {
        const std::int32_t last = land.wind;
        land.VaryWind();
        ASSERT_TRUE(std::abs(land.wind - last) <= 4 && std::abs(land.wind) <= 9) << last << " " << land.wind;
        seen.insert(land.wind);
    }
    EXPECT_EQ(seen.size(), 19u);
}

TEST_F(LandscapeModelTest, TheViewStaysInsideAndPansBackFromTheEdges) {
    auto land = AirLandscape(800, 400);
    std::int32_t x = -5, y = 1000;
    land->ClampView(&x, &y, 20);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(0, 400 + 20 - 200));
    x = 481;
    y = -1;
    land->ClampView(&x, &y, 0);
    EXPECT_EQ(std::make_pair(x, y), std::make_pair(480, 0));

    x = 479;
    y = 1;
    std::int32_t stepX = 1, stepY = -1;
    land->PanView(&x, &y, &stepX, &stepY, 0);
    EXPECT_EQ(std::make_tuple(x, y, stepX, stepY), std::make_tuple(480, 0, 1, -1));
    land->PanView(&x, &y, &stepX, &stepY, 0);
    EXPECT_EQ(std::make_tuple(x, y, stepX, stepY), std::make_tuple(480, 0, -1, 1));
    y = 218;
    stepY = 5;
    land->PanView(&x, &y, &stepX, &stepY, 20);
    EXPECT_EQ(std::make_pair(y, stepY), std::make_pair(220, -5));
}

TEST_F(LandscapeModelTest, ColumnQueriesFindTheSurfaceAndTheLoosePieces) {
    auto land = AirLandscape(640, 300);
    Fill(*land, 0, 0, 1, 300, Earth, 0x00FF00);    // solid throughout
    Fill(*land, 1, 100, 2, 110, Rock, 0x808080);   // floating
    Fill(*land, 2, 250, 3, 300, Earth, 0x00FF00);  // settled
    EXPECT_EQ(std::tuple(land->SurfaceY(0), land->SurfaceY(1), land->SurfaceY(639)), std::tuple(-1, 99, 299));
    const int expected[4][2] = {{299, 0}, {299, 100}, {249, 250}, {299, 299}};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(std::pair(land->lowestAir[x], land->topSolid[x]), std::pair(expected[x][0], expected[x][1]))
            << x;

    // Scanning all columns at once gives what scanning each alone gives.
    for (int i = 0; i < 3000; ++i) land->Cell(game::rand() % 640, game::rand() % 300) = 1 + game::rand() % 3;
    land->ScanAllColumns();
    for (int x = 0; x < 640; ++x) {
        const auto all = std::make_pair(land->lowestAir[x], land->topSolid[x]);
        land->ScanColumn(x);
        ASSERT_EQ(std::make_pair(land->lowestAir[x], land->topSolid[x]), all) << x;
    }
}

TEST_F(LandscapeModelTest, PointsWriteBothMaterialAndColour) {
    auto land = AirLandscape(640, 300);
    COLORREF colour = 0x123456;
    for (auto [x, y] : {std::pair{-1, 10}, {640, 10}, {10, 300}, {10, 10}})
        EXPECT_FALSE(land->GetPoint(x, y, &colour));
    EXPECT_EQ(colour, 0x123456u);
    land->SetPoint(639, 299, 0x2080C0, Lava);
    land->SetPoint(640, 0, 0, Earth);
    EXPECT_TRUE(land->GetPoint(639, 299, &colour));
    EXPECT_EQ(std::tuple(land->topSolid[639], colour), std::tuple(299, AsStored(0x2080C0)));
    land->ReplaceMaterial(Lava, Rock);
    EXPECT_EQ(std::tuple(land->Cell(639, 299), Picture(639, 299)), std::tuple(Rock, AsStored(0x2080C0)));

    // Without the picture's context nothing is written, and reads answer from the materials.
    LandscapeSurface = -1;
    land->SetPoint(5, 5, 0x0000FF, Rock);
    colour = 0x123456;
    EXPECT_TRUE(land->GetPoint(639, 299, &colour));
    EXPECT_EQ(std::tuple(land->Cell(5, 5), colour), std::tuple(Air, 0x123456u));
}

// The sky runs from its first column to its last while the view crosses the landscape, and the
// terrain covers it except where the picture is white.
TEST_F(LandscapeModelTest, DrawShowsTheSkyBehindTheTerrainWithParallax) {
    auto land = AirLandscape(800, 400);
    for (int x = 0; x < land->skyWidth; ++x)
        SetPixelOf(OFFSCREEN, SkySurface, x, 0, RGB(0, x % 64 * 4, x / 64 * 8));
    Fill(*land, 100, 0, 101, 1, Earth, 0x0000F8);
    auto skyColumnAt = [](int screenX) {
        const COLORREF c = PixelOf(0, 2, screenX, 0);
        return GetGValue(c) / 4 + 64 * (GetBValue(c) / 8);
    };
    EXPECT_TRUE(land->Draw(0, 2, 0, 0, 20));
    EXPECT_EQ(std::tuple(skyColumnAt(0), PixelOf(0, 2, 100, 0)), std::tuple(0, 0x0000F8u));
    land->Draw(0, 2, 800 - 320, 0, 20);
    EXPECT_EQ(std::tuple(skyColumnAt(0), skyColumnAt(319)),
              std::tuple(land->skyWidth - 320, land->skyWidth - 1));
}

// The replay runner's material map holds one byte a pixel (the snapshot's counts are checked by
// the scenarios).
TEST_F(LandscapeModelTest, TheRunnerWritesTheMaterialMap) {
    const TempFolder folder;
    const std::string path = folder.Path("materials.pgm");
    ASSERT_TRUE(WriteMaterialMap(path));
    TheLandscape = AirLandscape(640, 300).release();
    Fill(*TheLandscape, 0, 200, 640, 300, Earth, 0);
    Fill(*TheLandscape, 0, 299, 3, 300, Rock, 0);
    TheLandscape->Cell(639, 0) = Lava;
    ASSERT_TRUE(WriteMaterialMap(path));
    const std::string bytes = TempFolder::Read(path);
    const std::string header = "P5\n640 300\n3\n";
    ASSERT_EQ(bytes.size(), header.size() + 640 * 300);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    const char* map = bytes.data() + header.size();
    EXPECT_EQ(std::tuple(map[639], map[640 * 299], map[640 * 200 + 5]), std::tuple(3, 2, 1));
}

// A 640x300 landscape whose rows 150 and below are earth of one colour.
class LandscapeCraterTest : public LandscapeTest {
protected:
    void SetUp() override {
        LandscapeTest::SetUp();
        land_ = AirLandscape(640, 300);
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
    // The rim at distance 10 goes; (7, 7) is inside (98 < 100), (8, 7) outside (113 > 100).
    EXPECT_EQ(std::tuple(land_->Cell(110, 200), Picture(110, 200), land_->Cell(110, 201),
                         land_->Cell(107, 207), land_->Cell(108, 207)),
              std::tuple(Air, AsStored(0xFFFFFF), Earth, Air, Earth));
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
    EXPECT_EQ(std::tuple(land_->Cell(620, 200), land_->topSolid[620], game::RandState()),
              std::tuple(Earth, 10, before));
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
    land_->ShadeDisc(400, 220, 10, 20, 2, 0.5f);
    land_->ShadePoint(50, 150, 0.5f);
    land_->ShadePoint(50, 149, 0.5f);
    EXPECT_NE(Picture(400, 229), stored);
    EXPECT_EQ(std::tuple(Picture(100, 149), Picture(400, 231), Picture(50, 150), Picture(50, 149)),
              std::tuple(AsStored(0xFFFFFF), stored, AsStored(RGB(100, 80, 40)), AsStored(0xFFFFFF)));
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
        EXPECT_EQ(std::tuple(land_->topSolid[10], land_->Cell(10, 141 + call), Picture(10, 141 + call)),
                  std::tuple(142 + call, Air, AsStored(0xFFFFFF)));
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

using LandscapeGenerateTest = LandscapeTest;

std::vector<float> Reported;
void Record(float progress) { Reported.push_back(progress); }

// Height of a generated column: its solid pixels less one.
int ColumnHeight(const Landscape& land, int x) { return land.height - 2 - land.SurfaceY(x); }

TEST_F(LandscapeGenerateTest, ProgressStartsAtZeroThenCountsEveryFifthColumn) {
    for (int kind = 0; kind < 3; ++kind) {
        for (int width : {1000, 1003}) {
            auto land = AirLandscape(width, 300);
            Reported.clear();
            land->Generate(kind, 0, Record);
            std::vector<float> expected = {0.0f};
            for (int x = 0; x < width; x += 5)
                expected.push_back(static_cast<float>(x) / static_cast<float>(width));
            EXPECT_EQ(Reported, expected) << "kind " << kind << ", width " << width;
        }
    }
}

// Kind 0 stays within 0.15 to 0.85 of the height, kind 1 within 1/8 to 7/8, kind 2 within 1/6 to
// 5/6 and starts at its first target; every column is solid from the bottom to its height.
TEST_F(LandscapeGenerateTest, EachKindKeepsItsHeightsWithinItsBounds) {
    const double bounds[3][2] = {{0.15, 0.85}, {0.125, 0.875}, {1.0 / 6, 5.0 / 6}};
    for (int kind = 0; kind < 3; ++kind) {
        for (int seed = 1; seed <= 10; ++seed) {
            game::srand(static_cast<std::uint32_t>(seed * 7919 + kind));
            Landscape land;
            const int h = land.height;
            const std::uint32_t before = game::RandState();
            const int r1 = game::rand();
            const int r2 = game::rand();
            game::srand(before);
            land.Generate(kind, 3, nullptr);
            int lowest = h, highest = 0;
            for (int x = 0; x < land.width; ++x) {
                const int c = ColumnHeight(land, x);
                lowest = std::min(lowest, c);
                highest = std::max(highest, c);
                ASSERT_EQ(land.topSolid[x], h - 1 - c);
                ASSERT_EQ(land.lowestAir[x], h - 2 - c);
            }
            const int low = kind == 2 ? h / 6 : static_cast<int>(bounds[kind][0] * h) - 1;
            const int high = kind == 2 ? 5 * h / 6 : static_cast<int>(bounds[kind][1] * h);
            EXPECT_TRUE(lowest >= low && highest <= high && highest - lowest > h / 20)
                << "kind " << kind << ", seed " << seed << ": " << lowest << " to " << highest;
            if (kind == 2) {
                EXPECT_EQ(ColumnHeight(land, 0), h / 6 + r2 % (r1 % (4 * h / 6) + 1));
            }
        }
    }
}

// Each kind's waves or segments from one seed, as generated.tsv records them: the draws made and
// every 40th column's height. The draws' order and the waves' single-precision sums decide these,
// and replays depend on both.
TEST_F(LandscapeGenerateTest, EachKindGeneratesTheRecordedColumns) {
    for (const std::vector<std::string>& row : GoldenRows("landscape/generated.tsv")) {
        game::srand(static_cast<std::uint32_t>(std::stoul(row.at(0))));
        auto land = AirLandscape(800, 400);
        const std::uint32_t before = game::RandState();
        land->Generate(std::stoi(row.at(1)), 0, nullptr);
        std::string got = std::to_string(DrawsSince(before, 1000000));
        for (int x = 0; x < land->width; x += 40) got += " " + std::to_string(ColumnHeight(*land, x));
        EXPECT_EQ(got, row.at(2)) << "seed " << row[0] << ", kind " << row[1];
    }
}

// Style 4 puts c/5 rock pixels under the earth and draws one number for each; style 5 puts one
// more and also draws two numbers for every earth pixel. Heights are clamped and the Air above
// keeps its colour.
TEST_F(LandscapeGenerateTest, ColumnStylesLayRockUnderEarthAndDrawPerPixel) {
    auto land = AirLandscape(640, 300);
    for (int style : {4, 5}) {
        for (int asked : {-3, 0, 4, 5, 123, 299, 400}) {
            const int c = std::clamp(asked, 0, 299);
            Fill(*land, 7, 0, 8, 300, Earth, 0x0000F8);
            const std::uint32_t before = game::RandState();
            land->SetTerrainHeight(7, asked, style, 0.0);
            const int rocks = style == 4 ? c / 5 : c / 5 + 1;
            EXPECT_EQ(DrawsSince(before), style == 4 ? rocks : rocks + 2 * (c + 1 - rocks))
                << style << " " << asked;
            for (int i = 0; i < 300; ++i) {
                const std::int32_t expected = i < rocks ? Rock : i <= c ? Earth : Air;
                ASSERT_EQ(land->Cell(7, 299 - i), expected) << style << " " << asked << " " << i;
            }
            EXPECT_TRUE(c == 299 || Picture(7, 298 - c) == 0x0000F8u) << style << " " << asked;
        }
    }

    // The top of a style-5 column is its last pixel: grass from the last two draws.
    const std::uint32_t before = game::RandState();
    land->SetTerrainHeight(4, 150, 5, 0.0);
    const int made = DrawsSince(before);
    game::srand(before);
    for (int i = 0; i < made - 2; ++i) game::rand();
    const int g1 = game::rand() % 40;
    const int g2 = game::rand() % 60;
    EXPECT_EQ(Picture(4, 299 - 150), AsStored(RGB(g2, 160 + g1, 0)));
}

TEST_F(LandscapeGenerateTest, BandedSkyLeavesItsLastRowsUnpainted) {
    auto land = AirLandscape(800, 404);
    ASSERT_EQ(land->skyHeight, 301);
    for (int x = 0; x < MAX_SKY_WIDTH; ++x) SetPixelOf(OFFSCREEN, SkySurface, x, 300, 0x0000F8);
    land->Generate(0, 2, nullptr);
    for (int x = 0; x < land->skyWidth; ++x)
        ASSERT_EQ(PixelOf(OFFSCREEN, SkySurface, x, 300), 0x0000F8u) << x;
    const int middle = land->skyWidth / 2;
    EXPECT_EQ(
        std::tuple(PixelOf(OFFSCREEN, SkySurface, middle, 0), PixelOf(OFFSCREEN, SkySurface, middle, 100),
                   PixelOf(OFFSCREEN, SkySurface, middle, 299)),
        std::tuple(AsStored(RGB(170, 170, 0)), AsStored(RGB(170, 0, 170)), AsStored(RGB(0, 2, 170))));
}

}  // namespace
