// Tests of firing, damage and earnings: the shot's start and speed, stock and sounds, the armour
// rules, who pays for a hit, the burst of a destroyed tank and the settling of a match.
#include <cmath>

#include "core/random.h"
#include "tests/players/players_fixture.h"

namespace {

TEST_F(PlayersTest, FireLeavesTheBarrelTipWithTheSpeedOfThePower) {
    Player& p = Start(2);
    players->current = 0;
    p.x = 100;
    p.y = 200;
    p.angle = 90;
    p.power = 100;
    players->Fire(projectiles);
    std::vector<const Projectile*> shots = Members(*projectiles);
    ASSERT_EQ(shots.size(), 1u);
    const Projectile& shot = *shots[0];
    EXPECT_NEAR(shot.x, 100.0f, 1e-4);
    EXPECT_FLOAT_EQ(shot.y, 188.0f);
    EXPECT_NEAR(shot.vx, 0.0f, 1e-5);
    EXPECT_FLOAT_EQ(shot.vy, -5.0f);
    EXPECT_EQ(shot.kind, KindShell);
    EXPECT_EQ(shot.tracked, 1);
    EXPECT_FLOAT_EQ(shot.gravity, 0.01f);

    p.angle = 0;
    p.power = 50;
    players->Fire(projectiles);
    EXPECT_FLOAT_EQ(Members(*projectiles)[0]->x, 94.0f);
    EXPECT_FLOAT_EQ(Members(*projectiles)[0]->vx, -2.5f);
    p.angle = 180;
    players->Fire(projectiles);
    EXPECT_FLOAT_EQ(Members(*projectiles)[0]->vx, 2.5f);
}

TEST_F(PlayersTest, EachWeaponHasItsKindAndSoundAndUsesUpItsStock) {
    Player& p = Start(2);
    players->current = 0;
    p.stock = {-1, 3, 3, 3, 3, 1};
    const std::int32_t kinds[] = {KindShell, KindSodSalvo, KindFirework, KindEarthMover, KindLava, KindABomb};
    for (int weapon = 0; weapon < WEAPON_COUNT; ++weapon) {
        p.weapon = weapon;
        players->Fire(projectiles);
        EXPECT_EQ(Members(*projectiles)[0]->kind, kinds[weapon]);
    }
    EXPECT_EQ(Played(), (std::vector<int>{0, 1, 1, 1, 1, 2}));
    EXPECT_EQ(p.stock, (std::array<std::int32_t, WEAPON_COUNT>{-1, 2, 2, 2, 2, 0}));
}

// Only damage beyond the armour left destroys a tank; the shooter earns half the damage done and
// fifty for the kill.
TEST_F(PlayersTest, HittingAnEnemyPaysHalfTheDamageAndFiftyForTheKill) {
    Start(3);
    Player& shooter = *players->Get(0);
    Player& enemy = *players->Get(1);
    players->DamagePlayer(21, 0, 1, projectiles);
    EXPECT_EQ(enemy.armour, 79);
    EXPECT_EQ(shooter.profit, 10);
    enemy.armour = 30;
    players->DamagePlayer(30, 0, 1, projectiles);
    EXPECT_TRUE(enemy.alive);
    EXPECT_EQ(enemy.armour, 0);
    Played();
    players->DamagePlayer(1, 0, 1, projectiles);
    EXPECT_FALSE(enemy.alive);
    EXPECT_EQ(Played(), std::vector<int>{9});
    EXPECT_EQ(shooter.profit, 10 + 15 + 50);
    EXPECT_EQ(enemy.turnDamage, 21 + 30);
}

TEST_F(PlayersTest, DestroyingOnesOwnTankPaysTheOthersStillStanding) {
    Start(5);
    players->Get(4)->alive = false;
    // Surviving one's own hit moves no money; being destroyed by it does.
    players->DamagePlayer(99, 0, 0, projectiles);
    EXPECT_EQ(players->Get(0)->profit, 0);
    players->DamagePlayer(5, 0, 0, projectiles);
    EXPECT_EQ(players->Get(0)->profit, -50);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(players->Get(i)->profit, 16) << i;
    EXPECT_EQ(players->Get(4)->profit, 0);

    // The last tank standing blowing itself up: nobody is left to share the loss.
    Start(2);
    players->Get(1)->alive = false;
    players->DamagePlayer(500, 0, 0, projectiles);
    EXPECT_EQ(players->Get(0)->profit, -50);
    EXPECT_EQ(players->Get(1)->profit, 0);
}

TEST_F(PlayersTest, SettlingAddsAQuarterOfTheArmourAndNeverGoesNegative) {
    Start(3);
    Player& a = *players->Get(0);
    Player& b = *players->Get(1);
    Player& c = *players->Get(2);
    a.profit = -40;
    a.cash = 100;
    b.profit = 30;
    b.armour = 55;
    c.cash = -20;
    c.armour = 0;
    players->SettleMatch();
    EXPECT_EQ(a.profit, 0);
    EXPECT_EQ(a.cash, 100);
    EXPECT_EQ(b.profit, 43);
    EXPECT_EQ(b.cash, 143);
    EXPECT_EQ(c.cash, 0);
}

// Each piece draws direction, speed, its colour's draws (none, one, or two), row and column, and
// flies off anywhere but within 45 degrees of straight down.
TEST_F(PlayersTest, ADestroyedTankBurstsIntoAHundredUntrackedPieces) {
    Start(2);
    // The blue player, so that darkened pieces cannot pass for dark red ones.
    Player& p = *players->Get(1);
    p.x = 50;
    p.y = 80;
    game::srand(99);
    p.Explode(projectiles);
    const std::uint32_t after = game::RandState();
    game::srand(99);
    for (int i = 0; i < 5 * 4 + 55 * 5 + 40 * 6; ++i) game::rand();
    EXPECT_EQ(after, game::RandState());

    std::vector<const Projectile*> pieces = Members(*projectiles);
    ASSERT_EQ(pieces.size(), 100u);
    int debris = 0, darkened = 0, darkRed = 0;
    for (const Projectile* piece : pieces) {
        EXPECT_EQ(piece->tracked, 0);
        EXPECT_TRUE(p.Contains(static_cast<int>(piece->x), static_cast<int>(piece->y)));
        const float speed = std::hypot(piece->vx, piece->vy);
        EXPECT_GE(speed, 0.499f);
        EXPECT_LT(speed, 1.0f);
        EXPECT_LT(piece->vy / speed, 0.7072f);
        const auto colour = static_cast<COLORREF>(piece->param);
        if (piece->kind == KindDebris && colour == p.colour) ++debris;
        if (piece->kind == KindEarth && colour >= 0x00990000u && colour <= 0x00FF0000u &&
            (colour & 0xFFFF) == 0)
            ++darkened;
        if (piece->kind == KindEarth && GetRValue(colour) == 200 && GetGValue(colour) < 40 &&
            GetBValue(colour) < 40)
            ++darkRed;
    }
    EXPECT_EQ(debris, 5);
    EXPECT_EQ(darkened, 55);
    EXPECT_EQ(darkRed, 40);
    EXPECT_FALSE(p.alive);
}

}  // namespace
