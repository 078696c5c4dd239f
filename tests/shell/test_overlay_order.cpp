// Tests of the overlays of an aiming turn as the frame step draws them: the ready message for a
// new game's first 200 aiming frames, and the quit prompt hiding the help screen.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "players/player_collection.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class OverlayOrderTest : public GameTest {
protected:
    // Steps from the title to the first aiming turn of a two-player game.
    static std::vector<StepDriver::Step> ToFirstAimingTurn() {
        const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
        return {Keys(), Keys({VK_RETURN}), Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}), Keys(finish),
                Keys(finish)};
    }
    static bool WhiteAt(int x, int y) {
        const HeadlessFrame& f = HeadlessLastFrame();
        return f.pixels[static_cast<std::size_t>(y) * f.width + x] == 0xFFFF;
    }
    static int WhiteIn(int left, int top, int right, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x) count += WhiteAt(x, y);
        return count;
    }
};

TEST_F(OverlayOrderTest, TheReadyMessageLastsTwoHundredAimingFrames) {
    TraceCapture quiet;
    std::vector<std::int32_t> ticks;
    auto steps = ToFirstAimingTurn();
    // Ticks delivered together merge into one frame step, so each step posts one.
    const auto look = [&] {
        ticks.push_back(ReadyMessageTicks);
        HeadlessTick();
        return true;
    };
    steps.push_back(look);
    for (int i = 0; i < 197; ++i) steps.push_back(Keys());
    for (int i = 0; i < 3; ++i) steps.push_back(look);
    RunGame(7, steps);
    // Entering the match sets 200; the first aiming frame already counts one off.
    ASSERT_EQ(CurrentMode, Aiming);
    EXPECT_EQ(ticks, (std::vector<std::int32_t>{199, 1, 0, 0}));
}

TEST_F(OverlayOrderTest, AShortFirstMatchLeavesNoReadyMessageForTheNext) {
    TraceCapture quiet;
    auto steps = ToFirstAimingTurn();
    auto tickUntil = [](std::uint32_t mode) {
        return [mode] {
            if (CurrentMode != mode) HeadlessTick();
            return true;
        };
    };
    // The shooter is left alone on the landscape, so its first shot ends the match.
    steps.push_back(Do([] {
        for (int i = 0; i < ThePlayers->numPlayers; ++i)
            if (i != ThePlayers->current) ThePlayers->players[i].alive = false;
    }));
    steps.push_back(Keys({VK_SPACE}));
    for (int i = 0; i < 1500; ++i) steps.push_back(tickUntil(EndOfMatch));
    std::int32_t leftOver = -1, secondMatch = -1;
    steps.push_back(Do([&] { leftOver = ReadyMessageTicks; }));
    steps.push_back(Keys({VK_SPACE}));  // on to the shop
    const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    steps.insert(steps.end(), {Keys(finish), Keys(finish), Keys()});
    steps.push_back([&] {
        secondMatch = ReadyMessageTicks;
        return false;
    });
    RunGame(7, steps);
    ASSERT_EQ(CurrentMode, Aiming);
    // The first match ended with most of the hint's frames unused; none of them carry over.
    EXPECT_GT(leftOver, 0);
    EXPECT_EQ(secondMatch, 0);
}

TEST_F(OverlayOrderTest, TheQuitPromptHidesTheHelpScreenButNotTheReadyMessage) {
    TraceCapture quiet;
    auto steps = ToFirstAimingTurn();
    int helpInk = 0, promptInk = 0, helpUnderPrompt = 0, readyUnderPrompt = 0;
    steps.push_back([&] {
        PostKey(WM_KEYDOWN, VK_F1);
        HeadlessTick();
        return true;
    });
    steps.push_back(Do([&] { helpInk = WhiteIn(150, 32, 300, 48); }));  // "Centre on player"
    steps.push_back(Keys({VK_ESCAPE}));
    steps.push_back([&] {
        EXPECT_TRUE(HelpShown);
        EXPECT_TRUE(QuitPromptShown);
        helpUnderPrompt = WhiteIn(150, 32, 300, 48);
        promptInk = WhiteIn(107, 60, 211, 76);  // "Abandon Game?"
        readyUnderPrompt = WhiteIn(6, 5, 142, 21);
        return false;
    });
    RunGame(7, steps);
    EXPECT_GT(helpInk, 0);
    EXPECT_EQ(helpUnderPrompt, 0);
    EXPECT_GT(promptInk, 0);
    EXPECT_GT(readyUnderPrompt, 0);
}

}  // namespace
