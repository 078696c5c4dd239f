// The computer players' hands: their turns, their shopping and the demo, as key presses a frame.
#include "computer/computer_players.h"

#include "computer/brain.h"
#include "core/globals.h"
#include "core/rules.h"
#include "diag/diag.h"
#include "platform/win.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "screens/setup_state.h"

namespace {

// Idle until a computer's turn starts; Fired once it has pressed Space.
enum class TurnPhase { Idle, Thinking, Aiming, Firing, Fired };

struct Driver {
    ComputerRandom random;
    TurnPlanner planner;
    std::uint32_t lastMode = Title;
    std::uint32_t turnsSeen = 0;  // TurnsStarted at the last frame step

    // The computer's turn under way.
    TurnPhase phase = TurnPhase::Idle;
    int shooter = -1;
    int phaseFrames = 0;
    int weaponWait = 0;
    ShotDecision plan;

    // Turns in a row, in this match, at whose start no tank had lost armour since the one before:
    // the armour of all at the last turn's start (-1 before the match's first).
    int quietTurns = 0;
    std::int32_t lastArmour = -1;
    // Turns begun on this landscape.
    int matchTurns = 0;
    // The opponents' armour when the shot was fired.
    std::int32_t armourAtFire = 0;

    // Its shot in flight: where the tracked projectile was last seen.
    bool watching = false;
    bool sawShot = false;
    std::int32_t shotX = 0, shotY = 0;

    // The shop.
    int shopper = -1;
    int shopWait = 0;
    int shopGoal = 0;
    bool haveGoal = false;
    int purchases = 0;

    int tableFrames = 0;
};

Driver TheComputers;

// The armour of every tank in the game, or of all but one; a tank gone counts none.
std::int32_t ArmourOfAll(int except) {
    std::int32_t sum = 0;
    if (!ThePlayers) return sum;
    for (int i = 0; i < ThePlayers->numPlayers; ++i) {
        const Player& p = ThePlayers->players[static_cast<std::size_t>(i)];
        if (i != except && p.inGame && p.alive) sum += p.armour;
    }
    return sum;
}

Controller ControllerOf(int seat) {
    return seat >= 0 && seat < PLAYER_SEATS ? SeatControllers[static_cast<std::size_t>(seat)]
                                            : ControllerHuman;
}

// Steps toward `wanted` with the decrease or increase key, at most COMPUTER_STEPS_PER_FRAME.
bool StepToward(std::int32_t value, std::int32_t wanted, int down, int up, ComputerKeys* keys) {
    for (int i = 0; i < COMPUTER_STEPS_PER_FRAME && value != wanted; ++i) {
        keys->Press(value < wanted ? up : down);
        value += value < wanted ? 1 : -1;
    }
    return value == wanted;
}

void StartTurn(int seat) {
    TheComputers.shooter = seat;
    TheComputers.phase = TurnPhase::Thinking;
    TheComputers.phaseFrames = 0;
    TheComputers.weaponWait = 0;
    TheComputers.plan = ShotDecision{};
    TheComputers.planner.Begin(seat, ControllerOf(seat), &TheComputers.random, TheComputers.quietTurns,
                               TheComputers.matchTurns);
}

// Turns the barrel, sets the power and picks the weapon, a step at a time; then, after a pause,
// fires. A weapon the tank has run out of falls back to the Shell.
void AimingFrame(const Player& player, ComputerKeys* keys) {
    TheComputers.phaseFrames += 1;
    switch (TheComputers.phase) {
        case TurnPhase::Idle:
            return;
        case TurnPhase::Thinking:
            if (TheComputers.planner.Think() || TheComputers.phaseFrames >= COMPUTER_THINK_FRAMES) {
                TheComputers.plan = TheComputers.planner.Decision();
                TheComputers.phase = TurnPhase::Aiming;
                TheComputers.phaseFrames = 0;
            }
            return;
        case TurnPhase::Aiming: {
            if (TheComputers.plan.weapon < 0 || TheComputers.plan.weapon >= WEAPON_COUNT ||
                player.stock[TheComputers.plan.weapon] == 0)
                TheComputers.plan.weapon = WeaponShell;
            bool angleSet = StepToward(player.angle, TheComputers.plan.angle, 'Z', 'X', keys);
            bool powerSet = StepToward(player.power, TheComputers.plan.power, 'A', 'Q', keys);
            bool weaponSet = player.weapon == TheComputers.plan.weapon;
            if (!weaponSet && --TheComputers.weaponWait <= 0) {
                const int forward = (TheComputers.plan.weapon - player.weapon + WEAPON_COUNT) % WEAPON_COUNT;
                keys->Press(forward <= WEAPON_COUNT / 2 ? 'S' : 'W');
                TheComputers.weaponWait = COMPUTER_WEAPON_PACE;
            }
            if (angleSet && powerSet && weaponSet) {
                TheComputers.phase = TurnPhase::Firing;
                TheComputers.phaseFrames = 0;
            }
            return;
        }
        case TurnPhase::Firing:
            if (TheComputers.phaseFrames >= COMPUTER_FIRE_PAUSE) {
                keys->Press(VK_SPACE);
                TheComputers.armourAtFire = ArmourOfAll(TheComputers.shooter);
                TheComputers.phase = TurnPhase::Fired;
                TheComputers.watching = true;
                TheComputers.sawShot = false;
            }
            return;
        case TurnPhase::Fired:
            // Still aiming after Space: the shot was refused, so aim again with a Shell.
            TheComputers.plan.weapon = WeaponShell;
            TheComputers.phase = TurnPhase::Aiming;
            return;
    }
}

void WatchShot() {
    if (!TheProjectiles || !TheProjectiles->trackedAlive) return;
    TheComputers.sawShot = true;
    TheComputers.shotX = TheProjectiles->trackedX;
    TheComputers.shotY = TheProjectiles->trackedY;
}

void EndWatching() {
    if (TheComputers.watching && TheComputers.sawShot)
        NoteShotLanded(TheComputers.shooter, TheComputers.plan.target, TheComputers.shotX,
                       TheComputers.shotY);
    if (TheComputers.watching)
        NoteShotOutcome(TheComputers.shooter, ArmourOfAll(TheComputers.shooter) < TheComputers.armourAtFire);
    TheComputers.watching = false;
}

// At each turn's start: whether any tank lost armour since the last one, and one more turn begun.
void CountQuietTurn() {
    const std::int32_t armour = ArmourOfAll(-1);
    TheComputers.quietTurns =
        TheComputers.lastArmour >= 0 && armour == TheComputers.lastArmour ? TheComputers.quietTurns + 1 : 0;
    TheComputers.lastArmour = armour;
    TheComputers.matchTurns += 1;
}

// One move every few frames: toward the row of the weapon the brain wants next (or "Finish"),
// then Enter.
void ShopFrame(ComputerKeys* keys) {
    if (TheComputers.shopper != ShopPlayer) {
        TheComputers.shopper = ShopPlayer;
        TheComputers.shopWait = 2 * COMPUTER_SHOP_PACE;
        TheComputers.haveGoal = false;
        TheComputers.purchases = 0;
    }
    if (--TheComputers.shopWait > 0) return;
    TheComputers.shopWait = COMPUTER_SHOP_PACE;
    if (!TheComputers.haveGoal) {
        TheComputers.shopGoal =
            TheComputers.purchases >= COMPUTER_SHOP_PURCHASES
                ? -1
                : NextPurchase(ShopPlayer, ControllerOf(ShopPlayer), &TheComputers.random);
        if (TheComputers.shopGoal < 0 || TheComputers.shopGoal >= WEAPON_COUNT)
            TheComputers.shopGoal = SHOP_FINISH_ROW;
        TheComputers.haveGoal = true;
    }
    if (ShopRow != TheComputers.shopGoal) {
        keys->Press(ShopRow < TheComputers.shopGoal ? VK_DOWN : VK_UP);
        return;
    }
    keys->Press(VK_RETURN);
    TheComputers.purchases += 1;
    TheComputers.haveGoal = false;
    // After "Finish" the next shopper, or the match, starts afresh.
    if (TheComputers.shopGoal == SHOP_FINISH_ROW) TheComputers.shopper = -1;
}

bool OnlyComputers() {
    if (!ThePlayers) return false;
    for (int i = 0; i < ThePlayers->numPlayers; ++i)
        if (ThePlayers->players[static_cast<std::size_t>(i)].inGame && ControllerOf(i) == ControllerHuman)
            return false;
    return true;
}

}  // namespace

