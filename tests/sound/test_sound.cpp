// Tests of the sound effects on the headless device, each a plain wave of a known length: pools
// taken over in turn, ends, stops and lost buffers, the one-buffer rules, numbers outside the
// table, calls outside the set-up's lifetime, a missing device and waves that cannot be played;
// and the output device beneath them: silent and not pulled while the game is in the background or
// the device is gone, and the shell's activation messages reaching the device.
#include <gtest/gtest.h>

#include <climits>

#include "core/globals.h"
#include "platform/backend.h"
#include "platform/headless/headless_audio.h"
#include "platform/resource.h"
#include "sound/sound.h"
#include "sound/sound_effect.h"
#include "tests/sound/sound_fixture.h"
#include "tests/support/capture.h"

namespace {

TEST_F(SoundTest, ABusyPoolTakesOverItsBuffersInTurn) {
    SoundInit(nullptr);
    for (int i = 0; i < 10; ++i) {
        SoundPlay(SOUND_FIREWORK);
        Ticks(1);
    }
    EXPECT_EQ(Playing(14), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // The eleventh cuts off the first, the twelfth the second: both restart from the top, so they
    // outlast buffers 2 to 5, which run out on their own.
    Run(SOUND_FIREWORK,
        {{SoundPlay, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}}, {SoundPlay, 14, {0, 1, 6, 7, 8, 9}}});
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>(12, 14));
    EXPECT_EQ(HeadlessSoundEvents()[10].tick, 10u);
    EXPECT_TRUE(AudioTakePlayed().empty());
}

// An idle buffer is used again before the next; a stop ends every buffer and the next play starts
// from the top; a lost buffer is restored when played.
TEST_F(SoundTest, EffectsEndOnTheirOwnOrWhenStoppedAndPlayAgainFromTheTop) {
    SoundInit(nullptr);
    auto lose = [](int) { SoundTable.device->LoseAll(); };
    Run(SOUND_SHELL_LAUNCH, {{SoundPlay, 20, {}},
                             {SoundPlay, 0, {0}},
                             {SoundPlay, 15, {0, 1}},
                             {SoundStop, 0, {}},
                             {SoundPlay, 19, {1}},
                             {nullptr, 1, {}},
                             {SoundStop, 0, {}},
                             {SoundPlay, 0, {1}},
                             {lose, 0, {}},
                             {SoundPlay, 19, {1}},
                             {nullptr, 1, {}}});
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>(6, 0));
}

// A one-buffer effect does not restart while it plays (sound 12 lasts three and a half ticks), and
// only one-buffer effects loop; looping or playing again while it loops does nothing.
TEST_F(SoundTest, OneBufferEffectsDoNotRestartAndAloneLoop) {
    SoundInit(nullptr);
    Run(SOUND_THUD, {{SoundPlay, 0, {0}},
                     {SoundPlay, 0, {0}},
                     {SoundStop, 0, {}},
                     {SoundPlay, 3, {0}},
                     {SoundPlay, 1, {}},
                     {SoundPlay, 0, {0}}});
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>(3, 12));
    Run(SOUND_FIREWORK, {{SoundLoop, 0, {}}});
    EXPECT_TRUE(AudioTakePlayed().empty());
    Run(SOUND_LAVA_FLOW, {{SoundLoop, 500, {0}}, {SoundLoop, 0, {0}}, {SoundPlay, 0, {0}}});
    EXPECT_EQ(Status(17, 0), VOICE_PLAYING | VOICE_LOOPING);
    EXPECT_EQ(AudioLooping(), std::vector<int>{17});
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>{17});
    Run(SOUND_LAVA_FLOW, {{SoundStop, 0, {}}});
    EXPECT_TRUE(AudioLooping().empty());
}

// Numbers outside the table, and calls before the set-up or after the finish, do nothing.
TEST_F(SoundTest, CallsOutsideTheTableOrTheSetUpsLifetimeDoNothing) {
    auto touch = [](std::initializer_list<int> numbers) {
        for (int number : numbers) SoundPlay(number), SoundLoop(number), SoundStop(number);
    };
    touch({SOUND_SHELL_LAUNCH, SOUND_LAVA_FLOW});
    SoundFinalize();
    SoundInit(nullptr);
    touch({-1, 18, INT_MIN, INT_MAX});
    SoundLoop(SOUND_LAVA_FLOW);
    SoundFinalize();
    EXPECT_EQ(SoundTable.device, nullptr);
    for (const SoundEffect* slot : SoundTable.slots) EXPECT_EQ(slot, nullptr);
    EXPECT_TRUE(AudioLooping().empty());
    touch({SOUND_SHELL_LAUNCH, SOUND_LAVA_FLOW});
    SoundFinalize();
    EXPECT_EQ(HeadlessSoundEvents().size(), 1u);
}

TEST_F(SoundTest, WithoutADeviceTheGameIsSilent) {
    TraceCapture out;
    HeadlessAudioSetAvailable(false);
    SoundInit(nullptr);
    EXPECT_EQ(out.Text(), "SoundInit: No sound device: the game runs silent\r\n");
    EXPECT_EQ(SoundTable.device, nullptr);
    EXPECT_FALSE(SoundTable.ready);
    SoundPlay(SOUND_SHELL_LAUNCH);
    SoundLoop(SOUND_LAVA_FLOW);
    EXPECT_TRUE(HeadlessSoundEvents().empty());
    SoundFinalize();

    // With nothing made, a later set-up tries again.
    HeadlessAudioSetAvailable(true);
    SoundInit(nullptr);
    EXPECT_NE(SoundTable.slots[0], nullptr);
}

TEST_F(SoundTest, MalformedWavesLeaveTheirSlotEmpty) {
    const struct {
        const char* name;
        Bytes image;
        bool hide;
        int error;
    } cases[] = {
        {"missing", {}, true, SOUND_NO_RESOURCE},
        {"not a wave", Bytes(64, 'x'), false, SOUND_NOT_A_WAVE},
        {"unplayable", RiffWave({{"fmt ", FormatBody(1, 22050, 24)}, {"data", Bytes(9)}}), false,
         SOUND_DUPLICATE_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SoundResetForTests();
        Replace(8, c.image, c.hide);
        SoundInit(nullptr);
        EXPECT_EQ(SoundTable.slots[8], nullptr);
        EXPECT_NE(SoundTable.slots[9], nullptr);
        SoundPlay(SOUND_SHELL);
        EXPECT_TRUE(AudioTakePlayed().empty());

        int error = -1;
        EXPECT_EQ(LoadSoundEffect(*SoundTable.device, SOUND_RESOURCES[8], 2, &error), nullptr);
        EXPECT_EQ(error, c.error);
    }
    // A one-buffer effect that cannot be played keeps its slot but plays nothing.
    SoundResetForTests();
    Replace(12, RiffWave({{"fmt ", FormatBody(1, 22050, 24)}, {"data", Bytes(9)}}));
    SoundInit(nullptr);
    ASSERT_NE(SoundTable.slots[12], nullptr);
    EXPECT_EQ(SoundTable.slots[12]->buffers[0], nullptr);
    SoundPlay(SOUND_THUD);
    EXPECT_TRUE(AudioTakePlayed().empty());
}

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
