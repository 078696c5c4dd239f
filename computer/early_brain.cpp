// The early levels' decisions: the target, the weapon, and the angle and power found by searching
// predicted flights, with the level's errors and the corrections a person makes after seeing where
// the last shot landed. Nothing here may change: replays of format 1 depend on every draw.
//
// A turn's thinking runs in stages. Shells: searches over the powers at a fan of angles for the
// shell that hurts the target most (Normal and Hard). Refine: the angles next to the best one
// (Hard). Special: the same for a special weapon the situation calls for (Hard). Aim: Easy and
// Normal aim a shot of the chosen weapon at a point they misjudge by their level's error, or, after
// a shot at the same target, at the point their correction of it suggests.
#include "computer/early_brain.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"

namespace {

// How a level misjudges: the spread (pixels along the line of fire) of its first shot at a target;
// after a shot it has seen land, how much of the miss it takes back (percent, a range) and the
// spread it adds; and the degrees its barrel strays from the best angle.
struct LevelErrors {
    int firstSpread;
    int laterSpread;
    int gainLow;
    int gainHigh;
    int angleSpread;
};
constexpr LevelErrors EASY_ERRORS{50, 36, 50, 120, 0};
constexpr LevelErrors NORMAL_ERRORS{25, 22, 60, 110, 3};
constexpr LevelErrors HARD_ERRORS{0, 0, 100, 100, 0};

const LevelErrors& ErrorsOf(Controller level) {
    switch (level) {
        case ControllerEarlyEasy:
            return EASY_ERRORS;
        case ControllerEarlyNormal:
            return NORMAL_ERRORS;
        default:
            return HARD_ERRORS;
    }
}

// Easy tries an angle between these elevations on its first shot at a target; it mostly fires
// shells, a special one time in SPECIAL_CHANCE when it has one.
constexpr int EASY_LOW_ELEVATION = 25;
constexpr int EASY_ELEVATIONS = 46;
constexpr int EASY_SPECIAL_CHANCE = 5;

// An offset never sends a shot further than this from the target.
constexpr float MAX_OFFSET = 400.0f;

// A tank this close to the target shares an A-Bomb with it; a target this far below the ground
// on both sides within VALLEY_REACH sits in a valley that lava runs into, which Hard does one turn
// in LAVA_CHANCE.
constexpr int CLUSTER_DX = 110;
constexpr int CLUSTER_DY = 60;
constexpr int VALLEY_DEPTH = 10;
constexpr int VALLEY_REACH = 40;
constexpr int LAVA_CHANCE = 3;

// A Sod Salvo sheds its earth over the first 160 samples of its path: it buries only a target
// about this near.
constexpr int SOD_REACH = 140;

// Armour a shell can take off in one direct hit: a target with no more is worth finishing.
constexpr std::int32_t FINISHING_ARMOUR = 20;

std::array<ShotMemory, MAX_PLAYERS> Memory;

bool Standing(const FlightSim& sim, int i) { return i >= 0 && i < MAX_PLAYERS && sim.tanks()[i].standing; }

bool InStock(const Player& player, std::int32_t weapon) {
    return weapon >= 0 && weapon < WEAPON_COUNT && player.stock[static_cast<std::size_t>(weapon)] != 0;
}

// Who is worth shooting at: a target that one shell can finish first, then low armour, then near.
int TargetWorth(const Player& me, const Player& them) {
    const int finishing = them.armour <= FINISHING_ARMOUR ? 1000 : 0;
    return finishing - 3 * them.armour - std::abs(them.x - me.x) / 3;
}

// Another standing opponent close enough to the target to share a blast with it, or -1.
int ClusterMate(const FlightSim& sim, int shooter, int target) {
    const TankBox& t = sim.tanks()[target];
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        if (i == shooter || i == target || !Standing(sim, i)) continue;
        const TankBox& o = sim.tanks()[i];
        if (std::abs(o.x - t.x) < CLUSTER_DX && std::abs(o.y - t.y) < CLUSTER_DY) return i;
    }
    return -1;
}

// Whether the ground rises well above the target on both sides.
bool InValley(const Landscape& land, const TankBox& t) {
    auto highest = [&](int from, int to) {
        int top = land.height;
        for (int x = std::max(from, 0); x <= std::min(to, land.width - 1); ++x)
            top = std::min(top, land.SurfaceY(x));
        return top;
    };
    const int left = highest(t.x - VALLEY_REACH, t.x - t.width);
    const int right = highest(t.x + t.width, t.x + VALLEY_REACH);
    return t.y - left >= VALLEY_DEPTH && t.y - right >= VALLEY_DEPTH;
}

