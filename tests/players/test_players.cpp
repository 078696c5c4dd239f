// Tests of the player records and the turn order, the tank's box and drawing, the view's glide, and
// the two bars: the stock and the wind as the menu bar shows them, and the armour chart's lines of
// damage.
#include <tuple>

#include "core/globals.h"
#include "core/random.h"
#include "core/rules.h"
#include "display/graphx.h"
#include "players/menu_bar.h"
#include "tests/players/players_fixture.h"

namespace {

TEST_F(PlayersTest, NextTurnSkipsTheDeadClearsDamageAndEndsWithOneLeft) {
    Start(4);
    players->current = 0;
    players->Get(1)->alive = false;
    for (int i = 0; i < 4; ++i) players->Get(i)->turnDamage = 9;
    EXPECT_TRUE(players->NextTurn());
    EXPECT_EQ(players->current, 2);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(players->Get(i)->turnDamage, 0);
    players->Get(3)->alive = false;
    for (int expected : {0, 2}) {
        EXPECT_TRUE(players->NextTurn());
        EXPECT_EQ(players->current, expected);
    }
    players->Get(0)->alive = false;
    EXPECT_FALSE(players->NextTurn());
}

TEST_F(PlayersTest, ATankHoldsElevenColumnsAndSixRowsAboveItsFoot) {
    Start(2);
    Player& p = *players->Get(1);
    p.x = 100;
    p.y = 200;
    EXPECT_EQ(std::tuple(p.Contains(95, 195), p.Contains(105, 200), p.Contains(94, 200), p.Contains(100, 194),
                         p.Contains(100, 201)),
              std::tuple(true, true, false, false, false));
    EXPECT_EQ(players->PlayerAt(100, 197), 1);
    p.alive = false;
    EXPECT_EQ(players->PlayerAt(100, 197), -1);
}

// The tank and its barrel stand on the foot; drawing stops only when the tank is wholly off the
// screen.
TEST_F(PlayersTest, TheTankIsDrawnOnItsFootUntilWhollyOffTheScreen) {
    Player& p = Start(2);
    ClearBackPage();
    p.angle = 90;
    p.Draw(0, 2, 100, 100, false);
    // The picture's black corner is left out; the red barrel rises six pixels from the row above.
    EXPECT_EQ(
        std::tuple(BackPixel(95, 95), BackPixel(96, 95) != 0, BackPixel(105, 100) != 0, BackPixel(100, 101)),
        std::tuple(0u, true, true, 0u));
    EXPECT_EQ(std::tuple(BackPixel(100, 94), BackPixel(100, 88), BackPixel(100, 87)),
              std::tuple(0x0000F8u, 0x0000F8u, 0u));
    struct Case {
        int sx, sy, angle;
        bool drawn;
    };
    // Angle 0 points the long guide barrel left, 180 right, so a tank just beyond an edge still
    // shows its barrel.
    for (Case c : {Case{325, 100, 0, true}, Case{326, 100, 0, false}, Case{-5, 100, 180, true},
                   Case{-6, 100, 180, false}, Case{160, 200, 90, true}, Case{160, 201, 90, false}}) {
        ClearBackPage();
        p.angle = c.angle;
        p.Draw(0, 2, c.sx, c.sy, true);
        EXPECT_EQ(InkIn(0, 0, SCREEN_WIDTH, SCREEN_HEIGHT) > 0, c.drawn) << c.sx << "," << c.sy;
    }
}

TEST_F(PlayersTest, TheViewGlidesBySixthsAndLandsExactly) {
    Landscape land;
    land.width = 1000;
    land.height = 400;
    std::int32_t vx = 0, vy = 50;
    std::vector<int> steps;
    bool arrived = false;
    while (!arrived && steps.size() < 40) {
        const int before = vx;
        arrived = PlayerCollection::GlideView(100, 50, &vx, &vy, 20, &land);
        steps.push_back(vx - before);
    }
    EXPECT_EQ(steps, (std::vector<int>{15, 15, 12, 10, 9, 7, 6, 5, 4, 3, 3, 2, 2, 2, 1, 1, 1, 1, 1}));
    EXPECT_EQ(vx, 100);
    // Backwards the steps mirror.
    EXPECT_FALSE(PlayerCollection::GlideView(0, 50, &vx, &vy, 20, &land));
    EXPECT_EQ(vx, 85);
}

// A tank near the bottom-left corner: the view stops at both edges before centring it.
TEST_F(PlayersTest, AGlideStopsAtTheLandscapesEdges) {
    Landscape land;
    land.width = 800;
    land.height = 300;
    Player& p = Start(2);
    p.x = 20;
    p.y = 290;
    std::int32_t vx = 10, vy = 100;
    EXPECT_FALSE(players->GlideToPlayer(0, &vx, &vy, 20, &land));
    EXPECT_EQ(vx, 0);
    int frames = 1;
    while (!players->GlideToPlayer(0, &vx, &vy, 20, &land)) ++frames;
    EXPECT_EQ(std::tuple(vx, vy), std::tuple(0, 300 + 20 - 200));
    EXPECT_LT(frames, 10);
    p.x = 790;
    p.y = 10;
    p.angle = 0;
    while (!players->GlideToBarrel(0, &vx, &vy, 20, &land)) {
    }
    EXPECT_EQ(std::tuple(vx, vy), std::tuple(800 - 320, 0));
}

TEST_F(PlayersTest, StockShowsPlusForUnlimitedAndTwoPlusesPastNinetyNine) {
    EXPECT_EQ(StockText(-1) + StockText(0) + StockText(99) + StockText(100), "+099++");
}

TEST_F(PlayersTest, TheWindSockHangsOnlyInCalmAndBlowsFullyFromFive) {
    const int expected[] = {0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 3, 3, 3, 3, 4, 4, 4, 4, 4};
    for (int wind = -9; wind <= 9; ++wind) EXPECT_EQ(WindSockIndex(wind), expected[wind + 9]) << wind;

    // The fixture paints each sock in its own shade of blue: 40 for the first, 80 for the second...
    Start(2);
    for (int wind : {-5, 4, 0}) {
        players->wind = wind;
        players->UpdateMenu();
        const COLORREF sock = PixelOf(OFFSCREEN, players->menuBarSurface, 134, 9);
        EXPECT_EQ(GetBValue(sock) / 8, 40 * (WindSockIndex(wind) + 1) / 8) << wind;
    }
}

TEST_F(PlayersTest, TheArmourChartShowsDamageOnlyForTanksHitThisTurn) {
    Start(2);
    players->DamagePlayer(7, 0, 1, projectiles);
    const int chart = players->chartBarSurface;
    auto inked = [chart](int x, int y) { return PixelOf(OFFSCREEN, chart, x, y) != 0; };
    // The first tank's armour without damage below it; the second's armour, damage and tank.
    EXPECT_EQ(std::tuple(inked(20, 3), inked(20, 11), inked(59, 3), inked(59, 11), inked(50, 12)),
              std::tuple(true, false, true, true, true));
    players->NextTurn();
    players->UpdateArmourChart();
    EXPECT_FALSE(inked(59, 11));
}

}  // namespace
