// Tests of the computer players' shopping: every purchase asked for is one the shop makes, the
// reserve stays in hand, shopping always ends, and Hard saves for an A-Bomb.
#include "players/weapon_table.h"
#include "tests/computer/computer_fixture.h"

namespace {

// Buys as the shop does, asking before each purchase, up to 50 times; returns the purchases.
std::vector<int> Shop(Player& player, int index, Controller level, ComputerRandom& random) {
    std::vector<int> bought;
    for (int n = 0; n < 50; ++n) {
        const int weapon = NextPurchase(index, level, &random);
        if (weapon < 0) break;
        WeaponData data;
        EXPECT_TRUE(GetWeaponData(weapon, &data));
        EXPECT_GE(player.stock[weapon], 0) << "unlimited weapons cannot be bought";
        EXPECT_GE(player.cash, data.buyPrice) << "the shop refuses what the cash cannot pay";
        player.cash -= data.buyPrice;
        player.stock[weapon] += 1;
        bought.push_back(weapon);
    }
    return bought;
}

TEST_F(ComputerTest, ShoppingEndsAndKeepsAReserve) {
    const struct {
        Controller level;
        std::int32_t reserve;
    } levels[] = {{ControllerEasy, 20}, {ControllerNormal, 40}, {ControllerHard, 50}};
    for (const auto& l : levels) {
        for (std::int32_t cash : {0, 15, 45, 100, 299, 360, 1000, 5000}) {
            Player& player = players->players[2];
            player.stock = {-1, 0, 0, 0, 0, 0};
            player.cash = cash;
            ComputerRandom random;
            random.Seed(static_cast<std::uint32_t>(cash));
            const std::vector<int> bought = Shop(player, 2, l.level, random);
            EXPECT_LT(bought.size(), 50u) << "shopping never ends";
            EXPECT_EQ(NextPurchase(2, l.level, &random), -1);
            if (!bought.empty()) {
                EXPECT_GE(player.cash, l.reserve) << l.level << " " << cash;
            }
            EXPECT_EQ(player.cash > cash, false);
        }
    }
}

// Hard keeps the price of an A-Bomb in hand until it owns one, then buys specials too; with
// plenty of cash every level buys something and nobody is asked to buy for a person.
TEST_F(ComputerTest, HardSavesForAnABomb) {
    Player& player = players->players[1];
    ComputerRandom random;
    random.Seed(5);
    player.cash = 300;
    EXPECT_TRUE(Shop(player, 1, ControllerHard, random).empty());
    player.cash = 400;
    const std::vector<int> bought = Shop(player, 1, ControllerHard, random);
    ASSERT_FALSE(bought.empty());
    EXPECT_EQ(bought.front(), 5);
    EXPECT_GT(bought.size(), 1u);
    player.cash = 1000;
    EXPECT_EQ(NextPurchase(1, ControllerHuman, &random), -1);
    player.stock = {-1, 0, 0, 0, 0, 0};
    EXPECT_FALSE(Shop(player, 1, ControllerEasy, random).empty());
}

}  // namespace
