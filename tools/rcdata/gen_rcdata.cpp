// Build-time tool: writes the game's fixed data tables (the disc offsets, their ring starts and the
// Sod Salvo's scatter offsets) as little-endian binary files. The angles come from our own atan2
// (core/exact_maths.h), not the C library's, so every build has the same bits.
//
// Usage: gen_rcdata OUTPUT-DIR   (writes rcdata_130.bin, rcdata_131.bin, rcdata_135.bin)
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "core/exact_maths.h"

namespace {

constexpr int DISC_REACH = 100;
constexpr int RING_COUNT = 102;
constexpr int SCATTER_RADIUS = 25;
constexpr int SCATTER_RECORDS = 2601;

struct Offset {
    std::int32_t dx, dy;
};

void PutI32(std::vector<std::uint8_t>& out, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void PutF32(std::vector<std::uint8_t>& out, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutI32(out, static_cast<std::int32_t>(bits));
}

// Every offset within the square of reach 100, nearest first; ties by dx, then dy.
std::vector<Offset> DiscOrder() {
    std::vector<Offset> all;
    for (int dx = -DISC_REACH; dx <= DISC_REACH; ++dx)
        for (int dy = -DISC_REACH; dy <= DISC_REACH; ++dy) all.push_back({dx, dy});
    std::sort(all.begin(), all.end(), [](Offset a, Offset b) {
        int da = a.dx * a.dx + a.dy * a.dy, db = b.dx * b.dx + b.dy * b.dy;
        if (da != db) return da < db;
        if (a.dx != b.dx) return a.dx < b.dx;
        return a.dy < b.dy;
    });
    return all;
}

std::vector<std::uint8_t> DiscOffsets(const std::vector<Offset>& order) {
    std::vector<std::uint8_t> out;
    for (Offset o : order) {
        PutI32(out, o.dx);
        PutI32(out, o.dy);
        PutF32(out, static_cast<float>(std::sqrt(static_cast<double>(o.dx * o.dx + o.dy * o.dy))));
        const exact::Double2 angle = exact::Atan2(o.dy, o.dx);
        PutF32(out, static_cast<float>(angle.hi + angle.lo));
    }
    return out;
}

// Entry r counts the offsets strictly inside radius r.
std::vector<std::uint8_t> RingStarts(const std::vector<Offset>& order) {
    std::vector<std::uint8_t> out;
    for (int r = 0; r < RING_COUNT; ++r) {
        auto inside = std::count_if(order.begin(), order.end(),
                                    [r](Offset o) { return o.dx * o.dx + o.dy * o.dy < r * r; });
        PutI32(out, static_cast<std::int32_t>(inside));
    }
    return out;
}

// The scatter disc of radius 25 in a fixed shuffled order: eight chosen offsets lead, the rest
// follow in a Fisher-Yates shuffle driven by a fixed linear congruential sequence. Records past
// the disc are filler bytes that are never read.
std::vector<std::uint8_t> ScatterTable() {
    const std::array<Offset, 8> leaders{
        {{-22, -5}, {-17, 16}, {-11, 1}, {-7, -12}, {11, 10}, {-22, -10}, {5, 6}, {-7, -1}}};
    std::vector<Offset> rest;
    for (int dx = -SCATTER_RADIUS; dx <= SCATTER_RADIUS; ++dx)
        for (int dy = -SCATTER_RADIUS; dy <= SCATTER_RADIUS; ++dy) {
            bool leader = std::any_of(leaders.begin(), leaders.end(),
                                      [&](Offset o) { return o.dx == dx && o.dy == dy; });
            if (dx * dx + dy * dy <= SCATTER_RADIUS * SCATTER_RADIUS && !leader) rest.push_back({dx, dy});
        }
    std::uint32_t state = 20250607u;
    for (std::size_t i = rest.size(); i > 1; --i) {
        state = state * 1664525u + 1013904223u;
        std::size_t j = (state >> 8) % i;
        std::swap(rest[i - 1], rest[j]);
    }
    std::vector<std::uint8_t> out;
    for (Offset o : leaders) {
        PutI32(out, o.dx);
        PutI32(out, o.dy);
    }
    for (Offset o : rest) {
        PutI32(out, o.dx);
        PutI32(out, o.dy);
    }
    out.resize(SCATTER_RECORDS * 8, 0xCC);
    return out;
}

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes, std::size_t expected) {
    if (bytes.size() != expected) {
        std::cerr << "gen_rcdata: " << path << " would be " << bytes.size() << " bytes, not " << expected
                  << "\n";
        return false;
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::cerr << "gen_rcdata: cannot write " << path << "\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: gen_rcdata OUTPUT-DIR\n";
        return 2;
    }
    std::string dir = argv[1];
    std::vector<Offset> order = DiscOrder();
    bool ok = Write(dir + "/rcdata_130.bin", DiscOffsets(order), 646416) &&
              Write(dir + "/rcdata_131.bin", RingStarts(order), 408) &&
              Write(dir + "/rcdata_135.bin", ScatterTable(), 20808);
    return ok ? 0 : 1;
}
