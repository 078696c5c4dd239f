// Tests of the sound effects on the headless device, each a plain wave of a known length: pools
// taken over in turn, the one-buffer rules, numbers outside the table, calls outside the set-up's
// lifetime, a missing device, malformed waves and lost buffers.
#include <gtest/gtest.h>

#include <climits>

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
    EXPECT_EQ(SoundTable.slots[14]->current, 9);

    // The eleventh cuts off the first, the twelfth the second.
    SoundPlay(SOUND_FIREWORK);
    EXPECT_EQ(SoundTable.slots[14]->current, 0);
    Ticks(1);
    SoundPlay(SOUND_FIREWORK);
    EXPECT_EQ(SoundTable.slots[14]->current, 1);
    EXPECT_EQ(Playing(14).size(), 10u);

    // Both restarted from the top, so they outlast buffers 2 to 5, which ran out on their own.
    Ticks(14);
    EXPECT_EQ(Playing(14), (std::vector<int>{0, 1, 6, 7, 8, 9}));
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>(12, 14));
    EXPECT_EQ(HeadlessSoundEvents()[10].tick, 10u);
    EXPECT_TRUE(AudioTakePlayed().empty());
}

TEST_F(SoundTest, AnIdleBufferIsUsedAgainBeforeTheNext) {
    SoundInit(nullptr);
    SoundPlay(SOUND_SHELL_LAUNCH);
    Ticks(20);
    SoundPlay(SOUND_SHELL_LAUNCH);
    EXPECT_EQ(SoundTable.slots[0]->current, 0);
    EXPECT_EQ(Playing(0), std::vector<int>{0});
    SoundPlay(SOUND_SHELL_LAUNCH);
    EXPECT_EQ(Playing(0), (std::vector<int>{0, 1}));
}

TEST_F(SoundTest, AOneBufferEffectDoesNotRestartWhilePlaying) {
    SoundInit(nullptr);
    SoundPlay(SOUND_THUD);
    SoundPlay(SOUND_THUD);
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>{12});

    // Stopped first, it starts again; left alone, it ends after three and a half ticks.
    SoundStop(SOUND_THUD);
    SoundPlay(SOUND_THUD);
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>{12});
    Ticks(3);
    EXPECT_EQ(Playing(12), std::vector<int>{0});
    Ticks(1);
    EXPECT_EQ(Playing(12), std::vector<int>{});
    SoundPlay(SOUND_THUD);
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>{12});
}

TEST_F(SoundTest, OnlyOneBufferEffectsLoop) {
    SoundInit(nullptr);
    SoundLoop(SOUND_FIREWORK);
    EXPECT_TRUE(AudioTakePlayed().empty());
    EXPECT_EQ(Playing(14), std::vector<int>{});

    SoundLoop(SOUND_LAVA_FLOW);
    Ticks(500);
    EXPECT_EQ(Status(17, 0), VOICE_PLAYING | VOICE_LOOPING);
    EXPECT_EQ(AudioLooping(), std::vector<int>{17});

    // Looping or playing again while it loops does nothing; a stop ends the loop.
    SoundLoop(SOUND_LAVA_FLOW);
    SoundPlay(SOUND_LAVA_FLOW);
    EXPECT_EQ(AudioTakePlayed(), std::vector<int>{17});
    SoundStop(SOUND_LAVA_FLOW);
    EXPECT_EQ(Status(17, 0), 0u);
    EXPECT_TRUE(AudioLooping().empty());
}

TEST_F(SoundTest, StopRewindsSoTheNextPlayStartsFromTheTop) {
    SoundInit(nullptr);
    SoundPlay(SOUND_SHELL_LAUNCH);
    Ticks(15);
    SoundStop(SOUND_SHELL_LAUNCH);
    EXPECT_EQ(Playing(0), std::vector<int>{});
    SoundPlay(SOUND_SHELL_LAUNCH);
    Ticks(19);
    EXPECT_EQ(Playing(0), std::vector<int>{0});
    Ticks(1);
    EXPECT_EQ(Playing(0), std::vector<int>{});

    // Stopping what is not playing leaves it as it was.
    SoundStop(SOUND_SHELL_LAUNCH);
    EXPECT_EQ(Playing(0), std::vector<int>{});
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
    const Bytes format = FormatBody(1, 22050, 16);
    const Bytes data = Pcm16({1, 2, 3});
    const struct {
        const char* name;
        Bytes image;
        bool hide;
        int error;
    } cases[] = {
        {"missing", {}, true, SOUND_NO_RESOURCE},
        {"short format", RiffWave({{"fmt ", FormatBody(1, 22050, 16, 13)}, {"data", data}}), false,
         SOUND_NOT_A_WAVE},
        {"no data", RiffWave({{"fmt ", format}, {"LIST", data}}), false, SOUND_NOT_A_WAVE},
        {"data past the end", RiffWave({{"fmt ", format}, {"data", data, 4000}}), false, SOUND_NOT_A_WAVE},
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

TEST_F(SoundTest, LostBuffersAreRestoredWhenPlayed) {
    SoundInit(nullptr);
    SoundPlay(SOUND_SHELL_LAUNCH);
    SoundTable.device->LoseAll();
    EXPECT_EQ(Status(0, 0), VOICE_LOST);
    SoundPlay(SOUND_SHELL_LAUNCH);
    EXPECT_EQ(Status(0, 0), VOICE_PLAYING);
    Ticks(19);
    EXPECT_EQ(Playing(0), std::vector<int>{0});
    Ticks(1);
    EXPECT_EQ(Playing(0), std::vector<int>{});
}

}  // namespace
