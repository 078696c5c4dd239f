// Tests of WAVE images and the portable mixer: the chunk walk against malformed sizes, the format
// check and the conversion to the device's format; how voices play, loop, stop and share samples,
// what happens when their memory is lost, and that a loud mix is limited instead of wrapping round.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "sound/mixer.h"
#include "sound/wave.h"
#include "tests/sound/wave_images.h"
#include "tests/support/golden.h"

namespace {

bool Walks(const Bytes& image) {
    std::span<const std::uint8_t> format;
    const std::uint8_t* samples = nullptr;
    std::uint32_t bytes = 0;
    return FindWaveChunks(image, &format, &samples, &bytes);
}

TEST(WaveChunks, FindTheFirstFormatAndDataPastOtherChunksAndPadding) {
    const Bytes format = FormatBody(1, 22050, 16);
    const Bytes image = RiffWave({{"LIST", {1, 2, 3}},
                                  {"fmt ", format},
                                  {"junk", {9}},
                                  {"data", Pcm16({5, -5})},
                                  {"fmt ", FormatBody(2, 8000, 8)},
                                  {"data", Pcm16({7})}});
    std::span<const std::uint8_t> found;
    const std::uint8_t* samples = nullptr;
    std::uint32_t bytes = 0;
    ASSERT_TRUE(FindWaveChunks(image, &found, &samples, &bytes));
    EXPECT_EQ(Bytes(found.begin(), found.end()), format);
    EXPECT_EQ(samples, image.data() + 12 + 12 + 8 + 16 + 10 + 8);
    EXPECT_EQ(bytes, 4u);
}

TEST(WaveChunks, RefuseWhatIsNotAWholeRiffWaveAndNeverReadPastTheImage) {
    const Bytes format = FormatBody(1, 22050, 16), data = Pcm16({1, 2});
    const Bytes wave = SimpleWave(4);
    Bytes cut = RiffWave({{"fmt ", format}, {"data", Pcm16({1})}});
    cut.resize(12 + 8 + 16 + 5);
    const struct {
        const char* name;
        Bytes image;
        bool ok;
    } cases[] = {
        {"well formed", wave, true},
        {"too short", Bytes(wave.begin(), wave.begin() + 11), false},
        {"empty", {}, false},
        {"13-byte format", RiffWave({{"fmt ", FormatBody(1, 22050, 16, 13)}, {"data", data}}), false},
        {"14-byte format", RiffWave({{"fmt ", FormatBody(1, 22050, 16, 14)}, {"data", data}}), true},
        {"a second, short format", RiffWave({{"fmt ", format}, {"fmt ", Bytes(4)}, {"data", data}}), false},
        {"no data", RiffWave({{"fmt ", format}}), false},
        {"no format", RiffWave({{"data", Pcm16({1})}}), false},
        {"no chunks", RiffWave({}), false},
        {"data longer than the image", RiffWave({{"fmt ", format}, {"data", data, 6}}), false},
        {"format longer than the image", RiffWave({{"data", data}, {"fmt ", format, 400}}), false},
        {"a size that wraps", RiffWave({{"fmt ", format}, {"junk", {}, 0xFFFFFFF8u}, {"data", Pcm16({1})}}),
         false},
        {"ends in a chunk header", cut, false},
        {"RIFF ends before the data", RiffWave({{"fmt ", format}, {"data", Pcm16({1})}}, 4 + 8 + 16), false},
        {"RIFF longer than the image", RiffWave({{"fmt ", format}, {"data", Pcm16({1})}}, 0xFFFFFFFFu), true},
    };
    for (const auto& c : cases) EXPECT_EQ(Walks(c.image), c.ok) << c.name;
    for (std::size_t at : {0u, 3u, 8u, 11u}) {
        Bytes bad = wave;
        bad[at] ^= 0x20;
        EXPECT_FALSE(Walks(bad)) << "RIFF or WAVE changed at " << at;
    }
}

TEST(WaveFormatCheck, AcceptsPcmThatTheDeviceCanPlayAndNothingElse) {
    const std::optional<WaveFormat> stereo = ReadWaveFormat(FormatBody(2, 44100, 16));
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->channels, 2);
    EXPECT_EQ(stereo->rate, 44100u);
    EXPECT_EQ(stereo->blockAlign, 4);
    EXPECT_EQ(stereo->bitsPerSample, 16);
    EXPECT_TRUE(ReadWaveFormat(FormatBody(1, 8000, 8)));
    // A 14-byte chunk has no sample size: it comes from the block size.
    EXPECT_EQ(ReadWaveFormat(FormatBody(2, 22050, 8, 14)).value_or(WaveFormat{}).bitsPerSample, 8);

