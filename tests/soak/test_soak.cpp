// Tests of the soak runner: its key script, its driver, its rules and its gunner.
//
// The key script replays to the very state the soak reached, the driver gets through the screens
// into shooting, the rules catch a broken game and the gunner hits.
#include <functional>
#include <string>
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
    EXPECT_EQ(stats.failure, "");
    EXPECT_EQ(soak.Frames(), options.maxFrames);
    EXPECT_GT(stats.framesByMode[PlayerChoice], 0u);
    EXPECT_GT(stats.roundsBought, 0u);
    EXPECT_GT(stats.framesByMode[Aiming], 0u);
    EXPECT_GT(stats.framesByMode[ShotInProgress], 0u);
    EXPECT_EQ(stats.gamesWithComputers, stats.gamesStarted);
    EXPECT_GT(stats.computerTurns[ControllerEasy] + stats.computerTurns[ControllerNormal] +
                  stats.computerTurns[ControllerHard],
              0u);
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
    EXPECT_TRUE(settled);
    EXPECT_EQ(impatientFailure, "the turn has not ended after 5 frames of the shot");
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

}  // namespace
