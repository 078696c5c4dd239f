// How the lower levels set their power as a person at the screen does: by feel from the distance,
// then up or down by how far the last shot fell short or went over.
//
// A person misses in runs, not around a perfect shot: it allows for only part of the wind, it
// guesses the first power from a new place a little off, and it corrects by a sense of how far a
// step of power carries the shell that may be well off (so that it creeps up on the target from
// one side, or swings past it). Every shot from one place teaches it a little of the truth. The
// better the player, the more of the wind it allows for and the closer its sense; the best learn
// that sense from their last two shots and fire a shot on the target again as it was. Called by the brain's
// aim (computer/brain.cpp) with the shot its search found; never draws from the game's generator.
#pragma once

#include <cstdint>

#include "computer/brain.h"
#include "computer/computer_random.h"
#include "computer/flight_sim.h"

// A level's habits: percent of the wind's carry allowed for; percent either way the first guess of
// the power may be off; the range (percent of the truth) its sense of a step's carry is drawn from
// once a match; the steps the hand slips either way; whether it learns the carry of a step from
// its last two shots from one place; and the percent of its misjudgements left after each shot
// from one place.
struct EyeHabits {
    int windPercent;
    int guessPercent;
    int feelLow;
    int feelHigh;
    int slip;
    bool learns;
    int keptPercent;
};

// The power a level that aims by eye fires the search's shot `angle` at, whose power would hit in
// the real wind: off by the wind it does not allow for and by its guess.
std::int32_t FirstPowerByEye(const FlightSim& sim, int shooter, std::int32_t angle, std::int32_t power,
                             std::int32_t weapon, const EyeHabits& habits, ComputerRandom* random);

// The power of the next shot from the same place at the same target, corrected from where the last
// one (memory) landed: `targetX` its target's column, `feel` the level's sense of a step's carry in
// percent of the truth.
std::int32_t NextPowerByEye(const FlightSim& sim, int shooter, const ShotMemory& memory, std::int32_t targetX,
                            const EyeHabits& habits, int feel, ComputerRandom* random);

// Whether a tank stands where it fired from: pushed down into its crater it has not moved.
bool SamePlace(std::int32_t x, std::int32_t y, std::int32_t fromX, std::int32_t fromY);
