// Tests of the soak runner: its key script, its driver, its rules, its gunner and its computer
// players.
//
// The key script replays to the very state the soak reached, the driver gets through the screens
// into shooting, the rules catch a broken game and the gunner hits. Every game has a computer, and
// the check that no computer's turn, shop visit or demo table hangs catches one that does.
#include <array>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

#include "core/globals.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "platform/backend.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"
#include "runner/runner.h"
#include "runner/script.h"
#include "shell/shell.h"
#include "snapshot/state_snapshot.h"
#include "soak/aim.h"
#include "soak/computer_pace.h"
#include "soak/controller_mix.h"
#include "soak/crash_report.h"
#include "soak/invariants.h"
#include "soak/key_log.h"
#include "soak/soak_driver.h"
#include "tests/support/game_fixture.h"
#include "tests/support/temp_folder.h"

namespace {

using SoakTest = GameTest;

// A driver that keeps the state snapshot of the moment the run ends.
template <typename Driver>
class Snapshotting : public Driver {
public:
    using Driver::Driver;
    void BeforeQuit() override { snapshot = StateSnapshotJson(); }
    std::string snapshot;
};

// Keys of one tick share a line, ticks collapse into waits, and the copy a crash writes reads the
// same as the script.
TEST(KeyLog, WritesTheReplayScriptAndItsCrashCopy) {
    KeyLog log("# args: --seed 5\n");
    log.Press(VK_SPACE);
    log.Press('X');
    log.Tick();
    log.Tick();
    log.Down(VK_SHIFT);
    log.Press('Y');
    log.Up(VK_SHIFT);
    log.Tick();
    log.Activate(false);
    for (int i = 0; i < 12; ++i) log.Tick();
    EXPECT_EQ(log.Text(),
              "# args: --seed 5\npress Space X\nwait 2\ndown Shift\npress Y\nup Shift\nwait 1\nactivate 0\n"
              "wait 12\n");
    EXPECT_EQ(log.Ticks(), 15u);
    const TempFolder folder;
    ASSERT_TRUE(WriteKeysForCrash(folder.Path("crash.script").c_str(), log));
    EXPECT_EQ(TempFolder::Read(folder.Path("crash.script")), log.Text());
}

// The soak's key script, played by the replay runner from the same seed, ends in the same state
// (sound included); on the way the driver bought in the shop, aimed and fired, and the computers it
// set up in every game took turns.
TEST_F(SoakTest, ItsKeyScriptReplaysToTheSameState) {
    SoakOptions options;
    options.seed = 11;
    options.matches = 100;
    options.maxFrames = 3000;
    Snapshotting<SoakDriver> soak(options);
    ASSERT_EQ(PlayGame(options.seed, &soak), 0);
    const SoakStats& stats = soak.Stats();
    EXPECT_EQ(std::tuple(stats.failure, soak.Frames(), stats.gamesWithComputers),
              std::tuple("", options.maxFrames, stats.gamesStarted));
    EXPECT_TRUE(stats.framesByMode[PlayerChoice] > 0 && stats.roundsBought > 0 &&
                stats.framesByMode[Aiming] > 0 && stats.framesByMode[ShotInProgress] > 0 &&
                stats.computerTurns[ControllerEasy] + stats.computerTurns[ControllerNormal] +
                        stats.computerTurns[ControllerHard] >
                    0)
        << "the driver chose, bought, aimed and fired, and the computers took turns";
    const std::string script = soak.Log().Text();
    ASSERT_EQ(script.rfind("# args: --seed 11\n", 0), 0u);

    ResetEverything();
    RunnerOptions replay;
    replay.seed = options.seed;
    std::string error;
    ASSERT_TRUE(ParseScript(script, "soak", &replay.script, &error)) << error;
    Snapshotting<ScriptDriver> player(replay);
    ASSERT_EQ(PlayGame(replay.seed, &player), 0);
    EXPECT_EQ(HeadlessTickCount(), options.maxFrames);
    EXPECT_EQ(player.snapshot, soak.snapshot);
}

// Presses that take the game from the title through the player choice and the shop of a
// two-player game: down to "Start Game" or "Finish", then on.
void PressOnToAiming() {
    for (int i = 0; i < (CurrentMode == Title ? 0 : 6); ++i) PressKey(VK_DOWN);
    PressKey(VK_RETURN);
}

// On the second frame of the first turn each of these breaks one rule, and the checker, with the
// previous frame in mind, names it. Then the shot: a checker with a short limit finds it too long,
// the enemy is destroyed, and the end of the match must pay out as the rules say.
TEST_F(SoakTest, TheRulesCatchABrokenGame) {
    InvariantChecker checker;
    InvariantChecker before;
    InvariantChecker impatient(5);
    std::string impatientFailure;
    int aimingFrames = 0;
    int shotFrames = 0;
    bool settled = false;
    auto corrupt = [&](auto& field, auto value, const char* expected) {
        const auto kept = field;
        InvariantChecker probe = before;
        field = value;
        const std::string failure = probe.Check();
        field = kept;
        EXPECT_NE(failure.find(expected), std::string::npos)
            << "got \"" << failure << "\", wanted " << expected;
    };
    auto step = [&]() {
        before = checker;
        EXPECT_EQ(checker.Check(), "");
        if (const std::string failure = impatient.Check(); impatientFailure.empty())
            impatientFailure = failure;
        if (CurrentMode == EndOfMatch) {
            Player& winner = *ThePlayers->Current();
            corrupt(winner.cash, winner.cash + 1, "was paid");
            settled = true;
            return false;
        }
        if (CurrentMode == ShotInProgress) {
            if (++shotFrames == 1)
                ThePlayers->DamagePlayer(200, ThePlayers->CurrentIndex(), 1 - ThePlayers->CurrentIndex(),
                                         TheProjectiles);
            return true;
        }
        if (CurrentMode != Aiming) {
            PressOnToAiming();
            return true;
        }
        if (++aimingFrames == 1) return true;
        Player& red = *ThePlayers->Get(0);
        Player& yellow = *ThePlayers->Get(2);
        corrupt(CurrentMode, Terraform, "the mode is 6");
        corrupt(CurrentMode, PlayerChoice, "went from Aiming to PlayerChoice");
        corrupt(ViewX, TheLandscape->width - SCREEN_WIDTH + 1, "the view");
        corrupt(ViewY, -1, "the view");
        corrupt(red.cash, -1, "cash -1");
        corrupt(red.cash, red.cash + 5, "cash changed");
        corrupt(red.stock[WeaponShell], 3, "not unlimited");
        corrupt(red.stock[WeaponEarthMover], -2, "stock of weapon 3 is -2");
        corrupt(red.stock[WeaponFirework], red.stock[WeaponFirework] + 1, "stock of weapon 2 went from");
        corrupt(red.armour, 101, "armour 101");
        corrupt(red.y, red.y - 1, "hangs over air");
        corrupt(red.y, red.y + 1, "fell into the ground");
        corrupt(red.x, 2, "outside the landscape");
        corrupt(yellow.alive, true, "not in the game");
        corrupt(ThePlayers->Get(1)->alive, false, "aiming with 1 tanks alive");
        corrupt(ThePlayers->wind, TheLandscape->wind + 1, "wind sock");
        TheProjectiles->Add(new Projectile(10.0f, 10.0f, 0.0f, 0.0f, KindShell, 0, false));
        EXPECT_NE(InvariantChecker(before).Check().find("flying while aiming"), std::string::npos);
        delete std::exchange(TheProjectiles->projectiles, nullptr);
        PressKey(VK_SPACE);
        return true;
    };
    TickDriver driver(step, 3000);
    ASSERT_EQ(PlayGame(3, &driver), 0);
    EXPECT_EQ(std::tuple(settled, impatientFailure),
              std::tuple(true, "the turn has not ended after 5 frames of the shot"));
}

// The gunner's aims, under a constant wind, hit the other tank most of the time.
TEST_F(SoakTest, TheGunnerHitsTheOtherTank) {
    constexpr int SHOTS = 6;
    SoakRandom random(5);
    int shots = 0;
    int hits = 0;
    int target = -1;
    std::int32_t targetArmour = 0;
    std::int32_t wind = 0;
    auto step = [&]() {
        if (CurrentMode == Title) WindOption = WIND_CONSTANT;
        if (CurrentMode == ShotInProgress) return true;
        if (target >= 0 && (CurrentMode == Aiming || CurrentMode == EndOfMatch)) {
            hits += ThePlayers->Get(target)->armour < targetArmour;
            target = -1;
            if (++shots == SHOTS || CurrentMode == EndOfMatch) return false;
        }
        if (CurrentMode != Aiming) {
            PressOnToAiming();
            return true;
        }
        Player& shooter = *ThePlayers->Current();
        wind = TheLandscape->wind;
        target = 1 - ThePlayers->CurrentIndex();
        targetArmour = ThePlayers->Get(target)->armour;
        const Aim aim = AimAt(*TheLandscape, shooter, *ThePlayers->Get(target), random);
        shooter.angle = aim.angle;
        shooter.power = aim.power;
        PressKey(VK_SPACE);
        return true;
    };
    TickDriver driver(step, 20000);
    ASSERT_EQ(PlayGame(9, &driver), 0);
    EXPECT_NE(wind, 0);
    EXPECT_GE(hits * 2, shots) << hits << " hits of " << shots << " shots";
}

// Every game has a computer among its seats and none beyond them; over many games each level, the
// computers alone, a single person and mixes with several people all turn up.
TEST(ControllerMix, EveryGameHasAComputerAndEveryMixTurnsUp) {
    SoakRandom random(3);
    int games = 0, allComputers = 0, onePerson = 0, severalPeople = 0;
    std::array<int, ControllerExpert + 1> seats{};
    for (int round = 0; round < 60; ++round) {
        for (int players = 2; players <= PLAYER_SEATS; ++players) {
            const SeatPlan plan = PlanControllers(random, players);
            int people = 0;
            for (int seat = 0; seat < PLAYER_SEATS; ++seat) {
                const Controller controller = plan[static_cast<std::size_t>(seat)];
                if (seat >= players) {
                    EXPECT_EQ(controller, ControllerHuman) << "seat " << seat << " of " << players;
                    continue;
                }
                ASSERT_GE(controller, ControllerHuman);
                ASSERT_LE(controller, ControllerExpert);
                ++seats[static_cast<std::size_t>(controller)];
                people += controller == ControllerHuman;
            }
            ASSERT_LT(people, players) << "a game of " << players << " without a computer";
            ++games;
            allComputers += people == 0;
            onePerson += people == 1;
            severalPeople += people > 1;
        }
    }
    EXPECT_GT(allComputers * 10, games) << allComputers << " of " << games;
    EXPECT_GT(onePerson * 10, games) << onePerson << " of " << games;
    EXPECT_GT(severalPeople * 10, games) << severalPeople << " of " << games;
    for (int level = ControllerBeginner; level <= ControllerExpert; ++level)
        EXPECT_GT(seats[static_cast<std::size_t>(level)] * 8, seats[ControllerHuman]) << "level " << level;
}

// A seat's key moves Human, Beginner, Easy, Normal, Hard, Expert and round to Human again.
TEST(ControllerMix, SeatKeyPressesWrapRound) {
    EXPECT_EQ(CyclePresses(ControllerHuman, ControllerHuman), 0);
    EXPECT_EQ(CyclePresses(ControllerHuman, ControllerHard), 4);
    EXPECT_EQ(CyclePresses(ControllerExpert, ControllerHuman), 1);
    EXPECT_EQ(CyclePresses(ControllerNormal, ControllerEasy), 5);
    EXPECT_EQ(CyclePresses(ControllerEasy, ControllerNormal), 1);
}

PaceFrame Turn(int current, Controller controller, bool paused = false) {
    return {.mode = Aiming, .paused = paused, .current = current, .currentController = controller};
}
PaceFrame Shop(int shopper, Controller controller, bool paused = false) {
    return {.mode = WeaponShop, .paused = paused, .shopPlayer = shopper, .shopController = controller};
}
PaceFrame Table(bool allComputers, bool paused = false) {
    return {.mode = EndOfMatch, .paused = paused, .allComputers = allComputers};
}
PaceFrame Shot() { return {.mode = ShotInProgress}; }

// Feeds the same frame a number of times; the first failure, or an empty string.
std::string Feed(ComputerPaceChecker* checker, const PaceFrame& frame, std::uint32_t times) {
    for (std::uint32_t i = 0; i < times; ++i)
        if (std::string failure = checker->Check(frame); !failure.empty()) return failure;
    return {};
}

// A computer's turn may take the whole limit, paused frames aside; one frame more is reported.
// A shot, or another player's turn, starts the count again; a person may take as long as they like.
TEST(ComputerPace, AStuckComputerTurnIsReported) {
    ComputerPaceChecker checker;
    EXPECT_EQ(Feed(&checker, Turn(0, ControllerHuman), 5000), "");
    EXPECT_EQ(Feed(&checker, Turn(1, ControllerHard), COMPUTER_TURN_FRAME_LIMIT - 1), "");
    EXPECT_EQ(Feed(&checker, Shot(), 1), "");
    EXPECT_EQ(Feed(&checker, Turn(1, ControllerHard), COMPUTER_TURN_FRAME_LIMIT - 1), "");
    EXPECT_EQ(Feed(&checker, Turn(2, ControllerEasy), COMPUTER_TURN_FRAME_LIMIT - 1), "");
    EXPECT_EQ(Feed(&checker, Turn(2, ControllerEasy, true), 1000), "");
    EXPECT_EQ(Feed(&checker, Turn(2, ControllerEasy), 1), "");
    EXPECT_EQ(checker.LongestTurn(), COMPUTER_TURN_FRAME_LIMIT);
    EXPECT_EQ(Feed(&checker, Turn(2, ControllerEasy), 1),
              "the aiming turn of player 2 (computer, Easy) has lasted 201 frames without a shot");
}

// A computer's shop visit ends within its limit; the next player in the shop starts the count
// again, and the frames under the quit prompt do not count.
TEST(ComputerPace, AComputerStuckInTheShopIsReported) {
    ComputerPaceChecker checker;
    EXPECT_EQ(Feed(&checker, Shop(0, ControllerHuman), 5000), "");
    EXPECT_EQ(Feed(&checker, Shop(1, ControllerNormal), COMPUTER_SHOP_FRAME_LIMIT), "");
    EXPECT_EQ(Feed(&checker, Shop(2, ControllerNormal), 10), "");
    EXPECT_EQ(Feed(&checker, Shop(2, ControllerNormal, true), COMPUTER_SHOP_FRAME_LIMIT), "");
    EXPECT_EQ(checker.LongestShopVisit(), COMPUTER_SHOP_FRAME_LIMIT);
    const std::string failure = Feed(&checker, Shop(2, ControllerNormal), COMPUTER_SHOP_FRAME_LIMIT);
    EXPECT_EQ(failure, "the shop visit of player 2 (computer, Normal) has lasted " +
                           std::to_string(COMPUTER_SHOP_FRAME_LIMIT + 1) + " frames without finishing");
}

// Only a game without people leaves its end-of-match table to move on by itself; a new table
// starts the count again.
TEST(ComputerPace, ATableThatDoesNotMoveOnIsReported) {
    ComputerPaceChecker checker;
    EXPECT_EQ(Feed(&checker, Table(false), 5000), "");
    EXPECT_EQ(Feed(&checker, Shop(0, ControllerHuman), 1), "");
    EXPECT_EQ(Feed(&checker, Table(true), DEMO_TABLE_FRAME_LIMIT), "");
    EXPECT_EQ(Feed(&checker, Shop(0, ControllerHard), 1), "");
    EXPECT_EQ(Feed(&checker, Table(true), 5), "");
    EXPECT_EQ(Feed(&checker, Table(true, true), 500), "");
    EXPECT_EQ(Feed(&checker, Table(true), DEMO_TABLE_FRAME_LIMIT - 5), "");
    EXPECT_NE(
        Feed(&checker, Table(true), 1).find("has stayed up " + std::to_string(DEMO_TABLE_FRAME_LIMIT + 1)),
        std::string::npos);
}

using ComputerPaceGame = GameTest;

// In the real game two Hard computers shop and take a first turn in time. The next shooter then
// has nothing left to fire: its turn is reported once it has had the limit, the frames a person
// holds the quit prompt up not counted.
TEST_F(ComputerPaceGame, AComputerThatCannotFireIsReported) {
    constexpr std::uint32_t PROMPT_FRAMES = 40;
    ComputerPaceChecker checker;
    std::string failure;
    bool shotSeen = false;
    int stuck = -1;
    std::uint32_t stuckFrames = 0;
    auto step = [&]() {
        failure = checker.Check(ObservePace());
        if (!failure.empty()) return false;
        if (CurrentMode == Title) SeatControllers.fill(ControllerHard);
        if (CurrentMode == Title || CurrentMode == PlayerChoice) PressOnToAiming();
        shotSeen = shotSeen || CurrentMode == ShotInProgress;
        if (CurrentMode != Aiming || !shotSeen) return true;
        if (++stuckFrames == 1) {
            stuck = ThePlayers->CurrentIndex();
            ThePlayers->Current()->stock.fill(0);
        }
        if (stuckFrames == 50) PressKey(VK_ESCAPE);
        if (stuckFrames == 50 + PROMPT_FRAMES) PressKey(VK_SPACE);
        return true;
    };
    TickDriver driver(step, 20000);
    ASSERT_EQ(PlayGame(4, &driver), 0);
    ASSERT_TRUE(shotSeen);
    EXPECT_EQ(failure, "the aiming turn of player " + std::to_string(stuck) +
                           " (computer, Hard) has lasted 201 frames without a shot");
    EXPECT_EQ(stuckFrames, COMPUTER_TURN_FRAME_LIMIT + PROMPT_FRAMES);
}

}  // namespace