    Bytes badBlock = FormatBody(1, 22050, 16);
    badBlock[12] = 4;
    for (const Bytes& refused : {FormatBody(1, 22050, 16, 13), FormatBody(1, 22050, 32, 16, 3),
                                 FormatBody(0, 22050, 16), FormatBody(3, 22050, 16), FormatBody(1, 22050, 24),
                                 FormatBody(1, 999, 16), FormatBody(1, 192001, 16), badBlock})
        EXPECT_FALSE(ReadWaveFormat(refused));
}

using Samples = std::vector<std::int16_t>;

// Part frames are dropped; 8-bit samples are centred and widened; channels are mixed down or copied
// up; rate changes interpolate between frames, and a single frame at a higher rate still makes one.
TEST(WaveConversion, ConvertsToTheDevicesFormat) {
    Bytes odd = Pcm16({100, -200, 32767, -32768});
    odd.push_back(0x7F);
    const Bytes stereo = Pcm16({1000, 3000, -32768, -32768});
    const struct {
        Bytes format, samples;
        AudioFormat device;
        Samples out;
    } cases[] = {
        {FormatBody(1, 22050, 16), odd, {22050, 1}, {100, -200, 32767, -32768}},
        {FormatBody(1, 22050, 16), {0x7F}, {22050, 1}, {}},
        {FormatBody(1, 22050, 8), {0, 128, 255}, {22050, 1}, {-32768, 0, 32512}},
        {FormatBody(2, 22050, 16), stereo, {22050, 1}, {2000, -32768}},
        {FormatBody(2, 22050, 16), stereo, {22050, 2}, {1000, 3000, -32768, -32768}},
        {FormatBody(1, 22050, 16), Pcm16({5, -7}), {22050, 2}, {5, 5, -7, -7}},
        {FormatBody(1, 11025, 16), Pcm16({0, 1000, -1000}), {22050, 1}, {0, 500, 1000, 0, -1000, -1000}},
        {FormatBody(1, 44100, 16), Pcm16({10, 20, 30, 40, 50}), {22050, 1}, {10, 30}},
        {FormatBody(1, 44100, 16), Pcm16({77}), {22050, 1}, {77}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertWave(*ReadWaveFormat(c.format), c.samples, c.device), c.out) << &c - cases;
}

TEST(WaveConversion, RefusesResultsTooLargeToHold) {
    const WaveFormat slow = *ReadWaveFormat(FormatBody(1, 1000, 16));
    EXPECT_GT(ConvertedSampleCount(slow, 2 * 10000, {48000, 2}), 0u);
    EXPECT_EQ(ConvertedSampleCount(slow, 2 * 100000, {48000, 2}), 0u);
    EXPECT_EQ(ConvertedSampleCount(slow, 2 * 100, {0, 1}), 0u);
    EXPECT_EQ(ConvertedSampleCount(slow, 2 * 100, {22050, 3}), 0u);
}

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

// The script of mixer_script.tsv: calls on three voices, each followed by the samples the mix then
// gives.
TEST_F(MixerTest, AScriptOfVoicesMixesToItsSamples) {
    Voice* v[3] = {Make({1, 2, 3, 4}), Make({10, 20, 30}), nullptr};
    v[2] = mixer.DuplicateVoice(v[0]);
    ASSERT_NE(v[2], nullptr);
    for (const auto& row : GoldenRows("sound/mixer_script.tsv")) {
        SCOPED_TRACE(row[0] + " | " + row[1] + " | " + row[3]);
        Voice* voice = v[std::stoi(row[0])];
        const std::string& call = row[1];
        const bool done = call == "play"    ? voice->Play(false)
                          : call == "loop"  ? voice->Play(true)
                          : call == "write" ? voice->Write(Pcm16({5, 6}))
                                            : true;
        if (call == "stop") voice->Stop();
        if (call == "rewind") voice->Rewind();
        if (call == "release") voice->Release();
        if (call == "lose") mixer.LoseAll();
        if (call == "restore") voice->Restore();
        EXPECT_EQ(done, row[2] == "yes");
        Samples expected;
        std::istringstream samples(row[3]);
        for (int sample = 0; samples >> sample;) expected.push_back(static_cast<std::int16_t>(sample));
        EXPECT_EQ(Render(static_cast<int>(expected.size())), expected);
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
