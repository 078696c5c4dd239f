// What a computer player buys in the weapon shop: only the specials its play fires, up to the stock
// its level likes to carry (so that it buys again what it fired), never spending the cash it keeps
// in reserve. Beginner buys the fireworks it fires on a whim, Easy to Hard the lava they pour into
// valleys (Hard down any slope), and Normal up the A-Bomb: Hard and Expert save for one over the
// matches while they hold at least their opponents' average cash, Hard buying nothing cheap that
// would put it out of reach. Expert, whose shells seldom leave lava a better shot, buys no lava.
// Nobody carries Earth Movers or Sod Salvos: the shells nearly always find a way, and a digger
// bought is seldom fired.
#include <array>

#include "computer/brain.h"
#include "core/rules.h"
#include "players/player_collection.h"
#include "players/weapon_table.h"

namespace {

// Per level: the cash never spent, the stock of each weapon it buys up to (the Shell is unlimited
// and never bought), and the order it looks at them in; whether it picks at random among what it
// may still buy; whether, while it has no A-Bomb and is ahead on cash (AheadOnCash), it buys nothing
// cheap unless the A-Bomb's price stays in hand.
struct ShoppingPlan {
    std::int32_t reserve;
    std::array<std::int32_t, WEAPON_COUNT> wanted;
    std::array<std::int32_t, WEAPON_COUNT - 1> order;
    bool random;
    bool savesForABomb;
};

constexpr ShoppingPlan BEGINNER_PLAN{
    20,
    {0, 0, 2, 0, 0, 0},
    {WeaponSodSalvo, WeaponFirework, WeaponEarthMover, WeaponLava, WeaponABomb},
    true,
    false};
constexpr ShoppingPlan EASY_PLAN{10,
                                 {0, 0, 0, 0, 1, 0},
                                 {WeaponSodSalvo, WeaponFirework, WeaponEarthMover, WeaponLava, WeaponABomb},
                                 true,
                                 false};
constexpr ShoppingPlan NORMAL_PLAN{
    30,
    {0, 0, 0, 0, 1, 1},
    {WeaponLava, WeaponEarthMover, WeaponABomb, WeaponSodSalvo, WeaponFirework},
    false,
    false};
constexpr ShoppingPlan HARD_PLAN{20,
                                 {0, 0, 0, 0, 1, 2},
                                 {WeaponABomb, WeaponLava, WeaponEarthMover, WeaponSodSalvo, WeaponFirework},
                                 false,
                                 true};
constexpr ShoppingPlan EXPERT_PLAN{
    0,
    {0, 0, 0, 0, 0, 2},
    {WeaponABomb, WeaponLava, WeaponEarthMover, WeaponSodSalvo, WeaponFirework},
    false,
    true};

const ShoppingPlan& PlanOf(Controller level) {
    switch (level) {
        case ControllerBeginner:
            return BEGINNER_PLAN;
        case ControllerEasy:
            return EASY_PLAN;
        case ControllerNormal:
            return NORMAL_PLAN;
        case ControllerHard:
            return HARD_PLAN;
        default:
            return EXPERT_PLAN;
    }
}

// Whether the player holds at least the average cash of its opponents in the game: in a game of
// many, the richer half saves.
bool AheadOnCash(const Player& player) {
    std::int64_t theirs = 0;
    std::int64_t opponents = 0;
    for (int i = 0; i < ThePlayers->numPlayers; ++i) {
        const Player& other = ThePlayers->players[static_cast<std::size_t>(i)];
        if (&other == &player || !other.inGame) continue;
        theirs += other.cash;
        opponents += 1;
    }
    return static_cast<std::int64_t>(player.cash) * opponents >= theirs;
}

// Whether the weapon is one to buy now: below the stock wanted, bought one at a time by the shop,
// and paid for without touching the reserve (nor, while saving, the A-Bomb's price).
bool WorthBuying(const Player& player, const ShoppingPlan& plan, std::int32_t weapon) {
    WeaponData data;
    const std::int32_t stock = player.stock[static_cast<std::size_t>(weapon)];
    if (stock < 0 || stock >= plan.wanted[static_cast<std::size_t>(weapon)]) return false;
    if (!GetWeaponData(weapon, &data) || data.buyPrice <= 0) return false;
    std::int32_t keep = plan.reserve;
    WeaponData bomb;
    if (plan.savesForABomb && weapon != WeaponABomb && player.stock[WeaponABomb] <= 0 &&
        AheadOnCash(player) && GetWeaponData(WeaponABomb, &bomb))
        keep += bomb.buyPrice;
    return player.cash - data.buyPrice >= keep;
}

}  // namespace

int NextPurchase(int shopper, Controller level, ComputerRandom* random) {
    if (!ThePlayers || shopper < 0 || shopper >= MAX_PLAYERS || level == ControllerHuman) return -1;
    const Player& player = ThePlayers->players[static_cast<std::size_t>(shopper)];
    const ShoppingPlan& plan = PlanOf(level);
    std::array<std::int32_t, WEAPON_COUNT> choices{};
    int count = 0;
    for (std::int32_t weapon : plan.order) {
        if (WorthBuying(player, plan, weapon)) choices[static_cast<std::size_t>(count++)] = weapon;
    }
    if (count == 0) return -1;
    if (!plan.random) return choices[0];
    return choices[static_cast<std::size_t>(random ? random->Below(count) : 0)];
}
