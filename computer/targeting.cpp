// Aiming for the computer players: judging a predicted landing and searching the powers at an
// angle for the best one.
#include "computer/targeting.h"

#include <algorithm>
#include <array>

#include "core/rules.h"
#include "players/player.h"

namespace {

// Shell, Sod Salvo, Firework, Earth Mover, Lava, A-Bomb. The blasts are the explosions' own
// figures; a Sod Salvo does no damage where it lands and a lava stream burns slowly as it flows,
// so for those two, and for the Earth Mover's crater that a tank would fall into, only the
// distance to keep matters. A firework's pieces scatter, so it keeps further away than its blast.
constexpr std::array<WeaponReach, WEAPON_COUNT> REACHES = {{
    {16, 20, 20},   // WeaponShell
    {0, 0, 30},     // WeaponSodSalvo
    {10, 5, 40},    // WeaponFirework
    {0, 0, 90},     // WeaponEarthMover
    {0, 0, 60},     // WeaponLava
    {85, 120, 92},  // WeaponABomb
}};

// How many crossings of the aim point the bisection follows.
constexpr int MAX_CROSSINGS = 3;

// Where the landing lies along the line of fire from the aim point: negative short of it, positive
// beyond it. A shot lost off a side counts from where it was lost.
float Along(const Candidate& c, const AimGoal& goal) {
    return static_cast<float>(goal.dir) * (c.flight.x - goal.x);
}

}  // namespace

const WeaponReach& ReachOf(std::int32_t weapon) {
    return REACHES[static_cast<std::size_t>(weapon >= 0 && weapon < WEAPON_COUNT ? weapon : WeaponShell)];
}

// As an explosion reckons it: a direct hit when the point lies in the tank or on its middle,
// otherwise falling with the squared distance from the middle to half at the damage radius.
std::int32_t BlastDamage(const TankBox& tank, std::int32_t weapon, int xi, int yi) {
    const WeaponReach& reach = ReachOf(weapon);
    const int dx = tank.x - xi;
    const int dy = tank.y - tank.height / 2 - yi;
    const int d2 = dx * dx + dy * dy;
    if (tank.Contains(xi, yi) || d2 == 0) return reach.fullDamage;
    const int r2 = reach.damageRadius * reach.damageRadius;
    if (d2 > r2) return 0;
    return ((2 * r2 - d2) * reach.fullDamage) / (2 * r2);
}

Candidate Assess(const FlightSim& sim, const AimGoal& goal, std::int32_t angle, std::int32_t power) {
    Candidate c;
    c.angle = angle;
    c.power = power;
    c.tried = true;
    c.flight = sim.Shot(goal.shooter, angle, power, goal.weapon);
    const float dx = c.flight.x - goal.x;
    const float dy = c.flight.y - goal.y;
    c.miss2 = c.flight.Landed() ? dx * dx + dy * dy : std::numeric_limits<float>::max();
    // A flight followed no further may come down anywhere: as bad as a near landing.
    if (c.flight.end == FlightEnd::TooLong) c.selfDamage = 1;
    if (!c.flight.Landed()) return c;

    // What the landing does to every standing tank, and whether it is far enough from our own.
    const int xi = static_cast<int>(c.flight.x);
    const int yi = static_cast<int>(c.flight.y);
    const TankBox& self = sim.tanks()[goal.shooter];
    const int sx = self.x - xi;
    const int sy = self.y - self.height / 2 - yi;
    const int keep = ReachOf(goal.weapon).keepAway;
    c.selfDamage = c.flight.tank == goal.shooter ? ReachOf(goal.weapon).fullDamage
                                                 : BlastDamage(self, goal.weapon, xi, yi);
    c.safe = c.flight.tank != goal.shooter && sx * sx + sy * sy > keep * keep && c.selfDamage == 0;
    if (goal.weapon == WeaponEarthMover) {
        // Its tunnel must start no nearer either: the tank would fall into it.
        const float ex = static_cast<float>(self.x) - c.flight.entryX;
        const float ey = static_cast<float>(self.y - self.height / 2) - c.flight.entryY;
        c.safe = c.safe && ex * ex + ey * ey > static_cast<float>(keep * keep);
    }
    if (!c.safe) c.selfDamage = std::max<std::int32_t>(c.selfDamage, 1);
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        const TankBox& tank = sim.tanks()[i];
        if (i == goal.shooter || !tank.standing) continue;
        const std::int32_t damage = BlastDamage(tank, goal.weapon, xi, yi);
        if (damage <= 0) continue;
        c.opponentsHit += 1;
        if (i == goal.target) {
            c.targetDamage = damage;
            c.kills = damage > sim.armour()[i];
        } else {
            c.othersDamage += damage;
        }
    }
    return c;
}

