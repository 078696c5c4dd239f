// What a computer seat remembers of its shots over a match: the last one and where it landed, the
// shots that hurt nobody, its digging, its sense of a step of power, its last hit and the shot in
// flight. One ShooterMemory a seat, for the life of a landscape (ForgetShots in brain.h).
#pragma once

#include <array>
#include <cstddef>

#include "computer/brain.h"

// The missed shots remembered per shooter, the oldest overwritten first.
constexpr std::size_t MISSES_KEPT = 32;
struct Misses {
    std::array<FiredShot, MISSES_KEPT> shots{};
    std::size_t count = 0;
    std::size_t next = 0;
};

// A shot that missed this many times from one place, none of them coming down at least
// WORN_PROGRESS pixels nearer its target than those before it, changes nothing: it is worn out.
constexpr int WORN_TIMES = 3;
constexpr std::int32_t WORN_PROGRESS = 4;
// Whether `shot` (its angle, power and weapon from its place) is worn out among the misses.
bool WornOut(const Misses& misses, const FiredShot& shot);

// One seat's memory: the last shot (what the next corrects from), the missed shots; the digging
// shots at the ground in the way since it last hurt an opponent; its sense, this match, of how far a
// step of power carries a shot (percent of the truth, 0 until drawn); its last shot that took armour
// off an opponent; its last shot as planned, until its outcome is noted.
struct ShooterMemory {
    ShotMemory shot;
    Misses misses;
    int digs = 0;
    int feel = 0;
    FiredShot lastHit{};
    bool lastHitSet = false;
    FiredShot pending{};
    bool pendingSet = false;
};

// The memory of seat `shooter`, 0 to MAX_PLAYERS - 1.
ShooterMemory& MemoryOf(int shooter);
