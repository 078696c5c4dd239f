// What a computer player decides in its turn: the target, the weapon, and the angle and power found
// by searching predicted flights, then the errors of its level: a person's by eye below Hard, and
// above it errors that shrink as it brackets the target from one place.
//
// A turn's thinking runs in stages. Shells: searches over the powers at a fan of angles, from flat
// shots to high lobs, for the shell that hurts a target most, moving on to the next target while
// none can be hit. Special: the same for a special weapon the situation calls for
// (computer/weapon_choice.cpp). Clear: when nothing reaches any target, shots at the ground that
// stands in the way (computer/digging.cpp). Aim: the level's errors (computer/aiming.cpp). No shot
// predicted to hurt the shooter is taken unless it also kills the target and leaves the shooter
// standing; when every shot would hurt, the least harmful one is fired. After STALEMATE_TURNS turns
// in which nobody lost armour, LONG_MATCH_TURNS turns into a match, or after a few digging shots
// that led nowhere, a level searches the whole range of elevations and takes the digging and
// lobbing shots, without errors.
#include "computer/brain.h"

#include <algorithm>

#include "computer/level_style.h"
#include "computer/shot_memory.h"
#include "computer/situation.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"

namespace {

// In a stalemate every level searches elevations from STALEMATE_FIRST_ELEVATION up to
// STALEMATE_LAST_ELEVATION, STALEMATE_ELEVATION_STEP degrees apart, and looks at up to
// STALEMATE_TARGETS targets.
constexpr int STALEMATE_FIRST_ELEVATION = 2;
constexpr int STALEMATE_ELEVATION_STEP = 5;
constexpr int STALEMATE_LAST_ELEVATION = 89;
constexpr int STALEMATE_TARGETS = 3;
constexpr int STALEMATE_POWER_SHIFTS = 8;
// ... and then the angles up to STALEMATE_REFINE_DEGREES either side of the shell that came nearest.
constexpr int STALEMATE_REFINE_DEGREES = 3;

// A shooter that has dug at the ground in the way this often since it last hurt an opponent looks
// for another way, as out of a stalemate (every elevation, the other targets, the lob and the Earth
// Mover in turn).
constexpr int DIGS_BEFORE_ANOTHER_WAY = 3;

}  // namespace

// 1. The game as it stands. 2. The opponents in the order the level looks at them: Beginner one at
// random, the others the most worth shooting first. 3. The shell fan at the first of them.
void TurnPlanner::Begin(int shooter, Controller level, ComputerRandom* random, int quietTurns,
                        int matchTurns) {
    Reset(shooter, level, random, quietTurns);
    if (!TheLandscape || !ThePlayers || shooter < 0 || shooter >= MAX_PLAYERS) {
        ready_ = true;
        return;
    }
    const float gravity = TheProjectiles ? TheProjectiles->gravity : GRAVITY;
    sim_.Capture(TheLandscape, ThePlayers, gravity);
    stalemate_ = quietTurns >= STALEMATE_TURNS || matchTurns >= LONG_MATCH_TURNS ||
                 MemoryOf(shooter).digs >= DIGS_BEFORE_ANOTHER_WAY;
    const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter)];
    decision_.angle = std::clamp(me.angle, 0, MAX_ANGLE);
    decision_.power = std::clamp(me.power, 0, MAX_POWER);
    decision_.weapon = InStock(me, me.weapon) ? me.weapon : FirstInStock(me);

    for (int i = 0; i < MAX_PLAYERS; ++i) {
        if (i != shooter && Standing(sim_, i)) targets_.push_back(i);
    }
    if (targets_.empty() || !Standing(sim_, shooter)) {
        ready_ = true;
        return;
    }
    std::stable_sort(targets_.begin(), targets_.end(), [&](int a, int b) {
        return TargetWorth(me, ThePlayers->players[a]) > TargetWorth(me, ThePlayers->players[b]);
    });
    if (level == ControllerBeginner) {
        const auto pick = static_cast<std::size_t>(random->Below(static_cast<int>(targets_.size())));
        std::rotate(targets_.begin(), targets_.begin() + static_cast<std::ptrdiff_t>(pick), targets_.end());
    }
    decision_.target = targets_.front();
    QueueShells();
    stage_ = Stage::Shells;
}

