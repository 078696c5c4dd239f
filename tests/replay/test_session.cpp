// Tests of the run's replay session: what recording keeps, what playback lets through, and when
// it delivers the recorded input and holds at the end.
#include <gtest/gtest.h>

#include <vector>

#include "core/globals.h"
#include "platform/backend.h"
#include "replay/session.h"
#include "tests/support/capture.h"

namespace {

std::vector<InputEvent> Delivered;

void Record(const InputEvent& input) { Delivered.push_back(input); }

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

TEST_F(ReplaySession, RecordingKeepsTheStartAndStampsInputWithTheStepsBefore) {
    WindOption = WIND_RANDOM;
    SeatControllers[1] = ControllerEasy;
    ReplayRecordInput(InputEvent::Down('A'));  // before start-up chose the seed: not kept
    EXPECT_EQ(ReplayStart(1234), 1234u);
    EXPECT_TRUE(ReplayTakeInput(InputEvent::Down('A')));
    ReplayRecordInput(InputEvent::Down('A'));
    ReplayFrameStepRun();
    ReplayFrameStepRun();
    ReplayRecordInput(InputEvent::Down(KEY_COUNT));  // no key of the game's: not kept
    EXPECT_TRUE(ReplayTakeInput(InputEvent::WindowActivation(WA_INACTIVE)));
    ReplayRecordInput(InputEvent::Up('A'));
    ReplayFrameStepRun();
    EXPECT_FALSE(ReplayDeliverDue(Record));

    const ReplayRecord& r = ReplayRecorded();
    EXPECT_EQ(r.seed, 1234u);
    EXPECT_EQ(r.wind, 3);
    EXPECT_EQ(r.controllers[1], ControllerEasy);
    EXPECT_EQ(r.events,
              (std::vector<ReplayEvent>{{0, ReplayEvent::KeyDown, 'A'}, {2, ReplayEvent::KeyUp, 'A'}}));
    EXPECT_EQ(r.steps, 3u);
    EXPECT_EQ(ReplayFrameSteps(), 3u);
}

TEST_F(ReplaySession, PlaybackSetsTheStartAndDeliversEachStepsInputUpToTheClose) {
    ReplayLoad(Recorded(), false);
    EXPECT_TRUE(ReplayTakeInput(InputEvent::AppActivation(true)));  // the window's first activation
    EXPECT_EQ(ReplayStart(5), 77u);
    EXPECT_TRUE(ReplayPlaying());
    EXPECT_EQ(WindOption, 2);
    EXPECT_EQ(SeatControllers[3], ControllerHard);

    // Real keys and activation never reach the game; the close does, and nothing is recorded.
    EXPECT_FALSE(ReplayTakeInput(InputEvent::Down('X')));
    EXPECT_FALSE(ReplayTakeInput(InputEvent::WindowActivation(WA_INACTIVE)));
    EXPECT_FALSE(ReplayTakeInput(InputEvent::AppActivation(false)));
    EXPECT_TRUE(ReplayTakeInput(InputEvent::CloseRequest()));
    ReplayRecordInput(InputEvent::Down('X'));

    EXPECT_TRUE(ReplayDeliverDue(Record));
    EXPECT_EQ(Delivered, (std::vector<InputEvent>{InputEvent::Down('Q'), InputEvent::Up('Q')}));
    EXPECT_FALSE(ReplayDeliverDue(Record));
    ReplayFrameStepRun();
    EXPECT_FALSE(ReplayDeliverDue(Record));
    ReplayFrameStepRun();
    // The close is the last input delivered: the window is gone.
    EXPECT_TRUE(ReplayDeliverDue(Record));
    EXPECT_EQ(Delivered,
              (std::vector<InputEvent>{InputEvent::Down('Q'), InputEvent::Up('Q'),
                                       InputEvent::AppActivation(false), InputEvent::CloseRequest()}));
    EXPECT_FALSE(ReplayFinished());
    EXPECT_TRUE(ReplayDeliverDue(Record));
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayFinished());
    EXPECT_FALSE(ReplayHolding());
    EXPECT_EQ(ReplayRecorded().events, Recorded().events) << "playback records nothing";
}

// A step's computer keys come in the step, after the input due before it: in playback, from the
// replay; in a catch-up the computers' own (here none, with no game) and the recorded ones passed
// over, the difference traced and the recorded ones kept by the recording that carries on.
TEST_F(ReplaySession, ComputerKeysComeInTheirStepFromTheReplayOrInACatchUpFromTheComputers) {
    ReplayRecord r;
    r.events = {{0, ReplayEvent::KeyDown, 'Q'},
                {0, ReplayEvent::Computer, 'X'},
                {0, ReplayEvent::Computer, 'Z'},
                {1, ReplayEvent::KeyUp, 'Q'}};
    r.steps = 2;
    for (bool catchUp : {false, true}) {
        Delivered.clear();
        ReplayLoad(r, false, catchUp);
        ReplayStart(1);
        TraceCapture trace;
        EXPECT_TRUE(ReplayDeliverDue(Record));
        EXPECT_FALSE(ReplayDeliverDue(Record)) << "the computers' keys wait for the step";
        ReplayComputerKeys(Record);
        ReplayFrameStepRun();
        EXPECT_TRUE(ReplayDeliverDue(Record));
        ReplayFrameStepRun();
        const std::vector<InputEvent> played = {InputEvent::Down('Q'), InputEvent::Computer('X'),
                                                InputEvent::Computer('Z'), InputEvent::Up('Q')};
        const std::vector<InputEvent> caughtUp = {played[0], played[3]};
        EXPECT_EQ(Delivered, catchUp ? caughtUp : played);
        EXPECT_EQ(trace.Text().find("pressed other keys at frame step 0") != std::string::npos, catchUp);
        EXPECT_EQ(ReplayRecording(), catchUp);
    }
    EXPECT_EQ(ReplayRecorded().events, r.events);
}

// The windowed player keeps the last picture: no close is delivered and no step runs at the end;
// Space and Esc work the player, not the game.
TEST_F(ReplaySession, TheWindowedPlayerHoldsAtTheEndAndTakesSpaceAndEsc) {
    ReplayLoad(Recorded(), true);
    ReplayStart(5);
    // Space toggles fast-forward; held, it does not toggle again.
    for (const InputEvent& space :
         {InputEvent::Down(VK_SPACE), InputEvent::Down(VK_SPACE, true), InputEvent::Up(VK_SPACE)}) {
        EXPECT_FALSE(ReplayTakeInput(space));
        EXPECT_TRUE(ReplayFastForward());
    }

    ReplayDeliverDue(Record);
    ReplayFrameStepRun();
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayDeliverDue(Record));
    ASSERT_EQ(Delivered.size(), 3u);
    EXPECT_EQ(Delivered[2].kind, InputEvent::ActivateApp);
    EXPECT_FALSE(ReplayDeliverDue(Record));
    EXPECT_FALSE(ReplayHolding());
    ReplayFrameStepRun();
    EXPECT_TRUE(ReplayHolding());

    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(ReplayTakeInput(InputEvent::Down(VK_ESCAPE)));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CLOSE);
}

}  // namespace
