// Tests of the core: the random generator and its colour helpers, and the build-independent maths
// (the sine table's bits and the exponential's rounding).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "core/data_resource.h"
#include "core/exact_maths.h"
#include "core/globals.h"
#include "core/random.h"
#include "shell/data_tables.h"
#include "shell/shell.h"
#include "tests/support/golden.h"

namespace {

// A float's or a double's bits.
auto Bits(auto value) {
    return std::bit_cast<std::conditional_t<sizeof value == 4, std::uint32_t, std::uint64_t>>(value);
}

std::uint32_t Fnv1a(const unsigned char* bytes, std::size_t size) {
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 16777619u;
    }
    return hash;
}

// The sine table and the disc table hold the bits the game has always had: all of them by a checksum
// (FNV-1a over the little-endian bytes).
TEST(SineAndDiscTables, HoldTheGamesBitsExactly) {
    ASSERT_TRUE(FillSineTable());
    EXPECT_EQ(
        Fnv1a(reinterpret_cast<const unsigned char*>(SineTable.data()), sizeof(float) * SineTable.size()),
        0x0e7580c8u);
    const void* disc = nullptr;
    ASSERT_TRUE(LoadDataResource(130, DISC_TABLE_SIZE, &disc));
    EXPECT_EQ(Fnv1a(static_cast<const unsigned char*>(disc), DISC_TABLE_SIZE), 0xe6693531u);
}

// Entries of the sine table, the angles of our own atan2, the exponential and the nearest float, as
// kept in core/exact_bits.tsv.
TEST(ExactMaths, EntriesAnglesAndExponentialsAreExactlyTheGames) {
    ASSERT_TRUE(FillSineTable());
    for (const auto& row : GoldenRows("core/exact_bits.tsv")) {
        char* rest = nullptr;
        const double x = std::strtod(row[1].c_str(), &rest), y = std::strtod(rest, nullptr);
        if (row[0] == "nearest") {
            EXPECT_EQ(Bits(exact::NearestFloat({x, y})), Bits(std::strtof(row[2].c_str(), nullptr)))
                << row[1];
            continue;
        }
        if (row[0] == "exp") {
            EXPECT_EQ(Bits(exact::Exp(x)), Bits(std::strtod(row[2].c_str(), nullptr))) << row[1];
            continue;
        }
        const exact::Double2 angle = exact::Atan2(static_cast<int>(x), static_cast<int>(y));
        const float value = row[0] == "sine" ? SineTable[static_cast<std::size_t>(x)]
                                             : static_cast<float>(angle.hi + angle.lo);
        EXPECT_EQ(Bits(value), std::stoul(row[2], nullptr, 16)) << row[0] << " " << row[1];
    }
}

// The generator's first draws from known seeds and the state they leave; draws stay within 0 to
// 32767 for any seed.
TEST(Random, FirstDrawsOfKnownSeedsStayInRange) {
    for (const auto& [seed, draws] :
         {std::pair{1u, std::vector{41, 18467, 6334, 26500, 19169}}, {7u, {61}}}) {
        game::srand(seed);
        for (int draw : draws) EXPECT_EQ(game::rand(), draw) << seed;
    }
    EXPECT_EQ(game::RandState(), 7u * 214013u + 2531011u);
    game::srand(0xFFFFFFFFu);
    for (int i = 0; i < 100000; ++i) {
        const int r = game::rand();
        ASSERT_TRUE(r >= 0 && r <= game::RAND_LIMIT) << r;
    }
}

// A colour near another draws three times and stays within 20 of each channel; a shade moves all
// channels together by one draw and clamps.
TEST(Random, ColoursNearAndShadesDrawTheirShareAndStayInRange) {
    for (std::uint32_t seed = 1; seed < 200; ++seed) {
        game::srand(seed);
        const std::uint32_t c = RandomColourNear(0, 128, 255);
        const std::uint32_t afterOne = game::RandState();
        game::srand(seed);
        for (int i = 0; i < 3; ++i) game::rand();
        ASSERT_EQ(afterOne, game::RandState());
        const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        ASSERT_TRUE(r <= 20 && g >= 108 && g <= 148 && b >= 235 && c >> 24 == 0) << std::hex << c;
    }
    game::srand(3);
    const int d = game::rand() % 40 - 20;
    game::srand(3);
    EXPECT_EQ(RandomShade(100, 5, 250),
              PackColour(100 + d, std::clamp(5 + d, 0, 255), std::clamp(250 + d, 0, 255)));
    EXPECT_EQ(game::RandState(), 3u * 214013u + 2531011u);
}

}  // namespace
