// Tests of WAVE images: the chunk walk against malformed sizes, the format check and the
// conversion to the device's format.
#include <gtest/gtest.h>

#include "sound/wave.h"
#include "tests/sound/wave_images.h"

namespace {

struct Found {
    bool ok = false;
    std::span<const std::uint8_t> format;
    const std::uint8_t* samples = nullptr;
    std::uint32_t bytes = 0;
};

Found Walk(const Bytes& image) {
    Found f;
    f.ok = FindWaveChunks(image, &f.format, &f.samples, &f.bytes);
    return f;
}

TEST(WaveChunks, FindTheFirstFormatAndDataPastOtherChunksAndPadding) {
    const Bytes format = FormatBody(1, 22050, 16);
    const Bytes image = RiffWave({{"LIST", {1, 2, 3}},
                                  {"fmt ", format},
                                  {"junk", {9}},
                                  {"data", Pcm16({5, -5})},
                                  {"fmt ", FormatBody(2, 8000, 8)},
                                  {"data", Pcm16({7})}});
    const Found f = Walk(image);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(Bytes(f.format.begin(), f.format.end()), format);
    EXPECT_EQ(f.samples, image.data() + 12 + 12 + 8 + 16 + 10 + 8);
    EXPECT_EQ(f.bytes, 4u);
}

TEST(WaveChunks, RejectWhatIsNotRiffWave) {
    Bytes image = SimpleWave(4);
    EXPECT_TRUE(Walk(image).ok);
    for (std::size_t at : {0u, 3u, 8u, 11u}) {
        Bytes bad = image;
        bad[at] ^= 0x20;
        EXPECT_FALSE(Walk(bad).ok) << at;
    }
    EXPECT_FALSE(Walk(Bytes(image.begin(), image.begin() + 11)).ok);
    EXPECT_FALSE(Walk({}).ok);
}

TEST(WaveChunks, FormatChunkMustHoldFourteenBytes) {
    const Bytes data = Pcm16({1, 2});
    EXPECT_FALSE(Walk(RiffWave({{"fmt ", FormatBody(1, 22050, 16, 13)}, {"data", data}})).ok);
    EXPECT_TRUE(Walk(RiffWave({{"fmt ", FormatBody(1, 22050, 16, 14)}, {"data", data}})).ok);
    EXPECT_FALSE(Walk(RiffWave({{"fmt ", FormatBody(1, 22050, 16)}, {"fmt ", Bytes(4)}, {"data", data}})).ok);
}

TEST(WaveChunks, FailWhenAChunkIsMissing) {
    EXPECT_FALSE(Walk(RiffWave({{"fmt ", FormatBody(1, 22050, 16)}})).ok);
    EXPECT_FALSE(Walk(RiffWave({{"data", Pcm16({1})}})).ok);
    EXPECT_FALSE(Walk(RiffWave({})).ok);
}

TEST(WaveChunks, NeverReadPastTheImage) {
    const Bytes format = FormatBody(1, 22050, 16);
    // A data chunk that claims more bytes than there are.
    EXPECT_FALSE(Walk(RiffWave({{"fmt ", format}, {"data", Pcm16({1, 2}), 6}})).ok);
    // A format chunk that claims more bytes than there are.
    EXPECT_FALSE(Walk(RiffWave({{"data", Pcm16({1, 2})}, {"fmt ", format, 400}})).ok);
    // A skipped chunk whose size would wrap a 32-bit offset.
    EXPECT_FALSE(Walk(RiffWave({{"fmt ", format}, {"junk", {}, 0xFFFFFFF8u}, {"data", Pcm16({1})}})).ok);
    // An image that ends inside a chunk header, while the RIFF size claims more.
    Bytes cut = RiffWave({{"fmt ", format}, {"data", Pcm16({1})}});
    cut.resize(12 + 8 + 16 + 5);
    EXPECT_FALSE(Walk(cut).ok);
}

TEST(WaveChunks, RiffSizeBoundsTheWalk) {
    const Bytes format = FormatBody(1, 22050, 16);
    // The RIFF size ends before the data chunk starts: it is not looked at.
    EXPECT_FALSE(Walk(RiffWave({{"fmt ", format}, {"data", Pcm16({1})}}, 4 + 8 + 16)).ok);
    // A RIFF size larger than the image is harmless when both chunks are inside.
    EXPECT_TRUE(Walk(RiffWave({{"fmt ", format}, {"data", Pcm16({1})}}, 0xFFFFFFFFu)).ok);
}

TEST(WaveFormatCheck, AcceptsPcmThatTheDeviceCanPlay) {
    const std::optional<WaveFormat> stereo = ReadWaveFormat(FormatBody(2, 44100, 16));
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->channels, 2);
    EXPECT_EQ(stereo->rate, 44100u);
    EXPECT_EQ(stereo->blockAlign, 4);
    EXPECT_EQ(stereo->bitsPerSample, 16);
    EXPECT_TRUE(ReadWaveFormat(FormatBody(1, 8000, 8)));

