// The page icons' PNG encoder (see png_encoder.h): chunks, zlib wrapping and fixed-code deflate.
#include "tools/webicon/png_encoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Deflate's length and distance codes: the first value of each and its count of extra bits.
constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistanceBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                               33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistanceExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kMaxDistance = 32768;

// Bits in deflate's order: values from their lowest bit, Huffman codes from their highest.
class BitWriter {
public:
    void Value(std::uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) Bit((value >> i) & 1u);
    }
    void Code(std::uint32_t code, int bits) {
        for (int i = bits - 1; i >= 0; --i) Bit((code >> i) & 1u);
    }
    Bytes Finish() {
        if (used_ > 0) out_.push_back(current_);
        return std::move(out_);
    }

private:
    void Bit(std::uint32_t bit) {
        current_ = static_cast<std::uint8_t>(current_ | (bit << used_));
        if (++used_ == 8) {
            out_.push_back(current_);
            current_ = 0;
            used_ = 0;
        }
    }
    Bytes out_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

// A literal byte or length symbol (0-285) in the fixed code.
void WriteSymbol(BitWriter& bits, int symbol) {
    if (symbol < 144)
        bits.Code(0x30 + symbol, 8);
    else if (symbol < 256)
        bits.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        bits.Code(symbol - 256, 7);
    else
        bits.Code(0xC0 + symbol - 280, 8);
}

void WriteMatch(BitWriter& bits, int length, int distance) {
    int l = static_cast<int>(kLengthBase.size()) - 1;
    while (kLengthBase[l] > length) --l;
    WriteSymbol(bits, 257 + l);
    bits.Value(length - kLengthBase[l], kLengthExtra[l]);
    int d = static_cast<int>(kDistanceBase.size()) - 1;
    while (kDistanceBase[d] > distance) --d;
    bits.Code(d, 5);
    bits.Value(distance - kDistanceBase[d], kDistanceExtra[d]);
}

// How many bytes from `at` repeat those `distance` bytes back, at most kMaxMatch.
int MatchLength(const Bytes& data, std::size_t at, int distance) {
    if (distance <= 0 || distance > kMaxDistance || at < static_cast<std::size_t>(distance)) return 0;
    const std::size_t limit = std::min(data.size() - at, static_cast<std::size_t>(kMaxMatch));
    std::size_t n = 0;
    while (n < limit && data[at + n] == data[at + n - distance]) ++n;
    return static_cast<int>(n);
}

// One final block with the fixed codes; at each byte the longer repeat of the two candidates, or
// the byte itself.
Bytes Deflate(const Bytes& data, int row_bytes) {
    BitWriter bits;
    bits.Value(1, 1);  // the last block
    bits.Value(1, 2);  // fixed codes
    std::size_t at = 0;
    while (at < data.size()) {
        const int back = MatchLength(data, at, 4);
        const int up = MatchLength(data, at, row_bytes);
        const int best = std::max(back, up);
        if (best >= kMinMatch) {
            WriteMatch(bits, best, back >= up ? 4 : row_bytes);
            at += static_cast<std::size_t>(best);
        } else {
            WriteSymbol(bits, data[at++]);
        }
    }
    WriteSymbol(bits, 256);
    return bits.Finish();
}

void PutBigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(const Bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

// A chunk: its length, type, body and the CRC of type and body.
void PutChunk(Bytes& png, const std::string& type, const Bytes& body) {
    PutBigEndian(png, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type.begin(), type.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBigEndian(png, Crc32(png.data() + start, png.size() - start));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<IconRgba>& pixels) {
    // The rows as PNG stores them: a filter byte (none) before each row's bytes.
    const int row_bytes = width * 4 + 1;
    Bytes raw;
    raw.reserve(static_cast<std::size_t>(row_bytes) * height);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const IconRgba& p = pixels[static_cast<std::size_t>(y) * width + x];
            raw.insert(raw.end(), p.begin(), p.end());
        }
    }

    // The zlib stream: its header (deflate, 32 KiB window), the data and the Adler-32 of the rows.
    Bytes zlib = {0x78, 0x01};
    const Bytes deflated = Deflate(raw, row_bytes);
    zlib.insert(zlib.end(), deflated.begin(), deflated.end());
    PutBigEndian(zlib, Adler32(raw));

    // The signature, the header (8-bit RGBA, no interlace), the data and the end.
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}
