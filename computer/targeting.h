// The computer players' aiming: what a predicted landing does to each tank, and the search over
// powers at one angle for the landing nearest a point.
#pragma once

#include <cstdint>
#include <limits>

#include "computer/flight_sim.h"

// What the computer wants a shot to do: land near (x, y) for player `target`, fired by `shooter`
// with `weapon`. dir is +1 when the aim point lies to the shooter's right, -1 to its left.
struct AimGoal {
    int shooter = 0;
    int target = -1;
    std::int32_t weapon = 0;
    float x = 0.0f;
    float y = 0.0f;
    int dir = 1;
};

// One shot considered, with its predicted flight and what its landing would do.
struct Candidate {
    std::int32_t angle = 90;
    std::int32_t power = 50;
    FlightResult flight;
    float miss2 = std::numeric_limits<float>::max();  // squared distance of the landing from the aim
    std::int32_t targetDamage = 0;                    // armour the target would lose to the blast
    std::int32_t othersDamage = 0;                    // armour the other opponents would lose in all
    std::int32_t opponentsHit = 0;                    // opponents the blast reaches
    std::int32_t selfDamage = 0;  // armour the shooter would lose (a landing too close counts 1 at least)
    bool kills = false;           // the target's armour would be gone
    bool safe = false;            // lands, and nowhere near enough to the shooter to hurt it
    bool tried = false;
};

// Blast figures of the weapons, as the explosions use them: the damage radius and the full damage
// at the centre (0 for those that do no blast damage), and the distance from the shooter's middle
// within which a landing of the weapon is too close for comfort.
struct WeaponReach {
    int damageRadius;
    int fullDamage;
    int keepAway;
};
const WeaponReach& ReachOf(std::int32_t weapon);

// The blast damage a tank would take from an explosion of the weapon at pixel (xi, yi).
std::int32_t BlastDamage(const TankBox& tank, std::int32_t weapon, int xi, int yi);

// The predicted shot at (angle, power), judged against the goal.
Candidate Assess(const FlightSim& sim, const AimGoal& goal, std::int32_t angle, std::int32_t power);

// How candidates compare: by distance from the aim point only, or by the damage done to the
// opponents first (the target counting double) and the distance second. An unsafe candidate is
// never better than a safe one.
enum class Preference { Nearest, MostDamage };
bool Better(const Candidate& a, const Candidate& b, Preference preference);
// Whether a hurts the shooter less than b; then the nearer to the aim point.
bool LessHarm(const Candidate& a, const Candidate& b);

// Searches the powers 1 to 100 at one angle for the shot that suits the goal best: a coarse scan,
// then a bisection wherever the landing passes from short of the aim point to beyond it. Step
// predicts one flight at a time, so that the search can be spread over frames.
class PowerSearch {
public:
    // The coarse scan's powers: SCAN_COUNT of them, SCAN_STEP apart from SCAN_SHIFT_BASE, less the
    // shift.
    static constexpr int SCAN_COUNT = 13;
    static constexpr int SCAN_STEP = 8;
    static constexpr int SCAN_SHIFT_BASE = 4;

    PowerSearch() = default;
    // `shift` moves every power of the coarse scan that much lower (0 to 7), so that searches with
    // different shifts scan different powers.
    PowerSearch(const AimGoal& goal, std::int32_t angle, Preference preference, std::int32_t shift = 0)
        : goal_(goal), angle_(angle), preference_(preference), shift_(shift) {}

    // One predicted flight; adds the samples it walked to *samples. True once the search is over.
    bool Step(const FlightSim& sim, std::int64_t* samples);
    bool Done() const { return done_; }
    const Candidate& Best() const { return best_; }
    // Of every power tried, the one that would hurt the shooter least (a shot lost off a side hurts
    // nobody), nearest the aim point among equals.
    const Candidate& LeastHarm() const { return leastHarm_; }
    const AimGoal& Goal() const { return goal_; }
    Preference preference() const { return preference_; }

private:
    float Try(const FlightSim& sim, std::int32_t power, std::int64_t* samples);
    std::int32_t ScanPower(int i) const;
    // Moves on to the next place where the scan passes the aim point; false when there is none.
    bool NextCrossing();

    AimGoal goal_;
    std::int32_t angle_ = 90;
    Preference preference_ = Preference::Nearest;
    std::int32_t shift_ = 0;
    Candidate best_;
    Candidate leastHarm_;
    float along_[SCAN_COUNT] = {};
    int scanned_ = 0;
    int crossing_ = -1;  // the scan index the bisection started from, -1 before the first
    int crossings_ = 0;
    std::int32_t lo_ = 0;
    std::int32_t hi_ = 0;
    bool shortBefore_ = false;
    bool done_ = false;
};

// The whole search at once.
Candidate SolvePower(const FlightSim& sim, const AimGoal& goal, std::int32_t angle, Preference preference,
                     std::int64_t* samples);

// The barrel angle for an elevation in degrees above the horizontal towards dir (+1 right, -1
// left); elevations past 90 lean back over the shooter.
std::int32_t AngleFor(int elevation, int dir);