std::int32_t FirstInStock(const Player& player) {
    for (std::int32_t w = WeaponShell; w < WEAPON_COUNT; ++w) {
        if (InStock(player, w)) return w;
    }
    return WeaponShell;
}

}  // namespace

void EarlyNoteShotLanded(int shooter, int target, std::int32_t x, std::int32_t y) {
    if (shooter < 0 || shooter >= MAX_PLAYERS) return;
    ShotMemory& memory = Memory[static_cast<std::size_t>(shooter)];
    if (memory.target != target) return;
    memory.landed = true;
    memory.landX = x;
    memory.landY = y;
}

void EarlyForgetShots() { Memory.fill(ShotMemory{}); }

// 1. The game as it stands, and a first shot to fall back on. 2. The opponents in the order the
// level looks at them. 3. The first stage of the level.
void EarlyPlanner::Begin(int shooter, Controller level, ComputerRandom* random) {
    shooter_ = shooter;
    level_ = level;
    random_ = random;
    decision_ = ShotDecision{};
    ready_ = false;
    searches_.clear();
    nextSearch_ = 0;
    searching_ = false;
    for (Candidate& result : results_) result = Candidate{};
    specialWeapon_ = -1;
    targets_.clear();
    targetIndex_ = 0;
    aimOffset_ = 0.0f;
    slices_ = 0;
    mostSliceSamples_ = 0;
    stage_ = Stage::Done;
    if (!TheLandscape || !ThePlayers || shooter < 0 || shooter >= MAX_PLAYERS) {
        ready_ = true;
        return;
    }
    const float gravity = TheProjectiles ? TheProjectiles->gravity : GRAVITY;
    sim_.Capture(TheLandscape, ThePlayers, gravity);
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
    if (level == ControllerEarlyEasy) {
        targets_ = {targets_[static_cast<std::size_t>(random->Below(static_cast<int>(targets_.size())))]};
    } else {
        std::stable_sort(targets_.begin(), targets_.end(), [&](int a, int b) {
            return TargetWorth(me, ThePlayers->players[a]) > TargetWorth(me, ThePlayers->players[b]);
        });
    }
    const int target = targets_.front();
    const AimGoal toward = GoalAt(target, WeaponShell, 0.0f);
    decision_.angle = AngleFor(45, toward.dir);
    decision_.power = 60;
    decision_.weapon = FirstInStock(me);
    decision_.target = target;

    switch (level) {
        case ControllerEarlyEasy: {
            std::int32_t weapon = WeaponShell;
            if (random->Below(EASY_SPECIAL_CHANCE) == 0) {
                const std::int32_t pick = WeaponSodSalvo + random->Below(WEAPON_COUNT - 1);
                if (InStock(me, pick)) weapon = pick;
            }
            StartAim(weapon, target);
            break;
        }
        case ControllerEarlyNormal:
            QueueShells(target, Preference::MostDamage, 15, 6, 75);
            stage_ = Stage::Shells;
            break;
        default:
            QueueShells(target, Preference::MostDamage, 4, 4, 100);
            stage_ = Stage::Shells;
            break;
    }
}

// Searches run until the slice has walked its share of samples; between stages Advance queues
// the next searches or makes the decision. The last slice decides with what it has.
bool EarlyPlanner::Think() {
    if (ready_) return true;
    slices_ += 1;
    std::int64_t samples = 0;
    while (!ready_ && samples < THINK_SLICE_SAMPLES) {
        if (searching_) {
            if (!current_.Step(sim_, &samples)) continue;
            searching_ = false;
            Candidate& best = results_[currentSlot_];
            if (!best.tried || Better(current_.Best(), best, current_.preference())) best = current_.Best();
            continue;
        }
        if (nextSearch_ >= searches_.size()) {
            Advance();
            continue;
        }
        const Search& search = searches_[nextSearch_++];
        current_ = PowerSearch(search.goal, search.angle, search.preference);
        currentSlot_ = search.slot;
        searching_ = true;
    }
    mostSliceSamples_ = std::max(mostSliceSamples_, samples);
    if (!ready_ && slices_ >= THINK_SLICES) FinishFallback();
    return ready_;
}

void EarlyPlanner::Queue(const AimGoal& goal, std::int32_t angle, Preference preference, Slot slot) {
    searches_.push_back(Search{goal, std::clamp(angle, 0, MAX_ANGLE), preference, slot});
}

void EarlyPlanner::QueueShells(int target, Preference preference, int firstElevation, int step,
                               int lastElevation) {
    const AimGoal goal = GoalAt(target, WeaponShell, 0.0f);
    for (int elevation = firstElevation; elevation <= lastElevation; elevation += step)
        Queue(goal, AngleFor(elevation, goal.dir), preference, SlotShell);
}