void ComputerPlayersStart(std::uint32_t seed) {
    TheComputers = Driver{};
    TheComputers.random.Seed(seed);
    TheComputers.turnsSeen = TurnsStarted;
}

void ComputerPlayersResetForTests() {
    TheComputers = Driver{};
    BrainResetForTests();
}

ComputerKeys ComputerPlayersFrame() {
    ComputerKeys keys;
    const std::uint32_t mode = CurrentMode;
    const bool modeChanged = mode != TheComputers.lastMode;
    if (modeChanged && TheComputers.lastMode == ShotInProgress) EndWatching();
    if (modeChanged && TheComputers.lastMode == WeaponShop && mode == Aiming) {
        ForgetShots();
        TheComputers.quietTurns = 0;
        TheComputers.lastArmour = -1;
        TheComputers.matchTurns = 0;
    }
    if (modeChanged && mode == EndOfMatch) TheComputers.tableFrames = 0;
    if (modeChanged && mode == WeaponShop) TheComputers.shopper = -1;

    const int current = ThePlayers ? ThePlayers->CurrentIndex() : -1;
    const bool newTurn = mode == Aiming && TurnsStarted != TheComputers.turnsSeen;
    if (newTurn) CountQuietTurn();
    if (mode != Aiming) TheComputers.phase = TurnPhase::Idle;
    TheComputers.lastMode = mode;
    TheComputers.turnsSeen = TurnsStarted;
    const bool computerAims = mode == Aiming && ThePlayers && ControllerOf(current) != ControllerHuman;
    // A turn starts even under the quit prompt, which only pauses it; the computer also takes up a
    // turn half played by a person whose machine left a network game.
    if (computerAims && (newTurn || TheComputers.phase == TurnPhase::Idle)) StartTurn(current);
    if (QuitPromptShown) return keys;

    switch (mode) {
        case Aiming:
            if (computerAims) AimingFrame(*ThePlayers->Current(), &keys);
            break;
        case ShotInProgress:
            if (TheComputers.watching) WatchShot();
            break;
        case WeaponShop:
            if (ControllerOf(ShopPlayer) != ControllerHuman) ShopFrame(&keys);
            break;
        case EndOfMatch:
            if (OnlyComputers() && ++TheComputers.tableFrames == COMPUTER_DEMO_TABLE_FRAMES)
                keys.Press(VK_SPACE);
            break;
        default:
            break;
    }
    return keys;
}
