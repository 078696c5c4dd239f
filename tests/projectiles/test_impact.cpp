// Tests of impacts and explosions: damage by distance for each type, tank debris, settling earth,
// the earth thrown out of a crater, how long an explosion lasts, and the fragments a blast clears.
#include <cmath>

#include "tests/projectiles/projectiles_fixture.h"

namespace {

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
    EXPECT_EQ(tank.armour, 95);
    EXPECT_EQ(Played(), std::vector<int>{16});
    EXPECT_TRUE(Fragments(FragWreck).empty());
    EXPECT_EQ(Explosions(), 0);

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
    EXPECT_EQ(landscape->Cell(200, 149), Earth);
    EXPECT_EQ(landscape->Cell(400, 149), Earth);
    EXPECT_EQ(Picture(400, 149), RGB(200, 100, 0));
    EXPECT_EQ(tank.armour, 95);
    EXPECT_EQ(Played(), (std::vector<int>{12, 12}));
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
    Launch(320.5f, 299.5f, 0.0f, 1.0f, KindABomb);
    int busy = 0;
    while (Tick() && busy < 1000) ++busy;
    EXPECT_EQ(busy, 249);
    EXPECT_EQ(Played(), std::vector<int>{10});

    Launch(320.5f, 299.5f, 0.0f, 1.0f, KindShell);
    busy = 0;
    while (Tick() && busy < 1000) ++busy;
    EXPECT_EQ(busy, 24);

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
