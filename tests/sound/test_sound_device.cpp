// Tests of the output device beneath the sound effects: silent and not pulled while the game is in
// the background or the device is gone, and the shell's activation messages reaching the device.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "platform/backend.h"
#include "tests/sound/sound_fixture.h"
#include "tests/support/capture.h"

namespace {

constexpr std::uint64_t TICK = FRAMES_PER_TICK;

void Pause(int) { SoundPause(true); }
void Resume(int) { SoundPause(false); }

// Nothing is pulled however long a pause lasts, so nothing runs out meanwhile: back in front, a
// one-shot has its ticks left, not one more, and a loop was neither stopped nor started again.
TEST_F(SoundTest, APauseStopsPullingAndSoundsCarryOnFromWhereTheyWere) {
    SoundInit(nullptr);
    SoundLoop(12);
    Run(0, {{SoundPlay, 5, {0}}, {Pause, 300, {0}}, {Resume, 14, {0}}, {nullptr, 1, {}}});
    EXPECT_EQ(HeadlessAudioFramesPulled(), 20 * TICK);
    EXPECT_EQ(Status(12, 0), VOICE_PLAYING | VOICE_LOOPING);
    EXPECT_EQ(HeadlessSoundEvents().size(), 2u);
}

TEST_F(SoundTest, ThePauseIsTakenAtTheMomentItIsAskedAndHoldsFromBeforeSetUp) {
    // Ticks due when the pause comes are still played; repeating either call changes nothing.
    SoundInit(nullptr);
    SoundPlay(0);
    for (int i = 0; i < 7; ++i) HeadlessTick();
    SoundPause(true);
    SoundPause(true);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 7 * TICK);
    HeadlessTick();
    SoundPause(false);
    SoundPause(false);
    HeadlessTick();
    AudioCatchUp();
    EXPECT_EQ(HeadlessAudioFramesPulled(), 8 * TICK);

    SoundFinalize();
    HeadlessAudioResetForTests();
    SoundPause(true);
    SoundInit(nullptr);
    Run(0, {{SoundPlay, 40, {0}}});
    EXPECT_EQ(HeadlessAudioFramesPulled(), 0u);
}

// While the device is gone the game plays on silent: starts are made and recorded, nothing is
// pulled, and once a device is back the voices are as they were. A pause outlasts a loss.
TEST_F(SoundTest, ALostDeviceLeavesTheMixWhereItWasUntilOneIsBack) {
    TraceCapture rows;
    SoundInit(nullptr);
    auto remove = [](int) { HeadlessAudioRemoveDevice(); };
    auto add = [](int) { HeadlessAudioAddDevice(true); };
    Run(0, {{SoundPlay, 5, {0}}, {remove, 60, {0}}});
    SoundPlay(3);
    EXPECT_EQ(AudioTakePlayed(), (std::vector<int>{0, 3}));
    EXPECT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);
    Run(0, {{add, 1, {0}}});
    EXPECT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);
    Run(0, {{nullptr, 14, {0}}, {nullptr, 1, {}}, {Pause, 0, {}}, {remove, 3, {}}, {add, 3, {}}});
    EXPECT_EQ(HeadlessAudioFramesPulled(), 20 * TICK);
    SoundPause(false);
    Ticks(4);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 24 * TICK);
}

// The real loop: the shell pauses the device whenever the game leaves the front.
class ActivationTest : public GameTest {};

TEST_F(ActivationTest, TheShellPausesTheDeviceWhileTheGameIsInactive) {
    std::vector<bool> paused;
    auto record = [&] {
        paused.push_back(HeadlessAudioPaused());
        HeadlessTick();
        return true;
    };
    auto post = [](UINT message, WPARAM wParam) {
        return [message, wParam] {
            PostMessageA(PlatformMainWindow(), message, wParam, 0);
            HeadlessTick();
            return true;
        };
    };
    RunGame(1, {record, post(WM_ACTIVATEAPP, 0), record, post(WM_ACTIVATEAPP, 1), record,
                post(WM_ACTIVATE, WA_INACTIVE), record, post(WM_ACTIVATE, WA_ACTIVE), record,
                post(WM_ACTIVATEAPP, 1), record});
    EXPECT_EQ(paused, (std::vector<bool>{false, true, false, true, true, false}));
}

}  // namespace
