// Tests of the two bars: the stock and the wind as the menu bar shows them, and the armour chart's
// lines of damage.
#include "display/graphx.h"
#include "players/menu_bar.h"
#include "tests/players/players_fixture.h"

namespace {

TEST_F(PlayersTest, StockShowsPlusForUnlimitedAndTwoPlusesPastNinetyNine) {
    EXPECT_EQ(StockText(-1), "+");
    EXPECT_EQ(StockText(0), "0");
    EXPECT_EQ(StockText(99), "99");
    EXPECT_EQ(StockText(100), "++");
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
    EXPECT_TRUE(inked(20, 3));
    EXPECT_FALSE(inked(20, 11));
    EXPECT_TRUE(inked(59, 3));
    EXPECT_TRUE(inked(59, 11));
    EXPECT_TRUE(inked(50, 12));
    players->NextTurn();
    players->UpdateArmourChart();
    EXPECT_FALSE(inked(59, 11));
}

}  // namespace