// Everything of the last turn's thinking forgotten.
void TurnPlanner::Reset(int shooter, Controller level, ComputerRandom* random, int quietTurns) {
    shooter_ = shooter;
    level_ = level;
    random_ = random;
    decision_ = ShotDecision{};
    ready_ = false;
    quietTurns_ = quietTurns;
    stalemate_ = false;
    refined_ = false;
    escapeSought_ = false;
    searches_.clear();
    nextSearch_ = 0;
    searching_ = false;
    for (int s = 0; s < SLOT_COUNT; ++s) {
        results_[s] = Candidate{};
        resultTargets_[s] = -1;
        resultWeapons_[s] = WeaponShell;
    }
    leastHarm_ = Candidate{};
    leastHarmTarget_ = -1;
    leastHarmWeapon_ = WeaponShell;
    bestKill_ = Candidate{};
    harmless_ = Candidate{};
    wornWay_ = Candidate{};
    bestKillTarget_ = -1;
    bestKillWeapon_ = WeaponShell;
    specialWeapon_ = -1;
    targets_.clear();
    targetIndex_ = 0;
    aimOffset_ = 0.0f;
    slices_ = 0;
    mostSliceSamples_ = 0;
    stage_ = Stage::Done;
}

// The shell searches at the first target. A person tries again what hit from here last time: the
// angle of that shot and those beside it are searched first (the wind or the ground may have
// changed since), the scan shifted to pass through that shot's power. Then the level's fan, or in
// a stalemate every elevation a tank can fire at, a few degrees apart from a first one drawn afresh
// each turn, so that the narrow ways over a peak or onto a ledge are all tried in time; each of
// those scans powers of its own drawing too, so that no power is left out for ever.
void TurnPlanner::QueueShells() {
    const int target = targets_.front();
    const AimGoal goal = GoalAt(target, WeaponShell, 0.0f);
    const TankBox& self = sim_.tanks()[shooter_];
    const ShooterMemory& memory = MemoryOf(shooter_);
    const FiredShot& hit = memory.lastHit;
    if (memory.lastHitSet && hit.x == self.x && hit.y == self.y) {
        const int shift =
            ((PowerSearch::SCAN_SHIFT_BASE - hit.power) % PowerSearch::SCAN_STEP + PowerSearch::SCAN_STEP) %
            PowerSearch::SCAN_STEP;
        for (int step = -1; step <= 1; ++step)
            Queue(goal, hit.angle + step, Preference::MostDamage, SlotShell, shift);
    }
    if (stalemate_) {
        const int first = STALEMATE_FIRST_ELEVATION + random_->Below(STALEMATE_ELEVATION_STEP);
        for (int elevation = first; elevation <= STALEMATE_LAST_ELEVATION;
             elevation += STALEMATE_ELEVATION_STEP)
            Queue(goal, AngleFor(elevation, goal.dir), Preference::MostDamage, SlotShell,
                  random_->Below(STALEMATE_POWER_SHIFTS));
        return;
    }
    const LevelStyle& style = StyleOf(level_);
    QueueFan(goal, Preference::MostDamage, SlotShell, style.firstElevation, style.elevationStep,
             style.lastElevation);
}

// Searches run until the slice has walked its share of samples; between stages Advance queues the
// next searches or makes the decision. The last slice decides with what it has.
bool TurnPlanner::Think() {
    if (ready_) return true;
    slices_ += 1;
    std::int64_t samples = 0;
    while (!ready_ && samples < THINK_SLICE_SAMPLES) {
        if (searching_) {
            if (!current_.Step(sim_, &samples)) continue;
            searching_ = false;
            Keep(current_);
            continue;
        }
        if (nextSearch_ >= searches_.size()) {
            Advance();
            continue;
        }
        const Search& search = searches_[nextSearch_++];
        current_ = PowerSearch(search.goal, search.angle, search.preference, search.shift);
        currentSlot_ = search.slot;
        searching_ = true;
    }
    mostSliceSamples_ = std::max(mostSliceSamples_, samples);
    if (!ready_ && slices_ >= THINK_SLICES) {
        escapeSought_ = true;
        const Candidate& shell = results_[SlotShell];
        if (Hits(shell)) {
            Finish(shell, resultWeapons_[SlotShell], resultTargets_[SlotShell]);
        } else {
            FinishLeastHarm();
        }
    }
    return ready_;
}

