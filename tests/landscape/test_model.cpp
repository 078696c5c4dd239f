// Tests of the landscape model: the disc tables, construction and wind, the view and the terrain queries.
#include <cmath>
#include <set>
#include <tuple>

#include "core/globals.h"
#include "core/random.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "runner/runner.h"
#include "tests/landscape/landscape_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

using LandscapeModelTest = LandscapeTest;

int Squared(const DiscOffset& d) { return d.dx * d.dx + d.dy * d.dy; }

TEST_F(LandscapeModelTest, DiscTablesHoldEveryOffsetNearestFirst) {
    const DiscOffset* d = DiscOffsets;
    const int quoted[9][2] = {{0, 0},       {-1, 0},     {0, -1},     {0, 1},    {1, 0},
                              {-100, -100}, {-100, 100}, {100, -100}, {100, 100}};
    for (int i = 0; i < 9; ++i) {
        const int n = i < 5 ? i : DISC_RECORD_COUNT - 9 + i;
        EXPECT_EQ(std::make_pair(d[n].dx, d[n].dy), std::make_pair(quoted[i][0], quoted[i][1])) << n;
    }
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

    const std::pair<int, int> starts[] = {{0, 0},  {1, 1},  {2, 9},       {3, 25},
                                          {4, 45}, {5, 69}, {100, 31397}, {101, 32005}};
    for (auto [r, start] : starts) EXPECT_EQ(RingStarts[r], start) << r;
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
            ASSERT_EQ(land.width, 640 + draws[0] % 561);
            ASSERT_EQ(land.height, 300 + draws[1] % 201);
            ASSERT_EQ(land.skyWidth, land.width / 4 + 320);
            ASSERT_EQ(land.skyHeight, land.height / 4 + 200);
            const bool calm = option == 0 || (option == 3 && draws[2] % 3 == 0);
            const int windDraw = option == 3 ? draws[3] : draws[2];
            ASSERT_EQ(land.wind, calm ? 0 : windDraw % 19 - 9);
            ASSERT_EQ(land.windVaries, option == 2 || (option == 3 && !calm && draws[4] % 2 == 0));
            ASSERT_EQ(DrawsSince(before, 6), option == 0 ? 2 : option == 3 && !calm ? 5 : 3);
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
        ASSERT_LE(std::abs(land.wind - last), 4);
        ASSERT_LE(std::abs(land.wind), 9);
        seen.insert(land.wind);
    }
    EXPECT_EQ(seen.size(), 19u);
}

TEST_F(LandscapeModelTest, TheViewStaysInsideAndPansBackFromTheEdges) {
    auto land = Make(800, 400);
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
    auto land = Make(640, 300);
    Fill(*land, 0, 0, 1, 300, Earth, 0x00FF00);    // solid throughout
    Fill(*land, 1, 100, 2, 110, Rock, 0x808080);   // floating
    Fill(*land, 2, 250, 3, 300, Earth, 0x00FF00);  // settled
    EXPECT_EQ(land->SurfaceY(0), -1);
    EXPECT_EQ(land->SurfaceY(1), 99);
    EXPECT_EQ(land->SurfaceY(639), 299);
    const int expected[4][2] = {{299, 0}, {299, 100}, {249, 250}, {299, 299}};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(land->lowestAir[x], expected[x][0]) << x;
        EXPECT_EQ(land->topSolid[x], expected[x][1]) << x;
    }

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
    auto land = Make(640, 300);
    COLORREF colour = 0x123456;
    for (auto [x, y] : {std::pair{-1, 10}, {640, 10}, {10, 300}, {10, 10}})
        EXPECT_FALSE(land->GetPoint(x, y, &colour));
    EXPECT_EQ(colour, 0x123456u);
    land->SetPoint(639, 299, 0x2080C0, Lava);
    land->SetPoint(640, 0, 0, Earth);
    EXPECT_EQ(land->topSolid[639], 299);
    EXPECT_TRUE(land->GetPoint(639, 299, &colour));
    EXPECT_EQ(colour, AsStored(0x2080C0));
    land->ReplaceMaterial(Lava, Rock);
    EXPECT_EQ(land->Cell(639, 299), Rock);
    EXPECT_EQ(Picture(639, 299), AsStored(0x2080C0));

    // Without the picture's context nothing is written, and reads answer from the materials.
    LandscapeSurface = -1;
    land->SetPoint(5, 5, 0x0000FF, Rock);
    EXPECT_EQ(land->Cell(5, 5), Air);
    colour = 0x123456;
    EXPECT_TRUE(land->GetPoint(639, 299, &colour));
    EXPECT_EQ(colour, 0x123456u);
}

// The sky runs from its first column to its last while the view crosses the landscape, and the
// terrain covers it except where the picture is white.
TEST_F(LandscapeModelTest, DrawShowsTheSkyBehindTheTerrainWithParallax) {
    auto land = Make(800, 400);
    for (int x = 0; x < land->skyWidth; ++x)
        SetPixelOf(OFFSCREEN, SkySurface, x, 0, RGB(0, x % 64 * 4, x / 64 * 8));
    Fill(*land, 100, 0, 101, 1, Earth, 0x0000F8);
    auto skyColumnAt = [](int screenX) {
        const COLORREF c = PixelOf(0, 2, screenX, 0);
        return GetGValue(c) / 4 + 64 * (GetBValue(c) / 8);
    };
    EXPECT_TRUE(land->Draw(0, 2, 0, 0, 20));
    EXPECT_EQ(skyColumnAt(0), 0);
    EXPECT_EQ(PixelOf(0, 2, 100, 0), 0x0000F8u);
    land->Draw(0, 2, 800 - 320, 0, 20);
    EXPECT_EQ(skyColumnAt(0), land->skyWidth - 320);
    EXPECT_EQ(skyColumnAt(319), land->skyWidth - 1);
}

// The replay runner's material map holds one byte a pixel (the snapshot's counts are checked by
// the scenarios).
TEST_F(LandscapeModelTest, TheRunnerWritesTheMaterialMap) {
    const TempFolder folder;
    const std::string path = folder.Path("materials.pgm");
    ASSERT_TRUE(WriteMaterialMap(path));
    TheLandscape = Make(640, 300).release();
    Fill(*TheLandscape, 0, 200, 640, 300, Earth, 0);
    Fill(*TheLandscape, 0, 299, 3, 300, Rock, 0);
    TheLandscape->Cell(639, 0) = Lava;
    ASSERT_TRUE(WriteMaterialMap(path));
    const std::string bytes = TempFolder::Read(path);
    const std::string header = "P5\n640 300\n3\n";
    ASSERT_EQ(bytes.size(), header.size() + 640 * 300);
    EXPECT_EQ(bytes.substr(0, header.size()), header);
    EXPECT_EQ(bytes[header.size() + 639], 3);
    EXPECT_EQ(bytes[header.size() + 640 * 299], 2);
    EXPECT_EQ(bytes[header.size() + 640 * 200 + 5], 1);
}

}  // namespace
