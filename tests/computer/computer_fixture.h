// Test support for the computer players: the weapons' fixture with the game's pointers aimed at
// its landscape, tanks and collection, terrain shapes, and a real shot fired from a decision.
#pragma once

#include <cstdint>
#include <vector>

#include "computer/brain.h"
#include "tests/projectiles/projectiles_fixture.h"

// Where a real shot ended: the first explosion of the fired weapon, or none when it was lost.
struct RealShot {
    bool exploded = false;
    float x = 0.0f;
    float y = 0.0f;
    std::int32_t ticks = 0;
    std::int32_t lastX = 0;  // the tracked projectile's last position the collection reported
    std::int32_t lastY = 0;
};

// How a match has gone when a turn is planned: just begun, quiet for STALEMATE_TURNS turns and more,
// or LONG_MATCH_TURNS turns long and more, with tanks scratched now and then.
enum class Going { Fresh, Quiet, Long };

class ComputerTest : public ProjectilesTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Rolling ground: column x is solid Earth from surface(x) down, with Rock below row rockTop.
    void Hills(int base, int amplitude, int period, int rockTop);
    // Columns left to right - 1, rows top to bottom - 1 made of the material.
    void Block(int left, int right, int top, int bottom, std::int32_t material = Rock);
    // A wall of Rock from row top down over columns left to right - 1.
    void Wall(int left, int right, int top) { Block(left, right, top, landscape->height); }
    // Player i standing on the ground of column x, in a two- or more-player game.
    Player& Stand(int i, int x, std::int32_t armour = 100);

    // Player `shooter` fires (angle, power, weapon) for real; ticks until the shot is over.
    RealShot Fire(int shooter, std::int32_t angle, std::int32_t power, std::int32_t weapon);
    // Every tank's armour back to 100.
    void Heal();
    // The decision of a fresh planner drawing from a generator seeded with `seed`.
    ShotDecision Decide(int shooter, Controller level, std::uint32_t seed);
    // Runs the planner to its decision, `quietTurns` into a match in which nobody has been hurt and
    // `matchTurns` into the match; returns the slices it took.
    int Plan(TurnPlanner& planner, int shooter, Controller level, ComputerRandom& random, int quietTurns = 0,
             int matchTurns = 0);
    // A whole turn: the decision, fired for real, where it landed and whether it hurt an opponent
    // told to the brain, and the terrain put back; true when it hurt an opponent.
    bool PlayTurn(TurnPlanner& planner, int shooter, Controller level, ComputerRandom& random, int quietTurns,
                  const std::vector<std::int32_t>& terrain, int matchTurns = 0);
    // Seat 0 plays at most `turns` whole turns until one hurts an opponent, the match going as given
    // (quiet or long, the turns growing by two a turn, as in a match of two). Every shot must be one
    // the planner checked. True when one hurt.
    bool HitWithin(int turns, Going going, TurnPlanner& planner, Controller level, ComputerRandom& random,
                   const std::vector<std::int32_t>& terrain);

    // The materials of the landscape, to put back after a real shot and to compare.
    std::vector<std::int32_t> Materials() const;
    void RestoreMaterials(const std::vector<std::int32_t>& materials);
};
