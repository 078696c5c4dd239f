// RIFF WAVE images: the chunk walk, the format, and conversion to the device's format.
#include "sound/wave.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;
constexpr std::uint32_t MIN_RATE = 1000;
constexpr std::uint32_t MAX_RATE = 192000;

std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool IsId(const std::uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

bool IsPlayableDevice(AudioFormat device) {
    return device.rate > 0 && (device.channels == 1 || device.channels == 2);
}

// One sample of one channel of the source, as a signed 16-bit value.
int SourceSample(const WaveFormat& format, const std::uint8_t* frame, int channel) {
    if (format.bitsPerSample == 8) return (frame[channel] - 128) * 256;
    return static_cast<std::int16_t>(ReadU16(frame + 2 * channel));
}

// One frame of the source on the device's channels: a stereo pair is averaged down to mono, and
// a mono sample goes to both sides.
void SourceFrame(const WaveFormat& format, const std::uint8_t* frame, int channels, int out[2]) {
    const int left = SourceSample(format, frame, 0);
    const int right = format.channels == 2 ? SourceSample(format, frame, 1) : left;
    if (channels == 1) {
        out[0] = (left + right) / 2;
    } else {
        out[0] = left;
        out[1] = right;
    }
}

std::uint64_t ConvertedFrames(const WaveFormat& format, std::uint64_t sourceFrames, AudioFormat device) {
    if (format.rate == static_cast<std::uint32_t>(device.rate)) return sourceFrames;
    const std::uint64_t frames = sourceFrames * static_cast<std::uint64_t>(device.rate) / format.rate;
    return std::max<std::uint64_t>(frames, 1);
}

}  // namespace

bool FindWaveChunks(std::span<const std::uint8_t> image, std::span<const std::uint8_t>* format,
                    const std::uint8_t** samples, std::uint32_t* sampleBytes) {
    if (image.size() < 12 || !IsId(image.data(), "RIFF") || !IsId(image.data() + 8, "WAVE")) return false;

    // Chunks start before the end the RIFF header claims; each must also lie inside the image.
    const std::uint64_t end = std::uint64_t{8} + ReadU32(image.data() + 4);
    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t at = 12;
    while (at < end) {
        if (at + 8 > image.size()) return false;
        const std::uint8_t* header = image.data() + at;
        const std::uint32_t size = ReadU32(header + 4);
        const bool isFormat = IsId(header, "fmt ");
        const bool isData = IsId(header, "data");
        if ((isFormat || isData) && at + 8 + size > image.size()) return false;
        if (isFormat && size < WAVE_FORMAT_MIN_BYTES) return false;
        if (isFormat && !haveFormat) {
            *format = image.subspan(at + 8, size);
            haveFormat = true;
        }
        if (isData && !haveData) {
            *samples = header + 8;
            *sampleBytes = size;
            haveData = true;
        }
        if (haveFormat && haveData) return true;
        at += 8 + std::uint64_t{size} + (size & 1);
    }
    return false;
}

std::optional<WaveFormat> ReadWaveFormat(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < WAVE_FORMAT_MIN_BYTES) return std::nullopt;
    WaveFormat format;
    format.tag = ReadU16(chunk.data());
    format.channels = ReadU16(chunk.data() + 2);
    format.rate = ReadU32(chunk.data() + 4);
    format.blockAlign = ReadU16(chunk.data() + 12);
    if (format.tag != WAVE_FORMAT_PCM || format.channels < 1 || format.channels > 2) return std::nullopt;
    if (format.rate < MIN_RATE || format.rate > MAX_RATE) return std::nullopt;

    // The sample size comes from its own field when the chunk has one, else from the block size.
    if (chunk.size() >= 16)
        format.bitsPerSample = ReadU16(chunk.data() + 14);
    else if (format.blockAlign % format.channels == 0)
        format.bitsPerSample = static_cast<std::uint16_t>(8 * (format.blockAlign / format.channels));
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return std::nullopt;
    if (format.blockAlign != format.channels * format.bitsPerSample / 8) return std::nullopt;
    return format;
}

std::size_t ConvertedSampleCount(const WaveFormat& format, std::uint32_t bytes, AudioFormat device) {
    if (!IsPlayableDevice(device) || format.blockAlign == 0 || format.rate == 0) return 0;
    const std::uint64_t sourceFrames = bytes / format.blockAlign;
    if (sourceFrames == 0) return 0;
    const std::uint64_t count = ConvertedFrames(format, sourceFrames, device) * device.channels;
    return count > WAVE_MAX_CONVERTED_SAMPLES ? 0 : static_cast<std::size_t>(count);
}

std::vector<std::int16_t> ConvertWave(const WaveFormat& format, std::span<const std::uint8_t> samples,
                                      AudioFormat device) {
    const std::size_t count = ConvertedSampleCount(
        format, static_cast<std::uint32_t>(std::min<std::size_t>(samples.size(), UINT32_MAX)), device);
    std::vector<std::int16_t> out(count);
    if (count == 0) return out;

    // Each device frame lies at a fractional source position (frame * rate / device rate) and takes
    // the straight line between the two source frames around it; the last frame repeats at the end.
    const std::uint64_t sourceFrames = samples.size() / format.blockAlign;
    const std::uint64_t frames = count / device.channels;
    for (std::uint64_t i = 0; i < frames; ++i) {
        const std::uint64_t position = i * format.rate;
        const std::uint64_t index = position / device.rate;
        const std::uint64_t next = std::min(index + 1, sourceFrames - 1);
        const std::int64_t fraction = static_cast<std::int64_t>(position % device.rate);
        int a[2];
        int b[2];
        SourceFrame(format, samples.data() + index * format.blockAlign, device.channels, a);
        SourceFrame(format, samples.data() + next * format.blockAlign, device.channels, b);
        for (int c = 0; c < device.channels; ++c)
            out[i * device.channels + c] =
                static_cast<std::int16_t>(a[c] + (b[c] - a[c]) * fraction / device.rate);
    }
    return out;
}
