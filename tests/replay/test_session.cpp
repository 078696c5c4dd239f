// Tests of the run's replay session: what recording keeps, what playback lets through, and when
// it delivers the recorded messages and holds at the end.
#include <gtest/gtest.h>

#include <vector>

#include "core/globals.h"
#include "platform/backend.h"
#include "replay/session.h"

namespace {

std::vector<ReplayMessage> Delivered;

LRESULT Record(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    Delivered.push_back({message, wParam, lParam});
    // A message handed on by the replay passes the session's own filter.
    EXPECT_TRUE(ReplayWindowMessage(message, wParam, lParam));
    return 0;
}

class ReplaySession : public ::testing::Test {
protected:
    void SetUp() override {
        ReplayResetForTests();
        PlatformResetForTests();
        GlobalsReset();
        Delivered.clear();
    }
    void TearDown() override {
        ReplayResetForTests();
        PlatformResetForTests();
        GlobalsReset();
    }

    static ReplayRecord Recorded() {
        ReplayRecord r;
        r.seed = 77;
        r.wind = 2;
        r.controllers[3] = ControllerHard;
        r.events = {{0, ReplayEvent::KeyDown, 'Q'},
                    {0, ReplayEvent::KeyUp, 'Q'},
                    {2, ReplayEvent::ActivateApp, 0},
                    {2, ReplayEvent::Close, 0},
                    {2, ReplayEvent::KeyDown, 'Z'}};
        r.steps = 3;
        return r;
    }
};

TEST_F(ReplaySession, RecordingKeepsTheStartAndStampsMessagesWithTheStepsBefore) {
    WindOption = 3;
    SeatControllers[1] = ControllerEasy;
    ReplayWindowMessage(WM_KEYDOWN, 'A', 0);  // before start-up chose the seed: not kept
    EXPECT_EQ(ReplayStart(1234), 1234u);
    EXPECT_TRUE(ReplayWindowMessage(WM_KEYDOWN, 'A', 1));
    ReplayFrameStepRun();
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayWindowMessage(WM_TIMER, 0, 0));
    EXPECT_TRUE(ReplayWindowMessage(WM_KEYUP, 'A', 0));
    ReplayFrameStepRun();
    EXPECT_FALSE(ReplayDeliverDue(nullptr, Record));

    const ReplayRecord& r = ReplayRecorded();
    EXPECT_EQ(r.seed, 1234u);
    EXPECT_EQ(r.wind, 3);
    EXPECT_EQ(r.controllers[1], ControllerEasy);
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0], (ReplayEvent{0, ReplayEvent::KeyDown, 'A'}));
    EXPECT_EQ(r.events[1], (ReplayEvent{2, ReplayEvent::KeyUp, 'A'}));
    EXPECT_EQ(r.steps, 3u);
    EXPECT_EQ(ReplayFrameSteps(), 3u);
}

TEST_F(ReplaySession, PlaybackSetsTheStartAndDeliversEachStepsMessagesUpToTheClose) {
    ReplayLoad(Recorded(), false);
    EXPECT_TRUE(ReplayWindowMessage(WM_ACTIVATEAPP, 1, 0));  // the window's first activation
    EXPECT_EQ(ReplayStart(5), 77u);
    EXPECT_TRUE(ReplayPlaying());
    EXPECT_EQ(WindOption, 2);
    EXPECT_EQ(SeatControllers[3], ControllerHard);

    // Real keys and activation never reach the game; a timer does.
    EXPECT_FALSE(ReplayWindowMessage(WM_KEYDOWN, 'X', 0));
    EXPECT_FALSE(ReplayWindowMessage(WM_ACTIVATE, WA_INACTIVE, 0));
    EXPECT_TRUE(ReplayWindowMessage(WM_TIMER, 0, 0));

    EXPECT_TRUE(ReplayDeliverDue(nullptr, Record));
    ASSERT_EQ(Delivered.size(), 2u);
    EXPECT_EQ(Delivered[0].message, WM_KEYDOWN);
    EXPECT_EQ(Delivered[1].message, WM_KEYUP);
    EXPECT_FALSE(ReplayDeliverDue(nullptr, Record));
    ReplayFrameStepRun();
    EXPECT_FALSE(ReplayDeliverDue(nullptr, Record));
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayDeliverDue(nullptr, Record));
    ASSERT_EQ(Delivered.size(), 4u);
    EXPECT_EQ(Delivered[3].message, WM_CLOSE);  // and nothing after it: the window is gone
    EXPECT_FALSE(ReplayFinished());
    EXPECT_TRUE(ReplayDeliverDue(nullptr, Record));
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayFinished());
    EXPECT_FALSE(ReplayHolding());
}

// The windowed player keeps the last picture: no close is delivered and no step runs at the end;
// Space and Esc work the player, not the game.
TEST_F(ReplaySession, TheWindowedPlayerHoldsAtTheEndAndTakesSpaceAndEsc) {
    ReplayLoad(Recorded(), true);
    ReplayStart(5);
    EXPECT_FALSE(ReplayWindowMessage(WM_KEYDOWN, VK_SPACE, 1));
    EXPECT_TRUE(ReplayFastForward());
    EXPECT_FALSE(ReplayWindowMessage(WM_KEYDOWN, VK_SPACE, KEY_REPEAT_BIT | 1));  // held: no toggle
    EXPECT_TRUE(ReplayFastForward());
    EXPECT_FALSE(ReplayWindowMessage(WM_KEYUP, VK_SPACE, 1));
    EXPECT_TRUE(ReplayFastForward());

    ReplayDeliverDue(nullptr, Record);
    ReplayFrameStepRun();
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayDeliverDue(nullptr, Record));
    ASSERT_EQ(Delivered.size(), 3u);
    EXPECT_EQ(Delivered[2].message, WM_ACTIVATEAPP);
    EXPECT_FALSE(ReplayDeliverDue(nullptr, Record));
    EXPECT_FALSE(ReplayHolding());
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayHolding());

    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(ReplayWindowMessage(WM_KEYDOWN, VK_ESCAPE, 1));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CLOSE);
}

}  // namespace
