// Tests of the computer players' shopping: every purchase asked for is one the shop makes, the
// reserve stays in hand, shopping always ends, and the higher levels spend on the big weapons.
#include <algorithm>
#include <array>

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
    } levels[] = {{ControllerBeginner, 20},
                  {ControllerEasy, 10},
                  {ControllerNormal, 30},
                  {ControllerHard, 20},
                  {ControllerExpert, 0}};
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

// Every level buys only what it fires; Hard and Expert buy an A-Bomb first when they can (Hard lava
// with it), save for one while ahead on cash, and do not sit on a fortune; nobody is asked to buy
// for a person.
TEST_F(ComputerTest, LevelsBuyWhatTheyFireTheHigherOnesTheBigWeapons) {
    Player& player = players->players[1];
    ComputerRandom random;
    random.Seed(5);
    for (Controller level : {ControllerHard, ControllerExpert}) {
        player.stock = {-1, 0, 0, 0, 0, 0};
        player.cash = 400;
        const std::vector<int> bought = Shop(player, 1, level, random);
        ASSERT_FALSE(bought.empty());
        EXPECT_EQ(bought.front(), WeaponABomb) << level;
        EXPECT_EQ(std::count(bought.begin(), bought.end(), WeaponLava) != 0, level == ControllerHard)
            << level;
        player.cash = 5000;
        Shop(player, 1, level, random);
        EXPECT_LT(player.cash, 5000) << level << " keeps a fortune";
    }
    // Without an A-Bomb, Hard saves for one while it holds at least its opponents' average cash (in
    // a game of four, one rich opponent among poor ones); behind, it spends.
    const struct {
        std::array<std::int32_t, 3> theirs;  // the cash of seats 0, 2 and 3; -1 for out of the game
        bool saves;
    } savings[] = {{{0, -1, -1}, true}, {{400, -1, -1}, false}, {{400, 0, 0}, true}};
    for (const auto& row : savings) {
        player.stock = {-1, 0, 0, 0, 0, 0};
        player.cash = 250;
        for (std::size_t i = 0; i < 3; ++i) {
            Player& other = players->players[i == 0 ? 0 : i + 1];
            other.cash = std::max(0, row.theirs[i]);
            other.inGame = row.theirs[i] >= 0;
        }
        players->numPlayers = 4;
        EXPECT_EQ(Shop(player, 1, ControllerHard, random).empty(), row.saves)
            << row.theirs[0] << " " << row.theirs[1];
    }
    // However rich, a level buys only what its play fires: Beginner fireworks on a whim, the others
    // lava (but Expert, which seldom pours it), and the A-Bomb from Normal up; Earth Movers and Sod
    // Salvos are too seldom fired to carry.
    const struct {
        Controller level;
        std::vector<int> fires;
    } fired[] = {{ControllerBeginner, {WeaponFirework}},
                 {ControllerEasy, {WeaponLava}},
                 {ControllerNormal, {WeaponLava, WeaponABomb}},
                 {ControllerHard, {WeaponLava, WeaponABomb}},
                 {ControllerExpert, {WeaponABomb}}};
    for (const auto& f : fired) {
        player.stock = {-1, 0, 0, 0, 0, 0};
        player.cash = 5000;
        for (int weapon : Shop(player, 1, f.level, random))
            EXPECT_NE(std::count(f.fires.begin(), f.fires.end(), weapon), 0) << f.level << " buys " << weapon;
    }
    player.cash = 1000;
    EXPECT_EQ(NextPurchase(1, ControllerHuman, &random), -1);
}

}  // namespace