// What a finished search found: the best of its slot, the least harmful shot so far (what would be
// fired were the thinking cut short: never worse than this) and the least harmful of the shots
// that kill the target but hurt the shooter. A search for a way out offers a safe shot, or one lost
// off a side that hurts nobody: one worn out from here only for want of any other.
void TurnPlanner::Keep(const PowerSearch& search) {
    const AimGoal& goal = search.Goal();
    const Candidate& top = search.Best();
    const bool wornWay = stage_ == Stage::Escape && Worn(top, goal.weapon);
    Candidate& best = wornWay ? wornWay_ : results_[currentSlot_];
    if (!best.tried || Better(top, best, search.preference())) {
        best = top;
        if (!wornWay) {
            resultTargets_[currentSlot_] = goal.target;
            resultWeapons_[currentSlot_] = goal.weapon;
        }
    }
    const Candidate& harm = search.LeastHarm();
    if (stage_ == Stage::Escape) {
        if (!harmless_.tried && harm.tried && harm.selfDamage == 0 && !harm.flight.Landed() &&
            !Worn(harm, goal.weapon))
            harmless_ = harm;
        return;
    }
    if (harm.tried && (!leastHarm_.tried || LessHarm(harm, leastHarm_))) {
        leastHarm_ = harm;
        leastHarmTarget_ = goal.target;
        leastHarmWeapon_ = goal.weapon;
        decision_.angle = harm.angle;
        decision_.power = harm.power;
        decision_.weapon = goal.weapon;
        decision_.target = goal.target;
    }
    if (!top.safe && top.kills && (!bestKill_.tried || top.selfDamage < bestKill_.selfDamage)) {
        bestKill_ = top;
        bestKillTarget_ = goal.target;
        bestKillWeapon_ = goal.weapon;
    }
}

void TurnPlanner::Queue(const AimGoal& goal, std::int32_t angle, Preference preference, Slot slot,
                        std::int32_t shift) {
    searches_.push_back(Search{goal, std::clamp(angle, 0, MAX_ANGLE), preference, slot, shift});
}

void TurnPlanner::QueueFan(const AimGoal& goal, Preference preference, Slot slot, int first, int step,
                           int last) {
    for (int elevation = first; elevation <= last; elevation += step)
        Queue(goal, AngleFor(elevation, goal.dir), preference, slot);
}

// The aim point: the target's middle, or the ground `offset` pixels beyond it along the line of fire
// (short of it when negative), no lower than the target.
AimGoal TurnPlanner::GoalAt(int target, std::int32_t weapon, float offset) const {
    const TankBox& me = sim_.tanks()[shooter_];
    const TankBox& them = sim_.tanks()[target];
    AimGoal goal;
    goal.shooter = shooter_;
    goal.target = target;
    goal.weapon = weapon;
    goal.dir = them.x >= me.x ? 1 : -1;
    goal.x = static_cast<float>(them.x);
    goal.y = static_cast<float>(them.y - them.height / 2);
    if (offset != 0.0f) {
        // On the ground there, or level with the target where the ground falls away below it (off
        // a ledge, say): the shot is meant to come down near the target, not far beneath it.
        goal.x += static_cast<float>(goal.dir) * offset;
        const Landscape& land = *sim_.landscape();
        const int column = std::clamp(static_cast<int>(goal.x), 0, land.width - 1);
        goal.y = static_cast<float>(std::min(land.SurfaceY(column), them.y));
    }
    return goal;
}

bool TurnPlanner::Hits(const Candidate& c) const { return c.tried && c.safe && c.targetDamage > 0; }

void TurnPlanner::Advance() {
    switch (stage_) {
        case Stage::Shells:
            AfterShells();
            return;
        case Stage::Special:
            AfterSpecial();
            return;
        case Stage::Clear:
            AfterClear();
            return;
        case Stage::Aim:
            AfterAim();
            return;
        case Stage::Escape:
            FinishLeastHarm();
            return;
        case Stage::Done:
            ready_ = true;
            return;
    }
}

// 1. While no shell reaches the target, the next target, with a coarser fan. 2. Out of a stalemate
// the angles on either side of the nearest shell are tried too: the narrow way into a chasm or a
// cave may lie between the fan's angles. 3. The special weapon (ChooseSpecial).
void TurnPlanner::AfterShells() {
    const LevelStyle& style = StyleOf(level_);
    const Candidate& shell = results_[SlotShell];
    const bool hits = Hits(shell);
    const int searched =
        stalemate_ ? std::max(style.targetsSearched, STALEMATE_TARGETS) : style.targetsSearched;
    const std::size_t looked = std::min<std::size_t>(targets_.size(), static_cast<std::size_t>(searched));
    if (!hits && targetIndex_ + 1 < looked) {
        targetIndex_ += 1;
        QueueFan(GoalAt(targets_[targetIndex_], WeaponShell, 0.0f), Preference::MostDamage, SlotShell,
                 style.firstElevation + 2, style.elevationStep * 2, style.lastElevation);
        return;
    }
    if (stalemate_ && !hits && !refined_ && shell.tried) {
        refined_ = true;
        const AimGoal goal = GoalAt(resultTargets_[SlotShell], WeaponShell, 0.0f);
        for (int step = 1; step <= STALEMATE_REFINE_DEGREES; ++step) {
            Queue(goal, shell.angle - step, Preference::MostDamage, SlotShell);
            Queue(goal, shell.angle + step, Preference::MostDamage, SlotShell);
        }
        return;
    }
    ChooseSpecial(hits);
}
