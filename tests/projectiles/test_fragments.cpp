// Tests of fragments and lava: sparks and flames with their lifetimes and colours, sinking wrecks,
// lava filling a basin and spreading on a flat, burning tanks, its looping sound, cooling into
// rock, and a stream blown away while it flows.
#include <algorithm>

#include "tests/projectiles/projectiles_fixture.h"

namespace {

// A spark of life 10 fades every fifth tick, rises 9 pixels in all and ends at its 50th tick. A
// flame of life 10 shows how much of its life is spent: the fire ramp's first entry at its first
// tick, entry 90 last.
TEST_F(ProjectilesTest, SparksAndFlamesRiseAndFadeOverTheirLives) {
    auto* spark = new Fragment(100.0f, 100.0f, FragSpark, 10, RGB(200, 100, 41));
    auto* flame = new Fragment(200.0f, 100.0f, FragFlame, 10, 10);
    shots->AddFragment(spark);
    shots->AddFragment(flame);
    const std::array<COLORREF, FIRE_RAMP_SIZE>& ramp = Weapons.FireRamp;
    Tick();
    EXPECT_EQ(flame->colour, ramp[0]);
    Tick(3);
    EXPECT_EQ(spark->y, 100.0f);
    Tick();
    EXPECT_EQ(spark->colour, RGB(190, 95, 38));
    EXPECT_EQ(spark->y, 99.0f);
    Tick(44);
    EXPECT_EQ(flame->colour, ramp[90]);
    EXPECT_EQ(flame->y, 91.0f);
    EXPECT_EQ(spark->y, 91.0f);
    EXPECT_LE(std::abs(spark->x - 100.0f), 9.0f);
    EXPECT_FALSE(Tick());
    EXPECT_TRUE(Fragments().empty());
}

// A wreck sinks a pixel a tick until it rests on earth or on the bottom row, smoking all along,
// and never ends by itself.
TEST_F(ProjectilesTest, WrecksSinkAndSmoulder) {
    Fill(0, 200, 640, 300, Earth);
    Fill(100, 200, 101, 250, Air);
    auto* resting = new Fragment(100.0f, 150.0f, FragWreck);
    auto* falling = new Fragment(700.0f, 150.0f, FragWreck);
    shots->AddFragment(resting);
    shots->AddFragment(falling);
    Tick(50);
    EXPECT_EQ(resting->y, 200.0f);
    EXPECT_EQ(falling->y, 200.0f);
    Tick(200);
    EXPECT_EQ(resting->y, 249.0f);
    EXPECT_EQ(falling->y, 299.0f);
    EXPECT_EQ(Fragments(FragWreck).size(), 2u);
    const std::vector<Fragment*> puffs = Fragments(FragSpark);
    ASSERT_FALSE(puffs.empty());
    for (const Fragment* puff : puffs) EXPECT_LE(GetRValue(puff->colour), 20);
}

// Pours the stream at (x, y) and records the row of every pixel it places until it ends.
std::vector<int> Pour(ProjectileCollection* shots, PlayerCollection* players, int x, int y, int ticks) {
    shots->AddFragment(
        new Fragment(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f, FragLavaStream, 300));
    std::vector<int> rows;
    for (int t = 0; t < ticks && shots->Update(players); ++t) {
        for (const Fragment* f = shots->fragments; f; f = f->next) {
            if (f->type == FragLavaPixel) {
                rows.push_back(static_cast<int>(f->y));
                break;
            }
        }
    }
    return rows;
}

// In a closed basin lava fills the bottom row before it rises; when it has nowhere left to go the
// stream ends, its sound stops, and the lava cools into dark grey rock.
TEST_F(ProjectilesTest, LavaFillsABasinFromTheBottomAndSetsIntoRock) {
    Fill(0, 0, 640, 300, Rock, RGB(200, 200, 200));
    Fill(100, 200, 109, 206, Air, 0xFFFFFF);
    const std::vector<int> rows = Pour(shots.get(), players, 104, 205, 1000);
    EXPECT_TRUE(Looping().empty());
    ASSERT_EQ(rows.size(), 54u);
    for (int row = 205, i = 0; row >= 200; --row)
        for (int n = 0; n < 9; ++n, ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)], row) << i;
    EXPECT_EQ(CountMaterial(Lava), 0);
    EXPECT_TRUE(Fragments(FragLavaPixel).empty());
    for (int y = 200; y < 206; ++y) {
        for (int x = 100; x < 109; ++x) {
            ASSERT_EQ(landscape->Cell(x, y), Rock);
            const COLORREF c = Picture(x, y);
            EXPECT_GE(GetRValue(c), 30 & 0xF8);
            EXPECT_LE(GetRValue(c), 69);
            EXPECT_EQ(GetRValue(c), GetBValue(c));
            EXPECT_LE(std::abs(GetGValue(c) - GetRValue(c)), 7);
        }
    }
}

