// Tests of the soak runner's computer players: the mix of people and computers it plays, and the
// check that no computer's turn, shop visit or demo table hangs.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <utility>

#include "core/globals.h"
#include "platform/backend.h"
#include "players/player_collection.h"
#include "shell/shell.h"
#include "soak/computer_pace.h"
#include "soak/controller_mix.h"
#include "tests/support/game_fixture.h"

namespace {

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
        if (CurrentMode == Title || CurrentMode == PlayerChoice) {
            for (int i = 0; i < (CurrentMode == Title ? 0 : 6); ++i) PressKey(VK_DOWN);
            PressKey(VK_RETURN);
        }
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
