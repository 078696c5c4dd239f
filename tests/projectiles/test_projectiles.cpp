// Tests of the weapons: gravity and wind in flight and the earth thrown out of a crater; and the
// cases of cases.tsv (a move's unit steps, leaving the play area, pieces added during an update, the
// Sod Salvo's scatter, the Earth Mover's boring, the followed view and drawing, sparks, flames and
// wrecks, lava, damage by distance, debris and settling earth, how long an explosion lasts and what
// it clears).
#include <cmath>

#include "tests/projectiles/projectiles_fixture.h"
#include "tests/support/golden.h"
#include "tests/support/world.h"

namespace {

// The move of a tick uses the speed from before that tick's gravity; wind shifts the position and
// never enters the velocity.
TEST_F(ProjectilesTest, GravityAddsAfterTheMoveAndWindOnlyDisplaces) {
    Projectile* p = Launch(100.5f, 10.0f, 0.0f, 0.0f, KindShell);
    float y = 10.0f;
    float v = 0.0f;
    for (int t = 0; t < 100; ++t) {
        Tick();
        y += v;
        v += 0.01f;
        ASSERT_FLOAT_EQ(p->y, y) << t;
        ASSERT_FLOAT_EQ(p->vy, v) << t;
        ASSERT_EQ(p->x, 100.5f);
    }
    landscape->wind = -4;
    Tick(10);
    EXPECT_NEAR(p->x, 100.5f - 10 * 0.2f, 1e-4);
    EXPECT_EQ(p->vx, 0.0f);
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

// The cases of cases.tsv, each in a fresh world.
TEST_F(ProjectilesTest, PlaysTheWrittenCases) {
    for (const std::vector<std::string>& row : GoldenRows("projectiles/cases.tsv")) {
        SCOPED_TRACE(row.at(0));
        TearDown();
        SetUp();
        Play(row.at(1));
    }
}

}  // namespace