bool Better(const Candidate& a, const Candidate& b, Preference preference) {
    if (a.safe != b.safe) return a.safe;
    if (preference == Preference::MostDamage) {
        const std::int32_t va = 2 * a.targetDamage + a.othersDamage;
        const std::int32_t vb = 2 * b.targetDamage + b.othersDamage;
        if (va != vb) return va > vb;
    }
    if (a.miss2 != b.miss2) return a.miss2 < b.miss2;
    return a.flight.ticks < b.flight.ticks;
}

bool LessHarm(const Candidate& a, const Candidate& b) {
    if (a.selfDamage != b.selfDamage) return a.selfDamage < b.selfDamage;
    return a.miss2 < b.miss2;
}

float PowerSearch::Try(const FlightSim& sim, std::int32_t power, std::int64_t* samples) {
    const Candidate c = Assess(sim, goal_, angle_, power);
    *samples += c.flight.samples;
    if (!best_.tried || Better(c, best_, preference_)) best_ = c;
    if (!leastHarm_.tried || LessHarm(c, leastHarm_)) leastHarm_ = c;
    return Along(c, goal_);
}

std::int32_t PowerSearch::ScanPower(int i) const {
    return std::clamp(SCAN_SHIFT_BASE + SCAN_STEP * i - shift_, 1, MAX_POWER);
}

bool PowerSearch::NextCrossing() {
    while (crossings_ < MAX_CROSSINGS && ++crossing_ + 1 < SCAN_COUNT) {
        shortBefore_ = along_[crossing_] < 0.0f;
        if (shortBefore_ == (along_[crossing_ + 1] < 0.0f)) continue;
        crossings_ += 1;
        lo_ = ScanPower(crossing_);
        hi_ = ScanPower(crossing_ + 1);
        if (hi_ - lo_ > 1) return true;
    }
    return false;
}

// 1. The coarse scan. 2. Each place where the landing passes the aim point between two scanned
// powers is narrowed down to neighbouring powers by bisection; every power tried may be the best.
bool PowerSearch::Step(const FlightSim& sim, std::int64_t* samples) {
    if (done_) return true;
    if (scanned_ < SCAN_COUNT) {
        along_[scanned_] = Try(sim, ScanPower(scanned_), samples);
        scanned_ += 1;
        if (scanned_ == SCAN_COUNT && !NextCrossing()) done_ = true;
        return done_;
    }
    const std::int32_t mid = (lo_ + hi_) / 2;
    if ((Try(sim, mid, samples) < 0.0f) == shortBefore_) {
        lo_ = mid;
    } else {
        hi_ = mid;
    }
    if (hi_ - lo_ <= 1 && !NextCrossing()) done_ = true;
    return done_;
}

Candidate SolvePower(const FlightSim& sim, const AimGoal& goal, std::int32_t angle, Preference preference,
                     std::int64_t* samples) {
    PowerSearch search(goal, angle, preference);
    while (!search.Step(sim, samples)) {
    }
    return search.Best();
}

std::int32_t AngleFor(int elevation, int dir) { return dir > 0 ? MAX_ANGLE - elevation : elevation; }
