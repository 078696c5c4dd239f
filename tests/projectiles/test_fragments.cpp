// Tests of fragments, lava and impacts: sparks and flames with their lifetimes and colours, sinking
// wrecks, lava filling a basin and spreading on a flat, burning tanks, its looping sound, cooling
// into rock, and a stream blown away while it flows; damage by distance for each type of
// explosion, tank debris, settling earth, the earth thrown out of a crater, how long an explosion
// lasts, and the fragments a blast clears.
#include <algorithm>
#include <cmath>
#include <tuple>

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
    EXPECT_EQ(std::tuple(spark->colour, spark->y), std::tuple(RGB(190, 95, 38), 99.0f));
    Tick(44);
    EXPECT_EQ(std::tuple(flame->colour, flame->y, spark->y), std::tuple(ramp[90], 91.0f, 91.0f));
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
    EXPECT_EQ(std::tuple(resting->y, falling->y), std::tuple(200.0f, 200.0f));
    Tick(200);
    EXPECT_EQ(std::tuple(resting->y, falling->y), std::tuple(249.0f, 299.0f));
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
            EXPECT_TRUE(GetRValue(c) >= (30 & 0xF8) && GetRValue(c) <= 69 && GetRValue(c) == GetBValue(c) &&
                        std::abs(GetGValue(c) - GetRValue(c)) <= 7)
                << std::hex << c;
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
    EXPECT_EQ(std::tuple(landscape->Cell(50, 50), Looping()), std::tuple(Lava, std::vector<int>{17}));
    EXPECT_FALSE(Tick());
    EXPECT_EQ(std::tuple(landscape->Cell(50, 50), Looping(), Fragments().size()),
              std::tuple(Rock, std::vector<int>{}, 0u));
}

// A shell landing on a flowing stream blows it away; the stream ends as if it had run dry.
TEST_F(ProjectilesTest, AStreamBlownAwayStillCoolsAndFallsSilent) {
    Fill(0, 200, 640, 300, Earth);
    Pour(shots.get(), players, 300, 199, 40);
    ASSERT_GT(CountMaterial(Lava), 30);
    EXPECT_EQ(Looping(), std::vector<int>{17});
    Launch(300.5f, 190.0f, 0.0f, 1.0f, KindShell);
    Tick(12);
    EXPECT_EQ(std::tuple(Fragments(FragLavaStream).size(), Fragments(FragLavaPixel).size(), Looping(),
                         CountMaterial(Lava)),
              std::tuple(0u, 0u, std::vector<int>{}, 0));
    EXPECT_GT(CountMaterial(Rock), 0);
}

// The tank's middle is (200, 147); the damage falls with the squared distance from it to half at
// the radius, and a point inside the tank counts as the middle.
TEST_F(ProjectilesTest, DamageFallsWithDistanceFromTheTanksMiddle) {
    Player& tank = PlaceTank(1, 200, 150, 1000);
    players->current = 0;
    struct Case {
        float x, y;
        std::int32_t type;
        int damage;
        bool hit;
    };
    const Case cases[] = {
        {200.0f, 147.0f, ExplosionShell, 20, true},      {204.9f, 149.0f, ExplosionShell, 20, true},
        {216.0f, 147.0f, ExplosionShell, 10, false},     {200.0f, 131.0f, ExplosionShell, 10, false},
        {217.0f, 147.0f, ExplosionShell, 0, false},      {200.0f, 147.0f, ExplosionABomb, 120, true},
        {285.0f, 147.0f, ExplosionABomb, 60, false},     {286.0f, 147.0f, ExplosionABomb, 0, false},
        {210.0f, 147.0f, ExplosionFirework, 2, false},   {200.0f, 147.0f, ExplosionDebrisTouch, 5, true},
        {200.0f, 148.0f, ExplosionDebrisTouch, 5, true}, {200.0f, 140.0f, ExplosionDebrisTouch, 0, false},
    };
    for (const Case& c : cases) {
        const std::int32_t before = tank.armour;
        Explosion blast(c.x, c.y, c.type, 0);
        EXPECT_EQ(blast.InflictDamage(players, shots.get()), c.hit)
            << c.x << "," << c.y << " type " << c.type;
        EXPECT_EQ(before - tank.armour, c.damage) << c.x << "," << c.y << " type " << c.type;
    }
    EXPECT_EQ(players->players[0].profit, 10 + 10 + 5 + 5 + 60 + 30 + 1 + 2 + 2);
}