// On a flat the lava runs sideways and does not pile up; every pixel placed in a tank costs it 1.
TEST_F(ProjectilesTest, LavaSpreadsOnAFlatAndBurnsTanksPerPixel) {
    Fill(0, 200, 640, 300, Earth);
    landscape->gravityOn = 0;
    Player& tank = PlaceTank(1, 310, 199);
    const std::vector<int> rows = Pour(shots.get(), players, 300, 199, 60);
    EXPECT_EQ(rows, std::vector<int>(60, 199));
    EXPECT_EQ(Looping(), std::vector<int>{17});
    int burnt = 0;
    for (int x = 305; x <= 315; ++x) burnt += landscape->Cell(x, 199) == Lava ? 1 : 0;
    EXPECT_GT(burnt, 0);
    EXPECT_EQ(tank.armour, 100 - burnt);
}

// With landscape gravity a hot pixel over Air sinks, and only its first sink can burn a tank.
TEST_F(ProjectilesTest, ASinkingLavaPixelBurnsOnlyOnItsFirstSink) {
    Player& tank = PlaceTank(1, 305, 199);
    shots->AddFragment(new Fragment(305.0f, 193.0f, FragLavaPixel));
    shots->AddFragment(new Fragment(306.0f, 180.0f, FragLavaPixel));
    Tick(30);
    EXPECT_EQ(tank.armour, 99);
    landscape->gravityOn = 0;
    shots->AddFragment(new Fragment(304.0f, 193.0f, FragLavaPixel));
    Tick(30);
    EXPECT_EQ(tank.armour, 99);
}

// A stream with no room places its own pixel and ends on the next tick, silencing its loop.
TEST_F(ProjectilesTest, AStreamWithNoRoomEndsOnTheNextTick) {
    Fill(0, 0, 640, 300, Rock);
    Fill(50, 50, 51, 51, Air, 0xFFFFFF);
    shots->AddFragment(new Fragment(50.5f, 50.5f, FragLavaStream, 300));
    EXPECT_EQ(Looping(), std::vector<int>{17});
    EXPECT_TRUE(Tick());
    EXPECT_EQ(landscape->Cell(50, 50), Lava);
    EXPECT_EQ(Looping(), std::vector<int>{17});
    EXPECT_FALSE(Tick());
    EXPECT_EQ(landscape->Cell(50, 50), Rock);
    EXPECT_TRUE(Looping().empty());
    EXPECT_TRUE(Fragments().empty());
}

// A shell landing on a flowing stream blows it away; the stream ends as if it had run dry.
TEST_F(ProjectilesTest, AStreamBlownAwayStillCoolsAndFallsSilent) {
    Fill(0, 200, 640, 300, Earth);
    Pour(shots.get(), players, 300, 199, 40);
    ASSERT_GT(CountMaterial(Lava), 30);
    EXPECT_EQ(Looping(), std::vector<int>{17});
    Launch(300.5f, 190.0f, 0.0f, 1.0f, KindShell);
    Tick(12);
    EXPECT_TRUE(Fragments(FragLavaStream).empty());
    EXPECT_TRUE(Fragments(FragLavaPixel).empty());
    EXPECT_TRUE(Looping().empty());
    EXPECT_EQ(CountMaterial(Lava), 0);
    EXPECT_GT(CountMaterial(Rock), 0);
}

}  // namespace
