// Tests of the computer players over the first turns of a real match, played by the game loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "computer/shot_memory.h"
#include "core/globals.h"
#include "players/player_collection.h"
#include "screens/setup_state.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

using ComputerMatchTest = GameTest;

// Seed 2002, Easy against Normal in a varying wind, on ground that does not fall: Normal, on the
// left, reaches Easy only over a wide mountain, and its lobs at full power come down on the
// mountain's side, each in the crater of the one before. Over the first fourteen turns, in which
// nobody is hit, no seat fires one shot more than WORN_TIMES times in a row from one place.
TEST_F(ComputerMatchTest, NoShotThatMissesIsFiredOverAndOver) {
    TraceCapture quiet;
    int frames = 0, turns = 0, longest = 0;
    bool started = false;
    std::uint32_t lastMode = Title, turnsSeen = 0;
    std::array<std::array<std::int32_t, 5>, 2> last{};
    std::array<int, 2> run{};
    TickDriver driver(
        [&] {
            const std::uint32_t mode = CurrentMode;
            if (mode == Title && frames++ % 5 == 4) PressKey(VK_RETURN);
            if (mode == PlayerChoice && !started && ScreenPlayers) {
                started = true;
                SetGravityOption(GRAVITY_OFF);
                SetWindOption(WIND_VARIABLE);
                SeatControllers[0] = ControllerEasy;
                SeatControllers[1] = ControllerNormal;
                ScreenPlayers->SetNumPlayers(2);
                for (int key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) PressKey(key);
            }
            if (mode == Aiming && TurnsStarted != turnsSeen) {
                turnsSeen = TurnsStarted;
                turns += 1;
            }
            if (mode == ShotInProgress && lastMode == Aiming) {
                const int shooter = ThePlayers->CurrentIndex();
                const Player& p = ThePlayers->players[shooter];
                const std::array<std::int32_t, 5> shot{p.x, p.y, p.angle, p.power, p.weapon};
                run[shooter] = shot == last[shooter] ? run[shooter] + 1 : 1;
                last[shooter] = shot;
                longest = std::max(longest, run[shooter]);
            }
            lastMode = mode;
            return turns <= 14;
        },
        40000);
    PlayGame(2002, &driver);
    ASSERT_GT(turns, 14);
    EXPECT_LE(longest, WORN_TIMES);
}

}  // namespace
