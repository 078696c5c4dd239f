// Tests of the portable mixer: how voices play, loop, stop and share samples, what happens when
// their memory is lost, and that a loud mix is limited instead of wrapping around.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sound/mixer.h"
#include "tests/sound/wave_images.h"

namespace {

using Samples = std::vector<std::int16_t>;

class MixerTest : public ::testing::Test {
protected:
    Voice* Make(std::initializer_list<int> samples, Mixer* into = nullptr) {
        const Bytes data = Pcm16(samples);
        Voice* voice =
            (into ? into : &mixer)->CreateVoice(FormatBody(1, 22050, 16), std::uint32_t(data.size()));
        EXPECT_NE(voice, nullptr);
        EXPECT_TRUE(voice && voice->Write(data));
        return voice;
    }
    Samples Render(int frames, Mixer* from = nullptr) {
        Mixer& m = from ? *from : mixer;
        Samples out(static_cast<std::size_t>(frames) * m.Format().channels);
        m.Render(out.data(), frames);
        return out;
    }

    Mixer mixer{AudioFormat{22050, 1}};
};

TEST_F(MixerTest, OneShotPlaysItsSamplesThenStopsAtItsStart) {
    Voice* voice = Make({1, 2, 3, 4});
    EXPECT_EQ(Render(2), (Samples{0, 0}));
    ASSERT_TRUE(voice->Play(false));
    EXPECT_EQ(voice->Status(), VOICE_PLAYING);
    EXPECT_EQ(Render(6), (Samples{1, 2, 3, 4, 0, 0}));
    EXPECT_EQ(voice->Status(), 0u);

    // Ending exactly at the end of a block also stops it, and a new play starts from the top; a
    // stop keeps the place, and a rewind goes back to the start.
    ASSERT_TRUE(voice->Play(false));
    EXPECT_EQ(Render(4), (Samples{1, 2, 3, 4}));
    EXPECT_EQ(voice->Status(), 0u);
    voice->Play(false);
    EXPECT_EQ(Render(2), (Samples{1, 2}));
    voice->Stop();
    EXPECT_EQ(Render(2), (Samples{0, 0}));
    voice->Play(false);
    EXPECT_EQ(Render(1), (Samples{3}));
    voice->Stop();
    voice->Rewind();
    voice->Play(false);
    EXPECT_EQ(Render(2), (Samples{1, 2}));
}

TEST_F(MixerTest, LoopingVoiceWrapsWithoutAGap) {
    Voice* voice = Make({1, 2, 3});
    ASSERT_TRUE(voice->Play(true));
    EXPECT_EQ(Render(8), (Samples{1, 2, 3, 1, 2, 3, 1, 2}));
    EXPECT_EQ(voice->Status(), VOICE_PLAYING | VOICE_LOOPING);
    // Long renders cross the mixer's blocks many times over.
    const Samples many = Render(1000);
    for (std::size_t i = 0; i < many.size(); ++i)
        ASSERT_EQ(many[i], static_cast<std::int16_t>((i + 2) % 3 + 1));
}

TEST_F(MixerTest, DuplicatesShareSamplesButNotTheirPlace) {
    Voice* first = Make({10, 20, 30});
    Voice* second = mixer.DuplicateVoice(first);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(mixer.DuplicateVoice(nullptr), nullptr);
    ASSERT_TRUE(first->Write(Pcm16({100, 200, 300})));
    first->Play(false);
    EXPECT_EQ(Render(1), (Samples{100}));
    second->Play(false);
    EXPECT_EQ(Render(2), (Samples{200 + 100, 300 + 200}));
    // Releasing one leaves the other playing its samples.
    first->Release();
    EXPECT_EQ(Render(2), (Samples{300, 0}));
}

TEST_F(MixerTest, RefusesWritesFormatsAndSizesItCannotHold) {
    Voice* voice = Make({1, 2, 3});
    EXPECT_FALSE(voice->Write(Pcm16({1, 2, 3, 4})));
    ASSERT_TRUE(voice->Write(Pcm16({9})));
    voice->Play(false);
    EXPECT_EQ(Render(3), (Samples{9, 0, 0}));
    EXPECT_EQ(mixer.CreateVoice(FormatBody(1, 22050, 24), 300), nullptr);
    EXPECT_EQ(mixer.CreateVoice(FormatBody(2, 22050, 16), 3), nullptr);
    EXPECT_EQ(mixer.CreateVoice(FormatBody(1, 22050, 16, 12), 100), nullptr);
}

TEST_F(MixerTest, LostVoicesAreSilentUntilRestoredAndRewritten) {
    Voice* voice = Make({5, 6});
    voice->Play(true);
    mixer.LoseAll();
    EXPECT_EQ(voice->Status(), VOICE_LOST);
    EXPECT_FALSE(voice->Play(false));
    EXPECT_FALSE(voice->Write(Pcm16({5, 6})));
    EXPECT_EQ(mixer.DuplicateVoice(voice), nullptr);
    EXPECT_EQ(Render(2), (Samples{0, 0}));
    voice->Restore();
    EXPECT_EQ(voice->Status(), 0u);
    ASSERT_TRUE(voice->Write(Pcm16({5, 6})));
    ASSERT_TRUE(voice->Play(false));
    EXPECT_EQ(Render(3), (Samples{5, 6, 0}));
}

TEST_F(MixerTest, MonoVoicesFillBothSidesOfAStereoDevice) {
    Mixer stereo(AudioFormat{22050, 2});
    Make({7, -8}, &stereo)->Play(false);
    EXPECT_EQ(Render(3, &stereo), (Samples{7, 7, -8, -8, 0, 0}));
}

TEST_F(MixerTest, LoudMixesAreLimitedNotWrapped) {
    // Ten full-scale voices at once, of alternating sign: every output keeps its sign and stays
    // near the limit rather than clipping flat or wrapping round.
    std::vector<Voice*> voices;
    for (int i = 0; i < 10; ++i) voices.push_back(Make({30000, -30000, 30000, -30000}));
    for (Voice* v : voices) v->Play(true);
    const Samples out = Render(400);
    for (std::size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out[i] > 0, i % 2 == 0) << i;
        ASSERT_GE(std::abs(out[i]), 25000) << i;
        ASSERT_LE(std::abs(out[i]), 28000) << i;
    }
    // Once the crowd stops, a single quiet voice comes back to its own level.
    for (Voice* v : voices) v->Stop();
    Make({1000})->Play(true);
    EXPECT_EQ(Render(22050).back(), 1000);
}

}  // namespace
