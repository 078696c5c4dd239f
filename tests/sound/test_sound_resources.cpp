// Tests of the eighteen recordings embedded in the game: their format, length and levels, the
// lava loop's seam, and that the game loads every one of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <tuple>

#include "platform/headless/headless_audio.h"
#include "platform/resource.h"
#include "sound/sound.h"
#include "sound/sound_effect.h"
#include "sound/wave.h"
#include "tests/support/game_fixture.h"
#include "tests/support/world.h"

namespace {

constexpr int LAVA_LOOP = 193;

struct Recording {
    WaveFormat format;
    std::vector<double> samples;  // -1 to 1
    std::vector<std::uint8_t> bytes;
};

Recording Load(int id) {
    Recording r;
    std::span<const std::uint8_t> format;
    const std::uint8_t* samples = nullptr;
    std::uint32_t bytes = 0;
    int error = 0;
    EXPECT_TRUE(LockWaveResource(PlatformModuleHandle(), id, &format, &samples, &bytes, &error)) << id;
    if (!samples) return r;
    r.format = ReadWaveFormat(format).value_or(WaveFormat{});
    r.bytes.assign(samples, samples + bytes);
    for (std::uint32_t i = 0; i + 1 < bytes; i += 2) {
        std::int16_t s;
        std::memcpy(&s, samples + i, 2);
        r.samples.push_back(s / 32768.0);
    }
    return r;
}

class SoundResourcesTest : public GameTest {
protected:
    void TearDown() override {
        SoundResetForTests();
        HeadlessAudioResetForTests();
        GameTest::TearDown();
    }
};

// Each is a short mono 16-bit wave, its own, whose level leaves headroom and carries no offset;
// one-shots start and end in silence, so they neither click on nor click off.
TEST_F(SoundResourcesTest, EveryRecordingIsAShortMonoWaveOfItsOwnAtASafeLevel) {
    std::set<std::vector<std::uint8_t>> seen;
    for (int id : SOUND_RESOURCES) {
        SCOPED_TRACE(id);
        const Recording r = Load(id);
        ASSERT_FALSE(r.samples.empty());
        EXPECT_TRUE(seen.insert(r.bytes).second);
        EXPECT_EQ(std::tuple(r.format.tag, r.format.channels, r.format.bitsPerSample, r.format.rate),
                  std::tuple(1, 1, 16, 22050u));
        EXPECT_TRUE(r.samples.size() >= 0.03 * 22050 && r.samples.size() <= 2.5 * 22050) << r.samples.size();
        double peak = 0, mean = 0;
        for (double v : r.samples) peak = std::max(peak, std::abs(v)), mean += v;
        EXPECT_TRUE(peak >= 0.25 && peak <= 0.85) << peak;
        EXPECT_LT(std::abs(mean / r.samples.size()), 0.002);
        EXPECT_TRUE(id == LAVA_LOOP ||
                    std::max(std::abs(r.samples.front()), std::abs(r.samples.back())) < 0.01)
            << "a one-shot clicks on or off";
    }
}

TEST_F(SoundResourcesTest, LavaLoopRunsOnWithoutAClick) {
    const Recording r = Load(LAVA_LOOP);
    ASSERT_GT(r.samples.size(), 22050u);

    // The step from the last sample back to the first is no larger than the steps inside.
    std::vector<double> steps;
    for (std::size_t i = 1; i < r.samples.size(); ++i)
        steps.push_back(std::abs(r.samples[i] - r.samples[i - 1]));
    std::sort(steps.begin(), steps.end());
    EXPECT_LE(std::abs(r.samples.front() - r.samples.back()), steps[steps.size() * 99 / 100]);

    // And the level does not jump: the last and first tenths of a second are alike.
    auto rms = [&](std::size_t from) {
        double sum = 0;
        for (std::size_t i = from; i < from + 2205; ++i) sum += r.samples[i] * r.samples[i];
        return std::sqrt(sum / 2205);
    };
    const double head = rms(0), tail = rms(r.samples.size() - 2205);
    EXPECT_LT(std::abs(head - tail), 0.25 * std::max(head, tail));
}

// The game loads every effect, silent; a second set-up changes nothing.
TEST_F(SoundResourcesTest, TheGameLoadsEveryEffect) {
    SoundInit(nullptr);
    for (int number = 0; number < SOUND_COUNT; ++number) {
        const SoundEffect* effect = SoundTable.slots[number];
        ASSERT_NE(effect, nullptr) << number;
        for (int i = 0; i < effect->bufferCount; ++i) EXPECT_EQ(effect->buffers[i]->Status(), 0u) << number;
    }
    EXPECT_TRUE(SoundTable.ready);
    const SoundEffect* firework = SoundTable.slots[14];
    SoundInit(nullptr);
    EXPECT_EQ(SoundTable.slots[14], firework);
}

}  // namespace