// The aim point: the target's middle, or the ground `offset` pixels beyond it along the line of
// fire (short of it when negative).
AimGoal EarlyPlanner::GoalAt(int target, std::int32_t weapon, float offset) const {
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
        goal.x += static_cast<float>(goal.dir) * offset;
        const Landscape& land = *sim_.landscape();
        const int column = std::clamp(static_cast<int>(goal.x), 0, land.width - 1);
        goal.y = static_cast<float>(land.SurfaceY(column));
    }
    return goal;
}

void EarlyPlanner::Advance() {
    switch (stage_) {
        case Stage::Shells:
            if (level_ == ControllerEarlyHard && results_[SlotShell].tried) {
                const std::int32_t angle = results_[SlotShell].angle;
                const AimGoal goal = GoalAt(targets_[targetIndex_], WeaponShell, 0.0f);
                for (int d : {-2, -1, 1, 2}) {
                    if (angle + d >= 0 && angle + d <= MAX_ANGLE)
                        Queue(goal, angle + d, Preference::MostDamage, SlotShell);
                }
                stage_ = Stage::Refine;
                return;
            }
            AfterShells();
            return;
        case Stage::Refine:
            AfterShells();
            return;
        case Stage::Special:
            AfterSpecial();
            return;
        case Stage::Aim: {
            const Candidate& aimed = results_[SlotAim];
            if (aimed.safe) {
                Finish(aimed, searches_.back().goal.weapon, searches_.back().goal.target);
                return;
            }
            // Nothing safe at the chosen angle: a shell over the usual fan, once.
            if (searches_.size() == 1) {
                AimGoal goal = searches_.back().goal;
                goal.weapon = WeaponShell;
                for (int elevation = 15; elevation <= 75; elevation += 6)
                    Queue(goal, AngleFor(elevation, goal.dir), Preference::Nearest, SlotAim);
                return;
            }
            FinishFallback();
            return;
        }
        case Stage::Done:
            ready_ = true;
            return;
    }
}

// 1. Hard moves on to the next target when the shells cannot reach this one. 2. The weapon the
// situation calls for: an A-Bomb for two tanks close together or a target out of a shell's reach,
// an Earth Mover to bore through to a target the shells cannot reach or a Sod Salvo to bury a near
// one, now and then lava into a valley.
// 3. Hard checks a special weapon with a search of its own; Normal aims.
void EarlyPlanner::AfterShells() {
    const int target = targets_[targetIndex_];
    const Candidate& shell = results_[SlotShell];
    const bool hits = shell.safe && shell.targetDamage > 0;
    if (level_ == ControllerEarlyHard && !hits && targetIndex_ + 1 < targets_.size() && targetIndex_ < 2) {
        targetIndex_ += 1;
        results_[SlotShell] = Candidate{};
        QueueShells(targets_[targetIndex_], Preference::MostDamage, 6, 8, 94);
        stage_ = Stage::Shells;
        return;
    }

    const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter_)];
    const bool cluster = ClusterMate(sim_, shooter_, target) >= 0;
    if (InStock(me, WeaponABomb) && (cluster || !hits)) {
        specialWeapon_ = WeaponABomb;
    } else if (!hits && InStock(me, WeaponEarthMover)) {
        specialWeapon_ = WeaponEarthMover;
    } else if (!hits && InStock(me, WeaponSodSalvo) &&
               std::abs(sim_.tanks()[target].x - sim_.tanks()[shooter_].x) <= SOD_REACH) {
        specialWeapon_ = WeaponSodSalvo;
    } else if (hits && InStock(me, WeaponLava) && InValley(*sim_.landscape(), sim_.tanks()[target]) &&
               random_->Below(LAVA_CHANCE) == 0) {
        specialWeapon_ = WeaponLava;
    }

    if (level_ != ControllerEarlyHard) {
        StartAim(specialWeapon_ >= 0 ? specialWeapon_ : WeaponShell, target);
        return;
    }
    if (specialWeapon_ < 0) {
        if (shell.safe) {
            Finish(shell, WeaponShell, target);
        } else {
            FinishFallback();
        }
        return;
    }
    AimGoal goal = GoalAt(target, specialWeapon_, 0.0f);
    const int mate = specialWeapon_ == WeaponABomb ? ClusterMate(sim_, shooter_, target) : -1;
    if (mate >= 0) {
        const TankBox& other = sim_.tanks()[mate];
        goal.x = (goal.x + static_cast<float>(other.x)) / 2.0f;
        goal.y = (goal.y + static_cast<float>(other.y - other.height / 2)) / 2.0f;
    }
    for (int elevation = 8; elevation <= 96; elevation += 8)
        Queue(goal, AngleFor(elevation, goal.dir), Preference::MostDamage, SlotSpecial);
    stage_ = Stage::Special;
}

