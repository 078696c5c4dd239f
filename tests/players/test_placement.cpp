// Tests of placing the tanks on a new landscape and of their falls and landing damage.
#include <algorithm>
#include <cstdlib>

#include "core/random.h"
#include "tests/players/players_fixture.h"

namespace {

// The distance from column x to the nearest of the first `count` tanks.
int Nearest(PlayerCollection& players, int count, int x) {
    int nearest = 1 << 30;
    for (int j = 0; j < count; ++j) nearest = std::min(nearest, std::abs(x - players.Get(j)->x));
    return nearest;
}

// The smallest distance between two of the first `count` tanks.
int ClosestPair(PlayerCollection& players, int count) {
    int closest = 1 << 30;
    for (int i = 1; i < count; ++i) closest = std::min(closest, Nearest(players, i, players.Get(i)->x));
    return closest;
}

TEST_F(PlayersTest, TanksStandApartOnTheSurfaceAwayFromTheEdges) {
    MakeLandscape(640, 300, 250);
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        game::srand(seed);
        Start(2);
        players->PositionPlayers(landscape);
        EXPECT_GE(ClosestPair(*players, 2), 157) << seed;
        for (int i = 0; i < 2; ++i) {
            const Player& p = *players->Get(i);
            EXPECT_GE(p.x, 6);
            EXPECT_LT(p.x, 640 - 6);
            EXPECT_EQ(p.y, 249);
        }
    }
}

// Eight tanks on narrow landscapes often leave no column with the full spacing for the last ones
// (the case must come up here: it once made the search go on forever).
// Placing must still end, with every tank inside the edges; a tank placed closer than the spacing
// must have had no better column: none inside the edges is farther from the tanks before it.
TEST_F(PlayersTest, EightTanksOnANarrowLandscapeAlwaysFindAPlace) {
    int crowded = 0;
    for (int width : {640, 700}) {
        MakeLandscape(width, 300, 200);
        const int spacing = (width - 12) / 10;
        for (std::uint32_t seed = 1; seed <= 300; ++seed) {
            game::srand(seed);
            Start(8);
            players->PositionPlayers(landscape);
            for (int i = 0; i < 8; ++i) {
                const Player& p = *players->Get(i);
                ASSERT_GE(p.x, 6) << seed;
                ASSERT_LT(p.x, width - 6) << seed;
                ASSERT_EQ(p.y, 199);
                const int room = Nearest(*players, i, p.x);
                if (room >= spacing) continue;
                ++crowded;
                for (int x = 6; x < width - 6; ++x)
                    ASSERT_LE(Nearest(*players, i, x), room) << seed << " " << i;
            }
        }
    }
    EXPECT_GT(crowded, 0);
}

// A fall of five pixels is free and one of 23 costs three, which the player whose turn it is earns;
// a tank stands on a single pixel and lands on the bottom row; one with too little armour is
// destroyed on landing, bursting, and its enemy earns the kill.
TEST_F(PlayersTest, FallsCostArmourPastFivePixelsAndCanDestroyATank) {
    MakeLandscape(640, 300, 250);
    Start(2);
    players->current = 1;
    Player& p = *players->Get(0);
    p.x = 100;
    p.y = 249;
    EXPECT_FALSE(players->DoGravity(landscape, projectiles));
    for (int y = 250; y < 255; ++y) landscape->Cell(100, y) = Air;
    int frames = 0;
    while (players->DoGravity(landscape, projectiles)) ++frames;
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(p.y, 254);
    EXPECT_EQ(p.armour, 100);
    EXPECT_EQ(p.fallDistance, 0);
    EXPECT_EQ(Played(), std::vector<int>{15});

    for (int y = 255; y < 278; ++y) landscape->Cell(100, y) = Air;
    while (players->DoGravity(landscape, projectiles)) {
    }
    EXPECT_EQ(p.armour, 97);
    EXPECT_EQ(p.turnDamage, 3);
    EXPECT_EQ(players->Get(1)->profit, 1);
    for (int y = 279; y < 300; ++y) landscape->Cell(100, y) = Air;
    landscape->Cell(100, 278) = Rock;
    EXPECT_FALSE(players->DoGravity(landscape, projectiles));
    landscape->Cell(100, 278) = Air;
    while (players->DoGravity(landscape, projectiles)) {
    }
    EXPECT_EQ(p.y, 299);

    players->current = 0;
    Player& q = *players->Get(1);
    q.x = 300;
    q.y = 231;
    q.armour = 2;
    Played();
    while (players->DoGravity(landscape, projectiles)) {
    }
    EXPECT_FALSE(q.alive);
    EXPECT_EQ(Members(*projectiles).size(), 100u);
    EXPECT_EQ(Played(), (std::vector<int>{9, 15}));
    EXPECT_EQ(players->Get(0)->profit, 50 + 1);
}

}  // namespace
