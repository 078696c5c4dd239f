// Tests of what play shows so that nobody gets lost: the first turn as the player sees it, the
// arrows' sides, looking around, and the shell followed above the top.
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

namespace {

using Side = LookoutSide;
using LookoutTest = GameTest;

// Steps from the title to the first aiming frame of a two-player game of people, or of computers
// (who shop by themselves).
std::vector<StepDriver::Step> ToFirstTurn(bool computers) {
    const std::vector<int> finish = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN};
    std::vector<StepDriver::Step> steps = {Keys(), Keys({VK_RETURN}),
                                           Keys(computers ? std::vector<int>{'1', '2'} : std::vector<int>{}),
                                           Keys({VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})};
    if (!computers) steps.insert(steps.end(), {Keys(finish), Keys(finish)});
    steps.insert(steps.end(), 300, [] {
        if (CurrentMode != Aiming) HeadlessTick();
        return true;
    });
    steps.push_back(Keys());
    return steps;
}

// The tip sits on the edge the point lies beyond, as near the point as the arrow's size allows.
TEST(EdgeArrows, PointAtTheSideBeyondWhichAThingLies) {
    const struct {
        int x, y;
        Side side;
        int tipX, tipY;
    } cases[] = {
        {150, 190, Side::None, 0, 0},   {99, 190, Side::Left, 0, 90},       {420, 190, Side::Right, 319, 90},
        {99, -500, Side::Left, 0, 7},   {500, 900, Side::Right, 319, 172},  {101, 40, Side::Top, 7, 0},
        {300, -300, Side::Top, 200, 0}, {250, 280, Side::Bottom, 150, 179}, {419, 279, Side::None, 0, 0},
    };
    for (const auto& c : cases) {
        const EdgeArrow arrow = EdgeArrowTowards(c.x, c.y, 0x123456, 100, 100, 180);
        EXPECT_EQ(arrow.side, c.side) << c.x << "," << c.y;
        if (c.side == Side::None) continue;
        EXPECT_TRUE(arrow.x == c.tipX && arrow.y == c.tipY && arrow.colour == 0x123456u) << c.x << "," << c.y;
    }
}

// The first frame of a game, at a computer's turn and at a person's: the turn's line with its
// swatch, the help hint only for the person, and arrows in the colours of the tanks out of view.
TEST_F(LookoutTest, TheFirstTurnSaysWhoseItIsAndPointsAtTheTanksOutOfView) {
    TraceCapture quiet;
    for (const bool computers : {true, false}) {
        ResetEverything();
        auto steps = ToFirstTurn(computers);
        steps.push_back([computers] {
            EXPECT_EQ(CurrentMode, Aiming);
            ExpectShownPageIs(computers ? "lookout/first_turn_computer" : "lookout/first_turn_person");
            return false;
        });
        RunGame(7, steps);
    }
}

// Looking around moves the picture as far as the landscape goes, never the game's view, until the
// shot starts. The shell then flies above the top, where the view cannot follow it: a white arrow on
// the top edge follows it across, and goes once it is back in view; where it lands a ring in the
// shooter's colour (red) stays. Each frame step draws the shell where the step before left it, and
// the frame is there to be seen at the next step.
TEST_F(LookoutTest, LookingAroundLastsUntilTheShotWhoseShellIsFollowedToItsLanding) {
    TraceCapture quiet;
    auto steps = ToFirstTurn(false);
    int x = 0, y = 0, above = 0, inView = 0, ringed = 0;
    steps.push_back([&] {
        const int gameX = ViewX, gameY = ViewY;
        EXPECT_EQ(PointerScreenShown().lookArrowCount, 2);  // the pointer knows the arrows
        PointerLookBy(40, -100000);
        LookoutShownView(&x, &y);
        EXPECT_TRUE(x == gameX + 40 && y == 0);
        PointerLookBy(100000, 0);
        LookoutShownView(&x, &y);
        EXPECT_TRUE(x == TheLandscape->width - 320 && ViewX == gameX && ViewY == gameY);
        ThePlayers->Current()->angle = 95;
        ThePlayers->Current()->power = 70;
        PressKey(VK_SPACE);
        return true;
    });
    struct {
        bool flying = false, high = false, landed = false;
        int column = 0, ring = 0;
    } seen;
    steps.insert(steps.end(), 2000, [&] {
        LookoutShownView(&x, &y);
        EXPECT_TRUE(x == ViewX && y == ViewY);
        if (seen.flying) {
            // The arrow is five pixels wide three rows down from its tip, wider than the shell.
            const auto* row = &HeadlessLastFrame().pixels[3 * 320 + static_cast<std::size_t>(seen.column)];
            const bool arrow = row[-2] == 0xFFFF && row[2] == 0xFFFF;
            EXPECT_EQ(arrow, seen.high) << FrameCounter;
            (seen.high ? above : inView) += 1;
        }
        if (seen.landed) ringed += HeadlessLastFrame().pixels[static_cast<std::size_t>(seen.ring)] == 0xF800;
        seen.landed =
            CurrentMode == ShotInProgress && !TheProjectiles->trackedAlive && (seen.flying || seen.landed);
        if (TheProjectiles->trackedAlive)
            seen.ring = (TheProjectiles->trackedY - ViewY) * 320 + TheProjectiles->trackedX - ViewX + 6;
        seen.flying = CurrentMode == ShotInProgress && TheProjectiles->trackedAlive;
        seen.high = TheProjectiles->trackedY < ViewY;
        seen.column = std::clamp(TheProjectiles->trackedX - ViewX, 7, 312);
        HeadlessTick();
        return true;
    });
    RunGame(7, steps);
    EXPECT_GT(above, 20);
    EXPECT_GT(inView, 20);
    EXPECT_GT(ringed, 20);
}

}  // namespace
