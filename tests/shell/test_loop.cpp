// Tests of start-up, the message loop, activation, shutdown and the mode transitions keys make
// (the data tables start-up refuses are the data tables' own tests).
#include <gtest/gtest.h>

#include <vector>

#include "core/globals.h"
#include "core/random.h"
#include "diag/diag.h"
#include "platform/backend.h"
#include "shell/shell.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"

namespace {

class LoopTest : public GameTest {};

StepDriver::Step Tick() { return Keys(); }

TEST_F(LoopTest, StartsOnTheTitleActiveAndSeededFromTheClock) {
    std::uint32_t stateAfterStart = 0;
    int status = RunGame(7, {Do([&] { stateAfterStart = game::RandState(); }), Tick(), Tick(), Tick(),
                             Do([] { EXPECT_EQ(FrameCounter, 3); })});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(stateAfterStart, 7u);
    EXPECT_EQ(CurrentMode, Title);
    EXPECT_TRUE(NewGamePending);
}

TEST_F(LoopTest, TicksThatQueueUpTogetherMakeOneFrameStep) {
    RunGame(1, {Tick(), Do([] {
                    HeadlessTick();
                    HeadlessTick();
                    HeadlessTick();
                }),
                Do([] { EXPECT_EQ(FrameCounter, 2); })});
    EXPECT_EQ(FrameCounter, 2);
}

TEST_F(LoopTest, KeysBeforeTheFirstFrameStepAreOnlyCounted) {
    RunGame(1, {Do([] { PostKey(WM_KEYDOWN, VK_RETURN); }), Do([] {
                    EXPECT_TRUE(InputSuspended);
                    EXPECT_EQ(KeyHeld[VK_RETURN], 1);
                    EXPECT_EQ(CurrentMode, Title);
                    HeadlessTick();
                }),
                Do([] {
                    EXPECT_FALSE(InputSuspended);
                    PressKey(VK_RETURN);
                    HeadlessTick();
                }),
                Do([] { EXPECT_EQ(CurrentMode, PlayerChoice); })});
}

TEST_F(LoopTest, TitleToPlayerChoiceAndBackWithEnterSpaceAndEsc) {
    std::vector<std::uint32_t> modes;
    auto record = Do([&] { modes.push_back(CurrentMode); });
    RunGame(1, {Tick(), Do([] { PressKey(VK_RETURN); }), Tick(), record, Do([] { PressKey(VK_ESCAPE); }),
                Tick(), record, Do([] { PressKey(VK_SPACE); }), Tick(), record});
    EXPECT_EQ(modes, (std::vector<std::uint32_t>{PlayerChoice, Title, PlayerChoice}));
}

TEST_F(LoopTest, EscOnTheTitleShutsDownInOrderAndEndsNormally) {
    bool reachedAfterEsc = false;
    int status = RunGame(1, {Tick(), Do([] { PressKey(VK_ESCAPE); }), Do([&] { reachedAfterEsc = true; })});
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(reachedAfterEsc);
    EXPECT_EQ(PlatformMainWindow(), nullptr);
    EXPECT_EQ(ThePlayers, nullptr);
    EXPECT_FALSE(AppActive);
}

TEST_F(LoopTest, AnInactiveGameNeitherStepsNorTakesKeys) {
    RunGame(1, {Tick(), Do([] { PostMessageA(PlatformMainWindow(), WM_ACTIVATEAPP, 0, 0); }), Tick(),
                Do([] { PressKey(VK_RETURN); }), Tick(), Do([] {
                    EXPECT_EQ(FrameCounter, 1);
                    EXPECT_EQ(CurrentMode, Title);
                    EXPECT_FALSE(InputSuspended);
                    PostMessageA(PlatformMainWindow(), WM_ACTIVATEAPP, 1, 0);
                    HeadlessTick();
                }),
                Do([] { EXPECT_EQ(FrameCounter, 2); })});
}

TEST_F(LoopTest, WindowDeactivationClearsActivityButReactivationNeedsTheAppMessage) {
    RunGame(1, {Tick(), Do([] {
                    PostMessageA(PlatformMainWindow(), WM_ACTIVATE, WA_INACTIVE, 0);
                    PostMessageA(PlatformMainWindow(), WM_ACTIVATE, WA_ACTIVE, 0);
                    HeadlessTick();
                }),
                Do([] {
                    EXPECT_FALSE(AppActive);
                    EXPECT_EQ(FrameCounter, 1);
                })});
}

TEST_F(LoopTest, NoWindowMeansAFailedStartWithAReason) {
    TraceCapture out;
    HeadlessFailWindowCreation(true);
    EXPECT_EQ(RunGame(1, {}), 1);
    EXPECT_NE(out.Text().find("ERROR:-: GetLastError"), std::string::npos);
    EXPECT_NE(out.Text().find("the window could not be made"), std::string::npos);
}

TEST_F(LoopTest, SwitchToModeAboveSixChangesNothing) {
    CurrentMode = PlayerChoice;
    SwitchToMode(7);
    SwitchToMode(0xFFFFFFFFu);
    EXPECT_EQ(CurrentMode, PlayerChoice);
}

}  // namespace
