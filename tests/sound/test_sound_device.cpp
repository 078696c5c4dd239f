// Tests of the output device beneath the sound effects: silent and not pulled while the game is in
// the background, a device that goes away during play and comes back, and the shell's activation
// messages reaching the device.
#include <gtest/gtest.h>

#include "core/globals.h"
#include "platform/backend.h"
#include "tests/sound/sound_fixture.h"
#include "tests/support/capture.h"

namespace {

constexpr std::uint64_t TICK = FRAMES_PER_TICK;

class SoundDeviceTest : public SoundTest {
protected:
    // Ticks one at a time, the game touching its sounds after each, as a frame step may.
    static void EveryTick(int count) {
        for (int i = 0; i < count; ++i) Ticks(1);
    }
};

TEST_F(SoundDeviceTest, APauseStopsPullingAndSoundsCarryOnFromWhereTheyWere) {
    SoundInit(nullptr);
    SoundPlay(0);
    SoundLoop(12);
    Ticks(5);
    ASSERT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);

    // Nothing is pulled however long the pause lasts, so nothing runs out meanwhile.
    SoundPause(true);
    Ticks(300);
    EXPECT_TRUE(HeadlessAudioPaused());
    EXPECT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);
    EXPECT_EQ(Playing(0), std::vector<int>{0});

    // Back in front: the one-shot has its fifteen ticks left, not one more, and the loop was
    // neither stopped nor started again.
    SoundPause(false);
    Ticks(14);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 19 * TICK);
    EXPECT_EQ(Playing(0), std::vector<int>{0});
    Ticks(1);
    EXPECT_EQ(Playing(0), std::vector<int>{});
    EXPECT_EQ(Status(12, 0), VOICE_PLAYING | VOICE_LOOPING);
    EXPECT_EQ(HeadlessSoundEvents().size(), 2u);
    EXPECT_EQ(AudioLooping(), std::vector<int>{12});
}

TEST_F(SoundDeviceTest, ThePauseIsTakenAtTheMomentItIsAsked) {
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
}

TEST_F(SoundDeviceTest, APauseBeforeSetUpHoldsOnceTheDeviceOpens) {
    SoundPause(true);
    SoundInit(nullptr);
    SoundPlay(0);
    Ticks(40);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 0u);
    EXPECT_EQ(Playing(0), std::vector<int>{0});
}

TEST_F(SoundDeviceTest, ALostDeviceIsLookedForAtTheSlowPaceAndTheMixCarriesOn) {
    TraceCapture out;
    SoundInit(nullptr);
    SoundPlay(0);
    Ticks(5);
    HeadlessAudioRemoveDevice();
    EXPECT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);

    // Silent, yet the game plays on: starts are still made and recorded, nothing is pulled.
    EveryTick(60);
    SoundPlay(3);
    EXPECT_EQ(AudioTakePlayed(), (std::vector<int>{0, 3}));
    EXPECT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);

    // The attempt two seconds after the loss (tick 105) finds nothing; the device comes back
    // unannounced at tick 120, and the next attempt (tick 205) finds it.
    EveryTick(55);
    HeadlessAudioAddDevice(false);
    EveryTick(84);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);
    EveryTick(1);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 5 * TICK);
    EveryTick(1);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 6 * TICK);

    // The voices are as they were: the first sound has its fifteen ticks left.
    EXPECT_EQ(Playing(0), std::vector<int>{0});
    Ticks(13);
    EXPECT_EQ(Playing(0), std::vector<int>{0});
    Ticks(1);
    EXPECT_EQ(Playing(0), std::vector<int>{});
    EXPECT_EQ(out.Text(),
              "AudioRecovery: The sound device has gone: the game goes on silent\r\n"
              "AudioRecovery: A sound device is back: the sound carries on\r\n");
}

TEST_F(SoundDeviceTest, AnAnnouncedDeviceIsTakenAtOnceAndAPauseOutlastsTheLoss) {
    SoundInit(nullptr);
    SoundPlay(0);
    Ticks(2);
    SoundPause(true);
    HeadlessAudioRemoveDevice();
    Ticks(3);
    HeadlessAudioAddDevice(true);
    Ticks(3);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 2 * TICK);
    SoundPause(false);
    Ticks(4);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 6 * TICK);

    // A second loss after the return is noticed like the first.
    HeadlessAudioRemoveDevice();
    Ticks(4);
    EXPECT_EQ(HeadlessAudioFramesPulled(), 6 * TICK);
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