    // A 14-byte chunk has no sample size: it comes from the block size.
    const std::optional<WaveFormat> shortChunk = ReadWaveFormat(FormatBody(2, 22050, 8, 14));
    ASSERT_TRUE(shortChunk);
    EXPECT_EQ(shortChunk->bitsPerSample, 8);
}

TEST(WaveFormatCheck, RefusesWhatTheDeviceCannotPlay) {
    EXPECT_FALSE(ReadWaveFormat(FormatBody(1, 22050, 16, 13)));
    EXPECT_FALSE(ReadWaveFormat(FormatBody(1, 22050, 32, 16, 3)));
    EXPECT_FALSE(ReadWaveFormat(FormatBody(0, 22050, 16)));
    EXPECT_FALSE(ReadWaveFormat(FormatBody(3, 22050, 16)));
    EXPECT_FALSE(ReadWaveFormat(FormatBody(1, 22050, 24)));
    EXPECT_FALSE(ReadWaveFormat(FormatBody(1, 999, 16)));
    EXPECT_FALSE(ReadWaveFormat(FormatBody(1, 192001, 16)));
    Bytes badBlock = FormatBody(1, 22050, 16);
    badBlock[12] = 4;
    EXPECT_FALSE(ReadWaveFormat(badBlock));
}

std::vector<std::int16_t> Convert(const Bytes& formatBody, const Bytes& samples, AudioFormat device) {
    return ConvertWave(*ReadWaveFormat(formatBody), samples, device);
}

using Samples = std::vector<std::int16_t>;

TEST(WaveConversion, SameFormatIsCopiedAndPartFramesDropped) {
    Bytes data = Pcm16({100, -200, 32767, -32768});
    data.push_back(0x7F);
    EXPECT_EQ(Convert(FormatBody(1, 22050, 16), data, {22050, 1}), (Samples{100, -200, 32767, -32768}));
    EXPECT_TRUE(Convert(FormatBody(1, 22050, 16), {0x7F}, {22050, 1}).empty());
}

TEST(WaveConversion, EightBitSamplesAreCentredAndWidened) {
    EXPECT_EQ(Convert(FormatBody(1, 22050, 8), {0, 128, 255}, {22050, 1}), (Samples{-32768, 0, 32512}));
}

TEST(WaveConversion, ChannelsAreMixedDownOrCopiedUp) {
    const Bytes stereo = Pcm16({1000, 3000, -32768, -32768});
    EXPECT_EQ(Convert(FormatBody(2, 22050, 16), stereo, {22050, 1}), (Samples{2000, -32768}));
    EXPECT_EQ(Convert(FormatBody(2, 22050, 16), stereo, {22050, 2}), (Samples{1000, 3000, -32768, -32768}));
    EXPECT_EQ(Convert(FormatBody(1, 22050, 16), Pcm16({5, -7}), {22050, 2}), (Samples{5, 5, -7, -7}));
}

TEST(WaveConversion, RateChangesInterpolateBetweenFrames) {
    EXPECT_EQ(Convert(FormatBody(1, 11025, 16), Pcm16({0, 1000, -1000}), {22050, 1}),
              (Samples{0, 500, 1000, 0, -1000, -1000}));
    EXPECT_EQ(Convert(FormatBody(1, 44100, 16), Pcm16({10, 20, 30, 40, 50}), {22050, 1}), (Samples{10, 30}));
    // A single frame at a higher rate still makes one frame.
    EXPECT_EQ(Convert(FormatBody(1, 44100, 16), Pcm16({77}), {22050, 1}), (Samples{77}));
}

TEST(WaveConversion, RefusesResultsTooLargeToHold) {
    const WaveFormat slow = *ReadWaveFormat(FormatBody(1, 1000, 16));
    EXPECT_GT(ConvertedSampleCount(slow, 2 * 10000, {48000, 2}), 0u);
    EXPECT_EQ(ConvertedSampleCount(slow, 2 * 100000, {48000, 2}), 0u);
    EXPECT_EQ(ConvertedSampleCount(slow, 2 * 100, {0, 1}), 0u);
    EXPECT_EQ(ConvertedSampleCount(slow, 2 * 100, {22050, 3}), 0u);
}

}  // namespace
