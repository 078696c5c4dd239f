// Tests of the weapon table and the shop: prices, buying and selling with their sounds, and what the
// shop draws.
#include "core/rules.h"
#include "screens/screens.h"
#include "screens/setup_state.h"
#include "tests/players/players_fixture.h"

namespace {

class WeaponShopTest : public PlayersTest {
protected:
    void SetUp() override {
        PlayersTest::SetUp();
        InitWeaponScreen(players);
        Played();
    }
    // Moves the cursor to a row with the keys' actions.
    static void GoTo(int row) {
        while (ShopRow < row) WeaponScreenAction(ShopAction::Down);
        while (ShopRow > row) WeaponScreenAction(ShopAction::Up);
        Played();
    }
    Player& Buyer() { return *players->Get(ShopPlayer); }
};

TEST_F(WeaponShopTest, TheTableAnswersOnlyOnceFilledAndWithinItsSixWeapons) {
    WeaponData data;
    EXPECT_FALSE(GetWeaponData(WEAPON_COUNT, &data));
    ASSERT_TRUE(GetWeaponData(WeaponEarthMover, &data));
    EXPECT_STREQ(data.name, "Earth Mover");
    SetupScreensResetForTests();
    data.buyPrice = -7;
    EXPECT_FALSE(GetWeaponData(WeaponShell, &data));
    EXPECT_EQ(data.buyPrice, -7);
}

TEST_F(WeaponShopTest, BuyingNeedsTheExactPriceAndSellingGivesBackLess) {
    GoTo(WeaponABomb);
    Buyer().cash = 299;
    WeaponScreenAction(ShopAction::BuyOrFinish);
    EXPECT_EQ(Buyer().stock[WeaponABomb], 0);
    EXPECT_TRUE(Played().empty());
    Buyer().cash = 300;
    WeaponScreenAction(ShopAction::BuyOrFinish);
    EXPECT_EQ(Buyer().cash, 0);
    EXPECT_EQ(Buyer().stock[WeaponABomb], 1);
    WeaponScreenAction(ShopAction::Sell);
    EXPECT_EQ(Buyer().cash, 100);
    EXPECT_EQ(Buyer().stock[WeaponABomb], 0);
    EXPECT_EQ(Played(), (std::vector<int>{4, 4}));
    WeaponScreenAction(ShopAction::Sell);
    EXPECT_EQ(Buyer().cash, 100);
    EXPECT_TRUE(Played().empty());
}

// The cursor's row barred in the player's colours, the headings' rule and the tank (the players' turns
// at the shop and the cursor's ends are the shop_rounds scenario's).
TEST_F(WeaponShopTest, TheCursorRowIsBarredInThePlayersColoursAsItsPicture) {
    ClearBackPage();
    GoTo(2);
    DrawWeaponScreen(0, 2);
    ExpectShownPageIs("screens/weapon_shop", 2);
}

}  // namespace
