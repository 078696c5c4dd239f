// RIFF WAVE images: finding their "fmt " and "data" chunks, reading the format, and converting the
// samples once into the output device's format.
//
// Everything here works on bounded byte ranges and never reads outside them, whatever sizes the
// image claims. No state, no platform: the fuzz target builds this file on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/audio.h"

// The playable part of a "fmt " chunk (the leading fields of WAVEFORMATEX).
struct WaveFormat {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
};

// The shortest "fmt " chunk a wave may have.
constexpr std::uint32_t WAVE_FORMAT_MIN_BYTES = 14;
// The most samples (frames times channels) one converted effect may hold: a minute of stereo at
// 48 kHz. Longer waves are refused rather than allowed to exhaust memory.
constexpr std::size_t WAVE_MAX_CONVERTED_SAMPLES = std::size_t{48000} * 2 * 60;

// Walks the chunks of a RIFF WAVE image. On success `format` is the first "fmt " chunk and
// `samples`/`sampleBytes` the first "data" chunk, both inside `image`. Fails if the image is not
// RIFF WAVE, if a "fmt " chunk is shorter than 14 bytes, if a needed chunk runs past the end of
// the image, or if the chunks run out before both are found.
bool FindWaveChunks(std::span<const std::uint8_t> image, std::span<const std::uint8_t>* format,
                    const std::uint8_t** samples, std::uint32_t* sampleBytes);

// The format of a "fmt " chunk, or nothing when the device cannot play it. Playable: PCM, one or
// two channels, 8-bit unsigned or 16-bit signed samples, 1000 to 192000 frames per second, and a
// block size of exactly one frame. A 14- or 15-byte chunk has no sample size; it is then taken
// from the block size.
std::optional<WaveFormat> ReadWaveFormat(std::span<const std::uint8_t> chunk);

// The number of samples (frames times the device's channels) that `bytes` bytes of the format
// become on the device: whole frames only, resampled to the device's rate. Zero when there is not
// one whole frame or the result would pass WAVE_MAX_CONVERTED_SAMPLES.
std::size_t ConvertedSampleCount(const WaveFormat& format, std::uint32_t bytes, AudioFormat device);

// The samples converted to the device's format: 8-bit samples widened, channels mixed down or
// copied up, the rate changed by linear interpolation. Has ConvertedSampleCount samples; empty
// when that is zero.
std::vector<std::int16_t> ConvertWave(const WaveFormat& format, std::span<const std::uint8_t> samples,
                                      AudioFormat device);
