// Tests of landscape generation: progress, the terrain kinds' heights and draws, the column styles, the sky.
#include <algorithm>
#include <tuple>
#include <vector>

#include "core/globals.h"
#include "core/random.h"
#include "display/graphx.h"
#include "landscape/landscape.h"
#include "tests/landscape/landscape_fixture.h"

namespace {

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

// Kind 0 draws A0, F0, P0 and then F and P of each short wave; kind 1 draws F and P of each wave.
// The first two columns follow from those draws.
TEST_F(LandscapeGenerateTest, WavesTakeTheirDrawsInOrder) {
    for (int kind : {0, 1}) {
        auto land = AirLandscape(800, 400);
        const std::uint32_t before = game::RandState();
        int d[9];
        for (int& draw : d) draw = game::rand();
        game::srand(before);
        land->Generate(kind, 0, nullptr);
        auto u = [&](int i) { return static_cast<float>(d[i]) * game::RAND_FRACTION; };
        float amplitude[4], frequency[4];
        int phase[4];
        for (int k = 0; k < 4; ++k) {
            const int f = kind == 0 ? 2 * k + 1 : 2 * k;
            phase[k] = d[f + 1] % 3600;
            if (kind == 1) {
                frequency[k] = (u(f) + 1.0f) * 4.0f;
                amplitude[k] = 6 * 400 * 0.125f * 0.25f;
            } else {
                frequency[k] = (k == 0 ? 5400 / 800 : 36000 / 800) * (0.4f + 0.20000002f * u(f));
                amplitude[k] =
                    k == 0 ? 400 * 0.25f * (0.9f + 0.10000002f * u(0)) : 400 * 0.2f * 0.33333334f * 0.5f;
            }
        }
        for (int x = 0; x < 2; ++x) {
            float h = kind == 0 ? 200.0f : 50.0f;
            for (int k = 0; k < 4; ++k) {
                const float sn =
                    SineTable[static_cast<int>(static_cast<float>(phase[k]) + x * frequency[k]) % 3600];
                h += amplitude[k] * (kind == 0 ? sn : sn * sn * sn * sn * sn * sn);
            }
            EXPECT_NEAR(ColumnHeight(*land, x), static_cast<int>(h), 1)
                << "kind " << kind << ", column " << x;
        }
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
