// Tests of the weapons: the earth thrown out of a crater; and the cases of cases.tsv (gravity and
// wind in flight, a move's unit steps, leaving the play area, pieces added during an update, the
// Sod Salvo's scatter, the Earth Mover's boring, the followed view and drawing, sparks, flames and
// wrecks, lava, damage by distance, debris and settling earth, how long an explosion lasts and what
// it clears).
#include <cmath>

#include "tests/projectiles/projectiles_fixture.h"
#include "tests/support/golden.h"
#include "tests/support/world.h"

namespace {

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
