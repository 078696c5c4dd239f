// Tests of what play shows so that nobody gets lost: the first turn's line and arrows as the player
// sees them, the arrows' sides, the turn's words, the shell followed above the top, and looking
// around.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/globals.h"
#include "landscape/landscape.h"
#include "lookout/lookout.h"
#include "players/player_collection.h"
#include "pointer/pointer_screen.h"
#include "projectiles/projectile_collection.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/pictures.h"
#include "text/text.h"

namespace {

using Side = LookoutSide;

class LookoutTest : public GameTest {
protected:
    // Steps from the title to the first aiming frame of a two-player game of people, or of
    // computers (who shop by themselves).
    static std::vector<StepDriver::Step> ToFirstTurn(bool computers = false) {
        const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
        std::vector<StepDriver::Step> steps = {
            Keys(), Keys({VK_RETURN}), Keys(computers ? std::vector<int>{'1', '2'} : std::vector<int>{}),
            Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})};
        if (!computers) steps.insert(steps.end(), {Keys(finish), Keys(finish)});
        for (int i = 0; i < 300; ++i)
            steps.push_back([] {
                if (CurrentMode != Aiming) HeadlessTick();
                return true;
            });
        steps.push_back(Keys());
        return steps;
    }
};

// The tip sits on the edge the point lies beyond, as near the point as the arrow's size allows.
TEST(EdgeArrows, PointAtTheSideBeyondWhichAThingLies) {
    struct Case {
        int x, y;
        Side side;
        int tipX, tipY;
    };
    const Case cases[] = {
        {150, 190, Side::None, 0, 0},   {99, 190, Side::Left, 0, 90},       {420, 190, Side::Right, 319, 90},
        {99, -500, Side::Left, 0, 7},   {500, 900, Side::Right, 319, 172},  {101, 40, Side::Top, 7, 0},
        {300, -300, Side::Top, 200, 0}, {250, 280, Side::Bottom, 150, 179}, {419, 279, Side::None, 0, 0},
    };
    for (const Case& c : cases) {
        const EdgeArrow arrow = EdgeArrowTowards(c.x, c.y, 0x123456, 100, 100, 180);
        EXPECT_EQ(arrow.side, c.side) << c.x << "," << c.y;
        if (c.side == Side::None) continue;
        EXPECT_EQ(arrow.x, c.tipX) << c.x << "," << c.y;
        EXPECT_EQ(arrow.y, c.tipY) << c.x << "," << c.y;
        EXPECT_EQ(arrow.colour, 0x123456u);
    }
}

// A person's turn, a computer's and one in German: the colour's name says whose it is.
TEST_F(LookoutTest, TheTurnsLineNamesTheColourAndSaysWhenTheComputerThinks) {
    SeatControllers[1] = ControllerHard;
    EXPECT_EQ(TurnLine(0), "Red's turn");
    EXPECT_EQ(TurnLine(1), "Blue is thinking");
    ASSERT_TRUE(SetLanguage("de"));
    EXPECT_EQ(TurnLine(1), "Blau denkt nach");
    ASSERT_TRUE(SetLanguage("en"));
}

// The first frame of a game, at a computer's turn and at a person's: the turn's line with its
// swatch, the help hint only for the person, and the arrows towards the tanks out of view in their
// colours (blue beyond the left edge, red below).
TEST_F(LookoutTest, TheFirstTurnSaysWhoseItIsAndPointsAtTheTanksOutOfView) {
    TraceCapture quiet;
    for (const bool computer : {true, false}) {
        ResetEverything();
        auto steps = ToFirstTurn(computer);
        steps.push_back([&] {
            EXPECT_EQ(CurrentMode, Aiming);
            ExpectShownPageIs(computer ? "lookout/first_turn_computer" : "lookout/first_turn_person");
            return false;
        });
        RunGame(7, steps);
    }
}

// While the shell flies above the top of the landscape the view cannot follow it up there: a white
// arrow on the top edge follows it across, and goes once the shell is back in view.
TEST_F(LookoutTest, AShellAboveTheTopIsFollowedByAnArrowOnTheTopEdge) {
    TraceCapture quiet;
    auto steps = ToFirstTurn();
    steps.push_back(Do([] {
        ThePlayers->Current()->angle = 95;
        ThePlayers->Current()->power = 100;
    }));
    steps.push_back(Keys({VK_SPACE}));
    // Each frame step draws the shell where the step before left it, and its frame is there to be
    // seen at the next step.
    struct Seen {
        bool flying = false, high = false;
        int column = 0;
    } seen;
    int above = 0, inView = 0;
    for (int i = 0; i < 600; ++i) {
        steps.push_back([&seen, &above, &inView, i] {
            if (seen.flying) {
                const HeadlessFrame& frame = HeadlessLastFrame();
                const bool arrow = frame.pixels[3 * 320 + static_cast<std::size_t>(seen.column)] == 0xFFFF;
                EXPECT_EQ(arrow, seen.high) << "step " << i;
                (seen.high ? above : inView) += 1;
            }
            seen.flying = CurrentMode == ShotInProgress && TheProjectiles->trackedAlive;
            seen.high = TheProjectiles->trackedY < ViewY;
            seen.column = std::clamp(TheProjectiles->trackedX - ViewX, 7, 312);
            HeadlessTick();
            return true;
        });
    }
    RunGame(7, steps);
    EXPECT_GT(above, 20);
    EXPECT_GT(inView, 20);
}

// Looking around moves the picture as far as the landscape goes and never the game's view; once the
// shot starts the picture is the game's view again.
TEST_F(LookoutTest, LookingAroundMovesOnlyThePictureUntilTheModeChanges) {
    TraceCapture quiet;
    auto steps = ToFirstTurn();
    int gameX = 0, gameY = 0, x = 0, y = 0;
    steps.push_back([&] {
        gameX = ViewX, gameY = ViewY;
        PointerLookBy(40, -100000);
        LookoutShownView(&x, &y);
        EXPECT_EQ(x, gameX + 40);
        EXPECT_EQ(y, 0);
        PointerLookBy(100000, 0);
        LookoutShownView(&x, &y);
        EXPECT_EQ(x, TheLandscape->width - 320);
        EXPECT_EQ(ViewX, gameX);
        EXPECT_EQ(ViewY, gameY);
        return true;
    });
    steps.push_back(Keys({VK_SPACE}));
    steps.push_back([&] {
        EXPECT_EQ(CurrentMode, ShotInProgress);
        LookoutShownView(&x, &y);
        EXPECT_EQ(x, ViewX);
        EXPECT_EQ(y, ViewY);
        return false;
    });
    RunGame(7, steps);
}

}  // namespace
