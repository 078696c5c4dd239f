// Tests of flight: the unit-step walk of a tick's move, gravity and wind, leaving the play area,
// projectiles added during an update, the Sod Salvo's scatter, the firework's splits, the Earth
// Mover's boring, the view that follows the shell, and drawing.
#include <algorithm>
#include <tuple>

#include "core/globals.h"
#include "display/graphx.h"
#include "tests/projectiles/projectiles_fixture.h"
#include "tests/support/world.h"

namespace {

// A Sod Salvo's step counter counts the samples of its path; the first tick also tests the start.
TEST_F(ProjectilesTest, AMoveIsWalkedInUnitStepsEndingOnItsTarget) {
    shots->gravity = 0.0f;
    Projectile* one = Launch(10.0f, 50.0f, 1.0f, 0.0f, KindSodSalvo);
    Projectile* twoAndAHalf = Launch(10.0f, 60.0f, 2.5f, 0.0f, KindSodSalvo);
    Projectile* three = Launch(10.0f, 70.0f, 3.0f, 0.0f, KindSodSalvo);
    Tick();
    // Two and a half samples at 0.5, 1.5 and 2.5; three at 0, 1, 2 and 3.
    EXPECT_EQ(std::tuple(one->param, one->prevX, one->x), std::tuple(1 + 1, 10.0f, 11.0f));
    EXPECT_EQ(std::tuple(twoAndAHalf->param, twoAndAHalf->prevX, twoAndAHalf->x),
              std::tuple(1 + 3, 11.5f, 12.5f));
    EXPECT_EQ(std::tuple(three->param, three->prevX, three->x), std::tuple(1 + 4, 12.0f, 13.0f));
}

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

// Beside the landscape a projectile lives while it stays above the edge column's lowest Air and
// within 200 pixels; above the top there is no limit. Only earth is lost silently.
TEST_F(ProjectilesTest, ProjectilesAreLostOffTheSidesButNotAboveTheTop) {
    Fill(0, 250, 640, 300, Earth);
    shots->gravity = 0.0f;
    Launch(-150.0f, 100.0f, 0.0f, 0.0f, KindShell);
    Launch(839.0f, 249.0f, 0.0f, 0.0f, KindShell);
    Launch(320.0f, -5000.0f, 0.0f, 0.0f, KindShell);
    Launch(-150.0f, 251.0f, 0.0f, 0.0f, KindShell);
    Launch(-201.0f, 100.0f, 0.0f, 0.0f, KindFirework);
    Launch(840.0f, 100.0f, 0.0f, 0.0f, KindShell);
    Launch(-300.0f, 100.0f, 0.0f, 0.0f, KindEarth);
    Tick();
    EXPECT_EQ(Flying().size(), 3u);
    EXPECT_EQ(Played(), (std::vector<int>{11, 11, 11}));
    EXPECT_EQ(Explosions(), 0);
}

// A firework piece split off during a pass is linked before its parent: it is first tested, at the
// point where it was made, on the next tick.
TEST_F(ProjectilesTest, AProjectileAddedDuringAnUpdateFirstMovesOnTheNextTick) {
    shots->gravity = 0.0f;
    Launch(10.0f, 50.0f, 1.0f, 0.0f, KindFirework, 78);
    Tick();
    std::vector<Projectile*> pieces = Flying();
    ASSERT_EQ(pieces.size(), 2u);
    const Projectile& child = *pieces[0];
    EXPECT_EQ(std::tuple(child.param, child.firstStep, child.x), std::tuple(80, 1, 11.0f));
    Tick();
    EXPECT_TRUE(child.param >= 80 + 2 && child.firstStep == 0 && child.x > 11.5f)
        << child.param << " " << child.x;
}

// Ten clods a sample from the 30th sample to the 159th, none where the ground already is.
TEST_F(ProjectilesTest, ASodSalvoScattersFromItsThirtiethSampleUpTo1300Clods) {
    MakeLandscape(1200, 500);
    Fill(0, 250, 1200, 500, Earth);
    shots->gravity = 0.0f;
    Projectile* salvo = Launch(400.0f, 249.5f, 1.0f, 0.0f, KindSodSalvo);
    int underground = 0;
    for (int i = 0; i < 1300; ++i) underground += Weapons.ScatterTable[i].dy > 0 ? 1 : 0;
    while (salvo->param < 29) {
        Tick();
        ASSERT_TRUE(Flying(KindEarth).empty()) << salvo->param;
    }
    Tick();
    EXPECT_EQ(salvo->param, 30);
    EXPECT_FALSE(Flying(KindEarth).empty());
    Tick(200);
    EXPECT_GT(underground, 500);
    EXPECT_EQ(Flying(KindEarth).size(), static_cast<std::size_t>(1300 - underground));

    // One that lands early, on a tank, scatters nothing, digs nothing and does no harm.
    Player& tank = PlaceTank(1, 100, 249);
    Launch(100.5f, 230.0f, 0.0f, 1.0f, KindSodSalvo);
    const int earth = CountMaterial(Earth);
    Played();
    Tick(20);
    EXPECT_EQ(
        std::tuple(Flying(KindSodSalvo).size(), CountMaterial(Earth), tank.armour, Explosions(), Played()),
        std::tuple(1u, earth, 100, 0, std::vector<int>{}));
}

// It slows by a tenth a sample through earth, darkening its trail, and explodes once slow, well
// below the surface; its blast hurts nobody.
TEST_F(ProjectilesTest, AnEarthMoverBoresUntilItHasSlowedDown) {
    Fill(0, 100, 640, 300, Earth);
    Player& tank = PlaceTank(1, 300, 99);
    Projectile* mover = Launch(310.5f, 90.0f, 0.0f, 3.0f, KindEarthMover);
    Tick(4);
    EXPECT_LT(mover->vy, 3.0f * 0.9f * 0.9f);
    auto trail = [](int channel) { return static_cast<int>(static_cast<float>(channel) * 0.7f); };
    EXPECT_EQ(Picture(310, 101), RGB(trail(0xA0), trail(0x60), trail(0x30)) & 0xF8FCF8);
    for (int t = 0; t < 100 && !Flying(KindEarthMover).empty(); ++t) Tick();
    ASSERT_EQ(Explosions(), 1);
    EXPECT_GT(shots->explosions->y, 110.0f);
    EXPECT_EQ(std::tuple(shots->explosions->type, tank.armour,
                         landscape->Cell(310, static_cast<int>(shots->explosions->y))),
              std::tuple(ExplosionEarthMover, 100, Air));
}

// The view centres the tracked shell, kept inside the landscape with the bar's margin; it stays
// where it was once the shell is gone.
TEST_F(ProjectilesTest, TheViewFollowsTheTrackedShellInsideTheLandscape) {
    MakeLandscape(1000, 400);
    shots->gravity = 0.0f;
    std::int32_t vx = 7;
    std::int32_t vy = 8;
    auto follow = [&](float x, float y, Projectile* shell) {
        shell->x = x;
        shell->y = y;
        Tick();
        shots->FollowView(&vx, &vy, 20, landscape.get());
    };
    follow(500.0f, 300.0f, Launch(0.0f, 0.0f, 0.0f, 0.0f, KindShell));
    EXPECT_EQ(vx, 7);
    auto* tracked = new Projectile(0.0f, 0.0f, 0.0f, 0.0f, KindShell, 0, true);
    shots->Add(tracked);
    follow(500.0f, 300.0f, tracked);
    EXPECT_EQ(std::make_pair(vx, vy), std::make_pair(340, 210));
    follow(30.0f, -100.0f, tracked);
    EXPECT_EQ(std::make_pair(vx, vy), std::make_pair(0, 0));
    follow(990.0f, 395.0f, tracked);
    EXPECT_EQ(std::make_pair(vx, vy), std::make_pair(680, 220));
    follow(-500.0f, 395.0f, tracked);
    EXPECT_FALSE(shots->trackedAlive);
    EXPECT_EQ(std::make_pair(vx, vy), std::make_pair(680, 220));
}

// Pixels in the play area only, by kind; the A-Bomb's cross reaches past it.
TEST_F(ProjectilesTest, ProjectilesDrawAsPixelsInThePlayArea) {
    auto pixel = [](int x, int y) { return PixelOf(0, 2, x, y); };
    ClearScreen(0, 2, 0, -1, 0, 0, 0);
    Launch(110.0f, 60.0f, 0.0f, 0.0f, KindShell);
    Launch(120.7f, 60.0f, 0.0f, 0.0f, KindEarth, static_cast<std::int32_t>(RGB(200, 100, 0)));
    Launch(130.0f, 60.0f, 0.0f, 0.0f, KindSodSalvo, 100);
    Launch(140.0f, 229.0f, 0.0f, 0.0f, KindABomb, 3);
    Launch(150.0f, 230.0f, 0.0f, 0.0f, KindShell);
    shots->Draw(0, 2, 100, 50, 20);
    EXPECT_EQ(std::tuple(pixel(10, 10), pixel(20, 10), pixel(30, 10), pixel(40, 179), pixel(40, 180),
                         pixel(50, 180)),
              std::tuple(0xF8FCF8u, RGB(200, 100, 0), RGB(127, 63, 0) & 0xF8FCF8,
                         RGB(255, 200, 200) & 0xF8FCF8, RGB(160, 160, 160) & 0xF8FCF8, 0u));
    shots->Draw(0, 2, 100, 50, 0);
    EXPECT_EQ(pixel(50, 180), 0xF8FCF8u);
}

}  // namespace
