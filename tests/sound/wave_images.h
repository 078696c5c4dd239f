// Test support: RIFF WAVE images put together chunk by chunk, well formed or deliberately not.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline void PutLittle(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The body of a "fmt " chunk, cut to `size` bytes (16 is the usual PCM size).
inline Bytes FormatBody(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::size_t size = 16,
                        std::uint16_t tag = 1) {
    Bytes out;
    const std::uint16_t block = static_cast<std::uint16_t>(channels * bits / 8);
    PutLittle(out, tag, 2);
    PutLittle(out, channels, 2);
    PutLittle(out, rate, 4);
    PutLittle(out, rate * block, 4);
    PutLittle(out, block, 2);
    PutLittle(out, bits, 2);
    out.resize(size, 0);
    return out;
}

inline Bytes Pcm16(std::initializer_list<int> samples) {
    Bytes out;
    for (int s : samples) PutLittle(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

// A chunk: its id, its bytes, and the size its header claims (by default the real one).
struct ChunkSpec {
    std::string id;
    Bytes body;
    std::optional<std::uint32_t> claimedSize = std::nullopt;
};

// "RIFF", the size (by default the real one), "WAVE", then the chunks, each padded to even length.
inline Bytes RiffWave(const std::vector<ChunkSpec>& chunks,
                      std::optional<std::uint32_t> riffSize = std::nullopt) {
    Bytes body;
    for (const ChunkSpec& c : chunks) {
        body.insert(body.end(), c.id.begin(), c.id.end());
        PutLittle(body, c.claimedSize.value_or(static_cast<std::uint32_t>(c.body.size())), 4);
        body.insert(body.end(), c.body.begin(), c.body.end());
        if (c.body.size() % 2) body.push_back(0);
    }
    Bytes out{'R', 'I', 'F', 'F'};
    PutLittle(out, riffSize.value_or(static_cast<std::uint32_t>(4 + body.size())), 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E'});
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A playable mono 16-bit wave of `frames` frames at `rate`, every sample `value`.
inline Bytes SimpleWave(std::size_t frames, std::uint32_t rate = 22050, int value = 1000) {
    Bytes samples;
    for (std::size_t i = 0; i < frames; ++i) PutLittle(samples, static_cast<std::uint16_t>(value), 2);
    return RiffWave({{"fmt ", FormatBody(1, rate, 16)}, {"data", samples}});
}
