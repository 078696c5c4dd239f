// Tests of the core: the random generator and its colour helpers, and the build-independent maths
// (the sine table's bits and the exponential's rounding).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "core/data_resource.h"
#include "core/exact_maths.h"
#include "core/globals.h"
#include "core/random.h"
#include "shell/data_tables.h"
#include "shell/shell.h"

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

// The table the game has always played with: a few entries by their bits, and all of them by a
// checksum (FNV-1a over the little-endian bytes).
TEST(SineTable, HoldsTheGamesBitsExactly) {
    ASSERT_TRUE(FillSineTable());
    EXPECT_EQ(Bits(SineTable[0]), 0x00000000u);
    EXPECT_EQ(Bits(SineTable[1]), 0x3ae4c381u);
    EXPECT_EQ(Bits(SineTable[300]), 0x3f000000u);   // 30 degrees: 0.5
    EXPECT_EQ(Bits(SineTable[450]), 0x3f3504f3u);   // 45 degrees
    EXPECT_EQ(Bits(SineTable[900]), 0x3f800000u);   // 90 degrees: 1
    EXPECT_EQ(Bits(SineTable[1800]), 0x9f6ce676u);  // a hair past 180 degrees: tiny, negative
    EXPECT_EQ(Bits(SineTable[2700]), 0xbf800000u);
    EXPECT_EQ(Bits(SineTable[3599]), 0xbae4c381u);
    EXPECT_EQ(
        Fnv1a(reinterpret_cast<const unsigned char*>(SineTable.data()), sizeof(float) * SineTable.size()),
        0x0e7580c8u);
}

// The disc table's angles come from our own atan2 with the bits the game has always had: the
// whole table by its checksum, and the angles at the axes and diagonals.
TEST(DiscTable, HoldsTheGamesBitsExactly) {
    const void* disc = nullptr;
    ASSERT_TRUE(LoadDataResource(130, DISC_TABLE_SIZE, &disc));
    EXPECT_EQ(Fnv1a(static_cast<const unsigned char*>(disc), DISC_TABLE_SIZE), 0xe6693531u);
    auto angle = [](int y, int x) {
        const exact::Double2 a = exact::Atan2(y, x);
        return static_cast<float>(a.hi + a.lo);
    };
    EXPECT_EQ(angle(0, 0), 0.0f);
    EXPECT_EQ(angle(0, 5), 0.0f);
    EXPECT_EQ(Bits(angle(0, -5)), 0x40490fdbu);       // pi
    EXPECT_EQ(Bits(angle(7, 0)), 0x3fc90fdbu);        // pi / 2
    EXPECT_EQ(Bits(angle(-7, 0)), 0xbfc90fdbu);       // -pi / 2
    EXPECT_EQ(Bits(angle(3, 3)), 0x3f490fdbu);        // pi / 4
    EXPECT_EQ(Bits(angle(-100, -100)), 0xc016cbe4u);  // -3 pi / 4
}

// Values the C library of one machine rounds the other way; the exponential must give the nearest
// double every time.
TEST(ExactMaths, ExponentialRoundsToTheNearestDouble) {
    EXPECT_EQ(exact::Exp(0.0), 1.0);
    EXPECT_EQ(Bits(exact::Exp(-0.6 * -0x1.738ap+0)), Bits(0x1.31c479869a19dp+1));
    EXPECT_EQ(Bits(exact::Exp(-0.6 * -0x1.e256eep-1)), Bits(0x1.c2870a7dfa8a7p+0));
    EXPECT_EQ(Bits(exact::Exp(-0.6 * 0x1.006c12p-8)), Bits(0x1.fecca781ec1cbp-1));
    EXPECT_EQ(Bits(exact::Exp(1.0)), Bits(0x1.5bf0a8b145769p+1));  // e
    EXPECT_EQ(Bits(exact::Exp(-1.0)), Bits(0x1.78b56362cef38p-2));
    EXPECT_EQ(exact::Exp(-800.0), 0.0);
    EXPECT_EQ(exact::Exp(800.0), INFINITY);
}

// Halfway between two floats, the low part decides; exactly halfway, the even float wins.
TEST(ExactMaths, NearestFloatBreaksTiesByTheLowPart) {
    const double halfway = 1.0 + 0x1p-24;  // between 1 and 1 + 2^-23
    EXPECT_EQ(exact::NearestFloat({halfway, 0.0}), 1.0f);
    EXPECT_EQ(exact::NearestFloat({halfway, 0x1p-80}), 1.0f + 0x1p-23f);
    EXPECT_EQ(exact::NearestFloat({halfway, -0x1p-80}), 1.0f);
    EXPECT_EQ(exact::NearestFloat({-halfway, -0x1p-80}), -(1.0f + 0x1p-23f));
    EXPECT_EQ(exact::NearestFloat({0.75, 0x1p-90}), 0.75f);
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
