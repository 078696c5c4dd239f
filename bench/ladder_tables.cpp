// The ladder benchmark's tables: win shares with their intervals, and what each level did.
#include "bench/ladder_tables.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

double Percent(long part, long whole) {
    return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

double PerSeat(long count, long seats) {
    return static_cast<double>(count) / static_cast<double>(std::max(1L, seats));
}

// The share `won` of `n` matches (draws counting half) with its 95% Wilson interval, in percent.
void WinShare(double won, long n, double* share, double* low, double* high) {
    const double z = 1.96;
    const double count = static_cast<double>(std::max(1L, n));
    const double p = won / count;
    const double centre = (p + z * z / (2 * count)) / (1 + z * z / count);
    const double half =
        z * std::sqrt(p * (1 - p) / count + z * z / (4 * count * count)) / (1 + z * z / count);
    *share = 100.0 * p;
    *low = 100.0 * std::max(0.0, centre - half);
    *high = 100.0 * std::min(1.0, centre + half);
}

}  // namespace

void PrintPairing(int p, const PairTally& pair) {
    const std::string name = p == MIXED
                                 ? "8-player mixed"
                                 : std::string(LEVEL_NAMES[PAIRINGS[p].a]) + "-" + LEVEL_NAMES[PAIRINGS[p].b];
    const long decided = pair.winsA + pair.winsB + pair.draws;
    double share = 0.0, low = 0.0, high = 0.0;
    WinShare(static_cast<double>(pair.winsA) + 0.5 * static_cast<double>(pair.draws), decided, &share, &low,
             &high);
    if (p == MIXED) share = low = high = 0.0;
    const double matches = static_cast<double>(std::max(1L, pair.matches));
    std::printf("%-18s %7ld %6ld %5ld %5ld %8.1f %7.1f %6.1f  %4.0f-%-4.0f %6.2f\n", name.c_str(),
                pair.matches, pair.winsA, pair.draws, pair.unfinished,
                static_cast<double>(pair.turns) / matches,
                static_cast<double>(pair.frames) * FRAME_MS / 60000.0 / matches, share, low, high,
                pair.turns > 0
                    ? static_cast<double>(pair.frames) * FRAME_MS / 1000.0 / static_cast<double>(pair.turns)
                    : 0.0);
    std::fflush(stdout);
}

void PrintLevels(const std::array<LevelTally, LEVELS>& levels) {
    std::printf("\n%-9s %7s %9s %9s %11s %11s %9s %9s %10s %10s %8s %8s\n", "level", "turns", "1st hit%",
                "4th+ hit%", "self-hurt/k", "self-kill/k", "1-angle%", "fire s", "longest s", "step max us",
                "same run", "miss run");
    for (int level = ControllerBeginner; level < LEVELS; ++level) {
        const LevelTally& t = levels[static_cast<std::size_t>(level)];
        if (t.turns == 0) continue;
        std::printf(
            "%-9s %7ld %9.1f %9.1f %11.2f %11.2f %9.1f %9.2f %10.2f %10.0f %8d %8d\n", LEVEL_NAMES[level],
            t.turns, Percent(t.firstHits, t.firstShots), Percent(t.laterHits, t.laterShots),
            1000.0 * static_cast<double>(t.selfHurts) / static_cast<double>(std::max(1L, t.turns)),
            1000.0 * static_cast<double>(t.selfKills) / static_cast<double>(std::max(1L, t.turns)),
            Percent(t.oneAngleSeats, t.longSeats),
            t.fired > 0 ? static_cast<double>(t.fireFrames) * FRAME_MS / 1000.0 / static_cast<double>(t.fired)
                        : 0.0,
            t.longestToFire * FRAME_MS / 1000.0, t.longestAimingStepUs, t.longestSameRun, t.longestMissRun);
    }
    std::printf("\n%-9s %14s %14s\n", "level", "burnt-hurt/k", "burnt-kill/k");
    for (int level = ControllerBeginner; level < LEVELS; ++level) {
        const LevelTally& t = levels[static_cast<std::size_t>(level)];
        if (t.turns == 0) continue;
        const double turns = static_cast<double>(std::max(1L, t.turns));
        std::printf("%-9s %14.2f %14.2f\n", LEVEL_NAMES[level],
                    1000.0 * static_cast<double>(t.burntHurts) / turns,
                    1000.0 * static_cast<double>(t.burntKills) / turns);
    }
    // Each special weapon as bought / fired, a seat a match; the shells fired a seat a match.
    std::printf("\n%-9s %6s %11s %11s %11s %11s %11s %7s %7s %7s\n", "a match", "shells", "sod b/f",
                "firewk b/f", "earthmv b/f", "lava b/f", "a-bomb b/f", "cash", "cash 3rd", "bomb%");
    for (int level = ControllerBeginner; level < LEVELS; ++level) {
        const LevelTally& t = levels[static_cast<std::size_t>(level)];
        if (t.turns == 0) continue;
        std::printf("%-9s %6.1f", LEVEL_NAMES[level], PerSeat(t.weaponsFired[0], t.endSeats));
        for (std::size_t w = 1; w < WEAPON_COUNT; ++w)
            std::printf(" %5.2f/%-5.2f", PerSeat(t.weaponsBought[w], t.endSeats),
                        PerSeat(t.weaponsFired[w], t.endSeats));
        std::printf(" %7.0f %7.0f %7.1f\n", PerSeat(t.endCash, t.endSeats),
                    PerSeat(t.thirdCash, t.thirdSeats), Percent(t.endBombs, t.endSeats));
    }
    // The eight-player matches: each level's seats, the matches won from them and the share of its
    // seats that won (one in eight by chance).
    std::printf("\n%-9s %12s %6s %7s\n", "8-player", "seats", "wins", "win%");
    for (int level = ControllerBeginner; level < LEVELS; ++level) {
        const LevelTally& t = levels[static_cast<std::size_t>(level)];
        if (t.mixedSeats == 0) continue;
        std::printf("%-9s %12ld %6ld %7.1f\n", LEVEL_NAMES[level], t.mixedSeats, t.mixedWins,
                    Percent(t.mixedWins, t.mixedSeats));
    }
}
