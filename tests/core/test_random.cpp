// Tests of the game's random generator, its colour helpers and the sine table.
#include <gtest/gtest.h>

#include <cmath>

#include "core/globals.h"
#include "core/random.h"
#include "shell/shell.h"

namespace {

TEST(Random, FirstDrawsOfKnownSeedsAndTheStateTheyLeave) {
    game::srand(1);
    EXPECT_EQ(game::rand(), 41);
    EXPECT_EQ(game::rand(), 18467);
    EXPECT_EQ(game::rand(), 6334);
    EXPECT_EQ(game::rand(), 26500);
    EXPECT_EQ(game::rand(), 19169);
    game::srand(7);
    EXPECT_EQ(game::rand(), 61);
    EXPECT_EQ(game::RandState(), 7u * 214013u + 2531011u);
}

TEST(Random, DrawsStayWithin0To32767ForAnySeed) {
    game::srand(0xFFFFFFFFu);
    for (int i = 0; i < 100000; ++i) {
        int r = game::rand();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, game::RAND_LIMIT);
    }
}

TEST(Random, ColourNearDrawsThreeTimesAndStaysWithin20OfEachChannel) {
    for (std::uint32_t seed = 1; seed < 200; ++seed) {
        game::srand(seed);
        std::uint32_t c = RandomColourNear(0, 128, 255);
        std::uint32_t afterOne = game::RandState();
        game::srand(seed);
        game::rand();
        game::rand();
        game::rand();
        ASSERT_EQ(afterOne, game::RandState());
        int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        ASSERT_LE(r, 20);
        ASSERT_GE(g, 108);
        ASSERT_LE(g, 148);
        ASSERT_GE(b, 235);
        ASSERT_EQ(c >> 24, 0u);
    }
}

TEST(Random, ShadeMovesAllChannelsTogetherAndClamps) {
    game::srand(3);
    int d = game::rand() % 40 - 20;
    game::srand(3);
    std::uint32_t c = RandomShade(100, 5, 250);
    EXPECT_EQ(c, PackColour(100 + d, std::clamp(5 + d, 0, 255), std::clamp(250 + d, 0, 255)));
    EXPECT_EQ(game::RandState(), 3u * 214013u + 2531011u);
}

TEST(SineTable, HoldsTenthsOfADegreeAndGivesCosinesByAQuarterTurn) {
    FillSineTable();
    EXPECT_EQ(SineTable[0], 0.0f);
    EXPECT_EQ(SineTable[900], 1.0f);
    EXPECT_EQ(SineTable[2700], -1.0f);
    EXPECT_NEAR(SineTable[1800], 0.0f, 1e-7);
    EXPECT_FLOAT_EQ(SineTable[300], 0.5f);
    EXPECT_FLOAT_EQ(SineTable[(600 + 900) % 3600], 0.5f);  // cos 60
    EXPECT_EQ(SineTable[3599], -SineTable[1]);
}

}  // namespace
