// Build-time tool: writes the game's sine table, 3600 little-endian 32-bit floats, entry i the
// sine of i tenths of a degree, computed without the C library's sine so every build has the
// same bits.
//
// Usage: gen_sines OUTPUT-FILE
//
// The entries are the ones the game has always had: the float nearest the sine of the angle
// (2 pi / 3600) * i as 80-bit long double arithmetic forms it (pi, the step and each angle rounded
// to a 64-bit significand). That angle is not quite a multiple of pi, so entry 1800 is a tiny
// negative number rather than 0. The arithmetic is the double-double of core/exact_maths.h.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <vector>

#include "core/exact_maths.h"

namespace {

constexpr int ENTRIES = 3600;

using exact::Double2;

// A double-double rounded to a 64-bit significand, to nearest with ties to even, as the 80-bit
// format holds it.
Double2 RoundToExtended(Double2 v) {
    int exponent = 0;
    std::frexp(v.hi, &exponent);
    const double unit = std::ldexp(1.0, exponent - 64);
    return exact::QuickTwoSum(v.hi, std::nearbyint(v.lo / unit) * unit);
}

std::vector<std::uint8_t> SineTable() {
    const Double2 pi = RoundToExtended(exact::PI);
    const Double2 step = RoundToExtended(exact::Divide({2.0 * pi.hi, 2.0 * pi.lo}, ENTRIES));
    std::vector<std::uint8_t> out;
    for (int i = 0; i < ENTRIES; ++i) {
        const Double2 angle = RoundToExtended(exact::Multiply(step, {static_cast<double>(i), 0.0}));
        const float value = exact::NearestFloat(exact::Sin(angle));
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(bits >> (8 * b)));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: gen_sines OUTPUT-FILE\n";
        return 2;
    }
    const std::vector<std::uint8_t> table = SineTable();
    std::ofstream file(argv[1], std::ios::binary);
    file.write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()));
    file.close();
    if (!file) {
        std::cerr << "gen_sines: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