// Hard takes the special weapon when it does what it was chosen for, and the shell otherwise.
void EarlyPlanner::AfterSpecial() {
    const int target = targets_[targetIndex_];
    const Candidate& shell = results_[SlotShell];
    const Candidate& special = results_[SlotSpecial];
    const bool shellHits = shell.safe && shell.targetDamage > 0;
    bool take = special.safe;
    if (specialWeapon_ == WeaponABomb)
        take = take && (special.opponentsHit >= 2 || !shellHits) && special.opponentsHit > 0;
    if (specialWeapon_ == WeaponLava) take = take && shellHits;
    if (take) {
        Finish(special, specialWeapon_, target);
    } else if (shell.safe) {
        Finish(shell, WeaponShell, target);
    } else {
        FinishFallback();
    }
}

// The point the level means to hit, misjudged by its error or corrected from the last shot's
// landing, and the angle it fires at: the last one at the same target, else its own choice.
void EarlyPlanner::StartAim(std::int32_t weapon, int target) {
    const LevelErrors& errors = ErrorsOf(level_);
    const ShotMemory& memory = Memory[static_cast<std::size_t>(shooter_)];
    const bool again = memory.target == target && memory.angle >= 0;
    const AimGoal straight = GoalAt(target, weapon, 0.0f);
    if (again && memory.landed) {
        const float seen =
            static_cast<float>(straight.dir) * static_cast<float>(memory.landX - sim_.tanks()[target].x);
        const int gain = errors.gainLow + random_->Below(errors.gainHigh - errors.gainLow + 1);
        aimOffset_ = memory.meantOffset - seen * static_cast<float>(gain) / 100.0f +
                     static_cast<float>(random_->Around(errors.laterSpread));
    } else {
        aimOffset_ = static_cast<float>(random_->Around(errors.firstSpread));
    }
    aimOffset_ = std::clamp(aimOffset_, -MAX_OFFSET, MAX_OFFSET);

    std::int32_t angle = 0;
    if (again) {
        angle = memory.angle;
    } else if (level_ == ControllerEarlyEasy || !results_[SlotShell].tried) {
        angle = AngleFor(EASY_LOW_ELEVATION + random_->Below(EASY_ELEVATIONS), straight.dir);
    } else {
        angle = results_[SlotShell].angle + random_->Around(errors.angleSpread);
    }

    AimGoal goal = GoalAt(target, weapon, aimOffset_);
    const int mate = weapon == WeaponABomb ? ClusterMate(sim_, shooter_, target) : -1;
    if (mate >= 0) goal.x += static_cast<float>(sim_.tanks()[mate].x - sim_.tanks()[target].x) / 2.0f;
    searches_.clear();
    nextSearch_ = 0;
    Queue(goal, angle, Preference::Nearest, SlotAim);
    stage_ = Stage::Aim;
}

// The decision, in stock, and what the next shot at the same target will correct from.
void EarlyPlanner::Finish(const Candidate& shot, std::int32_t weapon, int target) {
    const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter_)];
    decision_.angle = std::clamp(shot.angle, 0, MAX_ANGLE);
    decision_.power = std::clamp(shot.power, 0, MAX_POWER);
    decision_.weapon = InStock(me, weapon) ? weapon : FirstInStock(me);
    decision_.target = target;
    ShotMemory& memory = Memory[static_cast<std::size_t>(shooter_)];
    if (memory.target != target) memory = ShotMemory{};
    memory.target = target;
    memory.angle = decision_.angle;
    memory.meantOffset = aimOffset_;
    memory.landed = false;
    memory.shots += 1;
    ready_ = true;
    stage_ = Stage::Done;
}

// Out of time or out of luck: the best safe shot of any search, or the first guess.
void EarlyPlanner::FinishFallback() {
    const Candidate* best = nullptr;
    Slot slot = SlotShell;
    for (int s = 0; s < SLOT_COUNT; ++s) {
        const Candidate& c = results_[s];
        if (c.safe && (!best || Better(c, *best, Preference::Nearest))) {
            best = &c;
            slot = static_cast<Slot>(s);
        }
    }
    if (best) {
        const std::int32_t weapon = slot == SlotSpecial ? specialWeapon_
                                    : slot == SlotAim   ? searches_.back().goal.weapon
                                                        : WeaponShell;
        Finish(*best, weapon, targets_.empty() ? -1 : targets_[targetIndex_]);
        return;
    }
    ready_ = true;
    stage_ = Stage::Done;
}
