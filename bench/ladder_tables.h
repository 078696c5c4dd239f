// The ladder benchmark's players, pairings and tallies, and the tables it prints of them.
#pragma once

#include <array>

#include "core/globals.h"
#include "core/rules.h"

constexpr int FRAME_MS = 20;
// The players a seat may hold: the computer levels by their Controller, then the person-like
// players of bench/person_player.h, each at its skill.
constexpr const char* LEVEL_NAMES[] = {"Human",  "Beginner", "Easy",   "Normal",   "Hard",
                                       "Expert", "Novice",   "Casual", "Practised"};
constexpr int LEVELS = 9;
constexpr int FIRST_PERSON = 6;
inline bool IsPerson(int kind) { return kind >= FIRST_PERSON; }

struct Pairing {
    int a;
    int b;
};
// The ladder's pairings, the eight-player games (MIXED) and then the people against the levels.
constexpr Pairing PAIRINGS[] = {{ControllerEasy, ControllerBeginner},
                                {ControllerNormal, ControllerEasy},
                                {ControllerHard, ControllerNormal},
                                {ControllerExpert, ControllerHard},
                                {ControllerExpert, ControllerBeginner},
                                {0, 0},
                                {6, ControllerBeginner},
                                {6, ControllerEasy},
                                {7, ControllerEasy},
                                {7, ControllerNormal},
                                {8, ControllerNormal},
                                {8, ControllerHard}};
constexpr int MIXED = 5;
constexpr int PAIRING_COUNT = 12;

struct LevelTally {
    long turns = 0;
    long firstShots = 0;
    long firstHits = 0;
    long laterShots = 0;
    long laterHits = 0;
    long selfHurts = 0;
    long selfKills = 0;
    // Hurt, or destroyed, in a turn that began with lava or flames burning beside the tank: what
    // burns on from an earlier shot counts against whoever's turn it is, so these are kept apart.
    long burntHurts = 0;
    long burntKills = 0;
    long fireFrames = 0;
    long fired = 0;
    int longestToFire = 0;
    int longestSameRun = 0;  // the most shots in a row alike from one place
    int longestMissRun = 0;  // ... of those that took no armour off an opponent
    long longSeats = 0;
    long oneAngleSeats = 0;
    double longestAimingStepUs = 0.0;
    std::array<long, WEAPON_COUNT> weaponsFired{};
    std::array<long, WEAPON_COUNT> weaponsBought{};
    long endSeats = 0;  // seats at the end of a match, the cash they held then and A-Bombs held
    long endCash = 0;
    long endBombs = 0;
    long thirdSeats = 0;  // the same at the end of a game's third match
    long thirdCash = 0;
    long mixedSeats = 0;  // seats in eight-player matches that ended, and the matches won from them
    long mixedWins = 0;
};

struct PairTally {
    long matches = 0;
    long winsA = 0;
    long winsB = 0;
    long draws = 0;
    long unfinished = 0;
    long turns = 0;
    long frames = 0;  // frame steps from the first turn's start to the end of the match
};

// The line of pairing `p` (MIXED's without a win share), and the tables of every level that played.
void PrintPairing(int p, const PairTally& pair);
void PrintLevels(const std::array<LevelTally, LEVELS>& levels);
