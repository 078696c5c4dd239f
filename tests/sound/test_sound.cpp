// Tests of the sound effects on the headless device, each a plain wave of a known length: pools
// taken over in turn, ends, stops and lost buffers, the one-buffer rules, a pause and a lost device,
// by the scripts of sound_effects.tsv; numbers outside the table, calls outside the set-up's
// lifetime, a missing device and waves that cannot be played; and the shell's activation messages
// reaching the device.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/headless/headless_audio.h"
#include "platform/headless/headless_platform.h"
#include "platform/resource.h"
#include "sound/sound.h"
#include "sound/sound_effect.h"
#include "tests/sound/wave_images.h"
#include "tests/support/capture.h"
#include "tests/support/game_fixture.h"
#include "tests/support/golden.h"
#include "tests/support/world.h"

namespace {

constexpr std::uint64_t TICK = 441;  // frames a tick

class SoundTest : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        SoundResetForTests();
        HeadlessAudioResetForTests();
        // Every effect lasts 20 ticks, except sound 12 (three and a half).
        for (int number = 0; number < SOUND_COUNT; ++number)
            Replace(number, SimpleWave(number == 12 ? TICK * 7 / 2 : TICK * 20));
    }
    void TearDown() override {
        SoundResetForTests();
        HeadlessAudioResetForTests();
        GameTest::TearDown();
    }
    static void Replace(int number, const Bytes& image, bool hide = false) {
        ResourceOverride(RT_WAVE, MAKEINTRESOURCEA(SOUND_RESOURCES[number]), image, hide);
    }
    static void Ticks(int count) {
        for (int i = 0; i < count; ++i) HeadlessTick();
        AudioCatchUp();
    }
    static std::string Listed(const std::vector<int>& numbers) {
        std::string list;
        for (int n : numbers) list += (list.empty() ? "" : " ") + std::to_string(n);
        return list;
    }
    static std::string Playing(int number) {
        std::vector<int> playing;
        for (int i = 0; i < SoundTable.slots[number]->bufferCount; ++i)
            if (SoundTable.slots[number]->buffers[i]->Status() & VOICE_PLAYING) playing.push_back(i);
        return Listed(playing);
    }
    // A check of a script: played and looping (the effects), pulled (in ticks), starts (how many),
    // start N (its tick) and voice N (its first buffer's state).
    static std::string Checked(const std::string& word, int number) {
        const std::uint64_t pulled = HeadlessAudioFramesPulled();
        const unsigned status = word == "voice" ? SoundTable.slots[number]->buffers[0]->Status() : 0;
        return word == "played"    ? Listed(AudioTakePlayed())
               : word == "looping" ? Listed(AudioLooping())
               : word == "pulled"  ? std::to_string(pulled / TICK) + (pulled % TICK ? "+" : "")
               : word == "starts"  ? std::to_string(HeadlessSoundEvents().size())
               : word == "start"   ? std::to_string(HeadlessSoundEvents().at(number).tick)
                                   : std::string(status & VOICE_PLAYING ? "playing" : "") +
                                       (status & VOICE_LOOPING ? " looping" : "");
    }
    // One line of a script of sound_effects.tsv: a step or a check.
    void Step(const std::vector<std::string>& row) {
        const std::string word = row[0].substr(0, row[0].find(' '));
        if (word == "case") SetUp();
        if (word == "init") SoundInit(nullptr);
        if (row.size() == 2) {
            EXPECT_EQ(Checked(word, std::atoi(row[0].c_str() + word.size())), row[1]);
        }
        if (row.size() < 4) return;
        const int effect = std::stoi(row[0]);
        const std::string& call = row[1];
        if (call == "play" || call == "loop" || call == "stop")
            (call == "play" ? SoundPlay : call == "loop" ? SoundLoop : SoundStop)(effect);
        if (call == "pause" || call == "resume") SoundPause(call == "pause");
        if (call == "lose") SoundTable.device->LoseAll();
        if (call == "remove") HeadlessAudioRemoveDevice();
        if (call == "add") HeadlessAudioAddDevice(true);
        Ticks(std::stoi(row[2]));
        EXPECT_EQ(Playing(effect), row[3]);
    }
};

TEST_F(SoundTest, EveryScriptOfTheEffects) {
    TraceCapture rows;
    for (const auto& row : GoldenRows("sound/sound_effects.tsv")) {
        SCOPED_TRACE(row[0] + (row.size() > 1 ? " | " + row[1] : ""));
        Step(row);
    }
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
    SoundPlay(0);
    Ticks(40);
    EXPECT_EQ(Playing(0), "0");
    EXPECT_EQ(HeadlessAudioFramesPulled(), 0u);
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
