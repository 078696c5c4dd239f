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

// The players' turns at the shop and the cursor's ends are checked by the shop_rounds scenario.
TEST_F(WeaponShopTest, TheCursorRowIsBarredInThePlayersColoursAndTheTankDrawn) {
    ClearBackPage();
    GoTo(2);
    DrawWeaponScreen(0, 2);
    // Row 2 at y 72: red lines at its top and at y + 14, dark red (204) between; the row above
    // plain; the white rule under the headings; the tank at (10, 10).
    EXPECT_EQ(BackPixel(300, 72), 0x0000F8u);
    EXPECT_EQ(BackPixel(300, 80), 0x0000C8u);
    EXPECT_EQ(BackPixel(300, 86), 0x0000F8u);
    EXPECT_EQ(BackPixel(300, 56), 0u);
    EXPECT_EQ(BackPixel(300, 38), 0x00F8FCF8u);
    EXPECT_GT(InkIn(5, 5, 16, 11), 0);
}

}  // namespace
