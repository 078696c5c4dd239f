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

// A script of calls on three voices (a one-shot of 1 to 4, a loop of 10, 20, 30, and a duplicate
// of the first), each followed by the samples the mix then gives. A one-shot stops at its end, even
// at the end of a block, and plays again from the top; a stop keeps the place and a rewind goes
// back; a loop wraps without a gap; a duplicate shares its samples but not its place and outlives
// its original; lost voices are silent until restored and written again.
TEST_F(MixerTest, AScriptOfVoicesMixesToItsSamples) {
    Voice* v[3] = {Make({1, 2, 3, 4}), Make({10, 20, 30}), nullptr};
    v[2] = mixer.DuplicateVoice(v[0]);
    ASSERT_NE(v[2], nullptr);
    const struct {
        char call;  // Play, Loop, Stop, Rewind, Dropped, all lost (X), Found again, Written
        int voice;
        Samples out;
    } script[] = {
        {' ', 0, {0, 0}},       {'P', 0, {1, 2, 3, 4, 0, 0}},
        {'P', 0, {1, 2, 3, 4}}, {'P', 0, {1, 2}},
        {'S', 0, {0, 0}},       {'P', 0, {3}},
        {'S', 0, {}},           {'R', 0, {}},
        {'P', 0, {1, 2}},       {'L', 1, {13, 24, 30, 10, 20, 30, 10, 20}},
        {'P', 2, {31, 12}},     {'D', 0, {23, 34, 10}},
        {'L', 1, {20, 30, 10}}, {'X', 0, {0, 0}},
        {'L', 1, {0}},          {'F', 1, {0}},
        {'W', 1, {0}},          {'R', 1, {}},
        {'P', 1, {5, 6, 0}},
    };
    for (const auto& s : script) {
        Voice* voice = v[s.voice];
        const bool done = s.call == 'P'   ? voice->Play(false)
                          : s.call == 'L' ? voice->Play(true)
                          : s.call == 'W' ? voice->Write(Pcm16({5, 6}))
                                          : true;
        if (s.call == 'S') voice->Stop();
        if (s.call == 'R') voice->Rewind();
        if (s.call == 'D') voice->Release();
        if (s.call == 'X') mixer.LoseAll();
        if (s.call == 'F') voice->Restore();
        EXPECT_EQ(done, &s != &script[14]) << "step " << &s - script;
        EXPECT_EQ(Render(static_cast<int>(s.out.size())), s.out) << "step " << &s - script;
    }
}

TEST_F(MixerTest, LongLoopsCrossTheMixersBlocksWithoutAGap) {
    Make({1, 2, 3})->Play(true);
    const Samples many = Render(1000);
    for (std::size_t i = 0; i < many.size(); ++i) ASSERT_EQ(many[i], static_cast<std::int16_t>(i % 3 + 1));
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
    EXPECT_EQ(mixer.DuplicateVoice(nullptr), nullptr);
    mixer.LoseAll();
    EXPECT_EQ(voice->Status(), VOICE_LOST);
    EXPECT_EQ(mixer.DuplicateVoice(voice), nullptr);
}

TEST_F(MixerTest, MonoVoicesFillBothSidesOfAStereoDevice) {
    Mixer stereo(AudioFormat{22050, 2});
    Make({7, -8}, &stereo)->Play(false);
    EXPECT_EQ(Render(3, &stereo), (Samples{7, 7, -8, -8, 0, 0}));
}

TEST_F(MixerTest, ThePlayersVolumeScalesTheMix) {
    Make({1000, -2000, 3000, 400})->Play(true);
    mixer.SetScale(0.5f);
    EXPECT_EQ(Render(2), (Samples{500, -1000}));
    mixer.SetScale(0);
    EXPECT_EQ(Render(2), (Samples{0, 0}));
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