// A debris piece that enters a tank does 5 and leaves nothing; one that lands on the ground thuds
// and leaves a wreck where it last flew. Earth settles at its last free sample, in its own colour,
// restarting the thud each time, and hurts nobody.
TEST_F(ProjectilesTest, DebrisHurtsATankOrLeavesAWreckAndEarthSettles) {
    Fill(0, 150, 640, 300, Earth);
    Player& tank = PlaceTank(1, 200, 149);
    players->current = 0;
    const auto red = static_cast<std::int32_t>(RGB(255, 0, 0));
    Launch(200.5f, 140.0f, 0.0f, 1.0f, KindDebris, red);
    Tick(10);
    EXPECT_EQ(std::tuple(tank.armour, Played(), Fragments(FragWreck).size(), Explosions()),
              std::tuple(95, std::vector<int>{16}, 0u, 0));

    Launch(300.5f, 140.0f, 0.0f, 1.0f, KindDebris, red);
    Tick(10);
    EXPECT_EQ(Played(), std::vector<int>{12});
    ASSERT_EQ(Fragments(FragWreck).size(), 1u);
    EXPECT_FLOAT_EQ(Fragments(FragWreck)[0]->x, 300.5f);
    EXPECT_EQ(static_cast<int>(Fragments(FragWreck)[0]->y), 149);

    const auto brown = static_cast<std::int32_t>(RGB(200, 100, 0));
    Launch(200.5f, 100.0f, 0.0f, 1.0f, KindEarth, brown);
    Launch(400.5f, 140.0f, 0.0f, 1.0f, KindEarth, brown);
    Tick(60);
    EXPECT_EQ(std::tuple(landscape->Cell(200, 149), landscape->Cell(400, 149), Picture(400, 149), tank.armour,
                         Played()),
              std::tuple(Earth, Earth, RGB(200, 100, 0), 95, std::vector<int>{12, 12}));
}

// Clods fly straight out of the ground at the type's speeds, darkened: a clod straight above or
// below the centre flies vertically.
TEST_F(ProjectilesTest, DebrisIsThrownStraightAwayFromTheCrater) {
    Fill(0, 0, 640, 300, Earth);
    Explosion(300.0f, 150.0f, ExplosionEarthMover, 0).ThrowDebris(shots.get(), landscape.get());
    const std::vector<Projectile*> clods = Flying(KindEarth);
    ASSERT_EQ(clods.size(), 150u);
    int vertical = 0;
    for (const Projectile* c : clods) {
        const float dx = c->x - 300.0f;
        const float dy = c->y - 150.0f;
        EXPECT_LE(std::hypot(dx, dy), 25.0f);
        EXPECT_NEAR(std::hypot(c->vx, c->vy), 0.4f, 0.3f + 1e-5f);
        EXPECT_NEAR(c->vx * dy - c->vy * dx, 0.0f, 1e-4f);
        EXPECT_GT(c->vx * dx + c->vy * dy, 0.0f);
        EXPECT_EQ(static_cast<COLORREF>(c->param), RGB(128, 76, 38));
        if (dx != 0.0f) continue;
        EXPECT_EQ(c->vx, 0.0f);
        ++vertical;
    }
    EXPECT_GT(vertical, 0);
}

// Aged after the projectiles have moved, an explosion made by an impact is drawn for one tick less
// than its duration and keeps the shot busy that long; a debris touch goes at once.
TEST_F(ProjectilesTest, ExplosionsLastTheirDurationAndKeepTheShotBusy) {
    for (const auto& [kind, ticks] : {std::pair{KindABomb, 249}, {KindShell, 24}}) {
        Launch(320.5f, 299.5f, 0.0f, 1.0f, kind);
        int busy = 0;
        while (Tick() && busy < 1000) ++busy;
        EXPECT_EQ(busy, ticks) << kind;
    }
    EXPECT_EQ(Played(), (std::vector<int>{10, 8}));

    Launch(320.5f, 299.5f, 0.0f, 1.0f, KindDebris);
    EXPECT_FALSE(Tick());
    EXPECT_EQ(Explosions(), 0);
}

// Shells, A-Bombs and fireworks clear every fragment within their damage radius; the Earth Mover and
// a debris touch clear none.
TEST_F(ProjectilesTest, ABlastClearsTheFragmentsWithinItsRadius) {
    for (float dx : {0.0f, 9.0f, 10.0f, 10.5f, 16.0f, 17.0f})
        shots->AddFragment(new Fragment(100.0f + dx, 100.0f, FragWreck));
    Explosion(100.0f, 100.0f, ExplosionEarthMover, 0).InflictDamage(players, shots.get());
    Explosion(100.0f, 100.0f, ExplosionDebrisTouch, 0).InflictDamage(players, shots.get());
    EXPECT_EQ(Fragments().size(), 6u);
    Explosion(100.0f, 100.0f, ExplosionFirework, 0).InflictDamage(players, shots.get());
    EXPECT_EQ(Fragments().size(), 3u);
    Explosion(100.0f, 100.0f, ExplosionShell, 0).InflictDamage(players, shots.get());
    ASSERT_EQ(Fragments().size(), 1u);
    EXPECT_EQ(Fragments()[0]->x, 117.0f);
}

}  // namespace
