// What a computer player decides in its turn: the target, the weapon, and the angle and power found
// by searching predicted flights, then the errors of its level: a person's by eye below Hard, and
// above it errors that shrink as it brackets the target from one place.
//
// A turn's thinking runs in stages. Shells: searches over the powers at a fan of angles, from flat
// shots to high lobs, for the shell that hurts a target most, moving on to the next target while
// none can be hit. Special: the same for a special weapon the situation calls for. Clear: when
// nothing reaches any target, shots at the ground that stands in the way. Aim: Beginner, Easy and
// Normal set the power by eye and correct it from where the last shot landed (eye_aim.h); Hard
// fires at an angle and a point that it misjudges a little. No shot predicted to hurt the shooter
// is taken unless it also kills the target and leaves the shooter standing; when every shot would
// hurt, the least harmful one is fired. After STALEMATE_TURNS turns in which nobody lost armour, or
// after a few digging shots that led nowhere, a level searches the whole range of elevations and
// takes the digging and lobbing shots, without errors.
#include "computer/brain.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "computer/eye_aim.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"

namespace {

// How a level plays: the elevations of its shell fan, the targets it looks at before giving up on
// reaching one; the spread of its first shot at a target along the line of fire (pixels) and of its
// barrel (degrees), the percent of that spread left after each shot at the same target from the
// same place and the spread it never gets below; the percent of turns it takes a shell where a special would
// serve better; whether it uses the specials at all beyond a whim, and one turn in how many it pours lava
// into a valley. The lower levels aim by eye (computer/eye_aim.h) with the habits given instead of
// erring around the shot found.
struct LevelStyle {
    int firstElevation;
    int elevationStep;
    int lastElevation;
    int targetsSearched;
    int aimSpread;
    int angleSpread;
    int shrinkPercent;
    int aimFloor;
    int plainChance;
    bool specials;
    int lavaChance;
    bool byEye;
    EyeHabits eye;
};
constexpr LevelStyle BEGINNER_STYLE{
    45, 15, 75, 1, 52, 6, 68, 19, 60, false, 0, true, {0, 50, 30, 300, 4, false, 100}};
constexpr LevelStyle EASY_STYLE{
    35, 10, 75, 2, 39, 4, 66, 19, 35, true, 8, true, {15, 40, 45, 200, 3, false, 95}};
constexpr LevelStyle NORMAL_STYLE{
    12, 6, 84, 2, 30, 3, 62, 16, 25, true, 6, true, {50, 18, 65, 150, 1, true, 85}};
constexpr LevelStyle HARD_STYLE{8, 5, 88, 3, 23, 2, 60, 15, 12, true, 5, false, {}};
constexpr LevelStyle EXPERT_STYLE{4, 4, 88, 3, 16, 1, 50, 12, 0, true, 4, false, {}};

const LevelStyle& StyleOf(Controller level) {
    switch (level) {
        case ControllerBeginner:
            return BEGINNER_STYLE;
        case ControllerEasy:
            return EASY_STYLE;
        case ControllerNormal:
            return NORMAL_STYLE;
        case ControllerHard:
            return HARD_STYLE;
        default:
            return EXPERT_STYLE;
    }
}

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

// Beginner and Easy pick a firework on a whim one turn in this many when they have one.
constexpr int WHIM_CHANCE = 8;

// An offset never sends a shot further than this from the target.
constexpr float MAX_OFFSET = 400.0f;

// A tank this close to the target shares an A-Bomb with it; a target this far below the ground on
// both sides within VALLEY_REACH sits in a valley that lava runs into.
constexpr int CLUSTER_DX = 110;
constexpr int CLUSTER_DY = 60;
constexpr int VALLEY_DEPTH = 10;
constexpr int VALLEY_REACH = 40;
// Lava poured no nearer than this to the shooter cannot run down to it.
constexpr int LAVA_SPREAD = 150;

// A Sod Salvo sheds its earth over the first 160 samples of its path: it buries only a target about
// this near.
constexpr int SOD_REACH = 140;

// Armour a shell can take off in one direct hit: a target with no more is worth finishing. Hard and
// Expert spend an A-Bomb on a target with at least A_BOMB_ARMOUR left.
constexpr std::int32_t FINISHING_ARMOUR = 20;
constexpr std::int32_t A_BOMB_ARMOUR = 40;

// The missed shots remembered per shooter.
constexpr std::size_t MISSES_KEPT = 32;

std::array<ShotMemory, MAX_PLAYERS> Memory;
struct Misses {
    std::array<FiredShot, MISSES_KEPT> shots{};
    std::size_t count = 0;
    std::size_t next = 0;
};
std::array<Misses, MAX_PLAYERS> Missed;
// Each shooter's digging shots at the ground in the way since it last hurt an opponent this match:
// from DIGS_BEFORE_ANOTHER_WAY on it looks for another way, as out of a stalemate (every
// elevation, the other targets, the lob and the Earth Mover in turn).
std::array<int, MAX_PLAYERS> Digs{};
constexpr int DIGS_BEFORE_ANOTHER_WAY = 3;
// Each shooter's sense, this match, of how far a step of power carries a shot (percent of the
// truth; 0 until drawn).
std::array<int, MAX_PLAYERS> Feel{};
// Each shooter's last shot that took armour off an opponent.
std::array<FiredShot, MAX_PLAYERS> LastHit;
std::array<bool, MAX_PLAYERS> LastHitSet{};
// Each shooter's last shot as it was planned, until its outcome is noted.
std::array<FiredShot, MAX_PLAYERS> Pending;
std::array<bool, MAX_PLAYERS> PendingSet{};

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

// The highest surface between columns from and to (clamped to the landscape): its column and row.
void Highest(const Landscape& land, int from, int to, int* column, int* row) {
    *column = std::clamp(from, 0, land.width - 1);
    *row = land.height;
    for (int x = std::max(std::min(from, to), 0); x <= std::min(std::max(from, to), land.width - 1); ++x) {
        const int y = land.SurfaceY(x);
        if (y < *row) {
            *row = y;
            *column = x;
        }
    }
}

bool InValley(const Landscape& land, const TankBox& t) {
    int column = 0, left = 0, right = 0;
    Highest(land, t.x - VALLEY_REACH, t.x - t.width, &column, &left);
    Highest(land, t.x + t.width, t.x + VALLEY_REACH, &column, &right);
    return t.y - left >= VALLEY_DEPTH && t.y - right >= VALLEY_DEPTH;
}

std::int32_t FirstInStock(const Player& player) {
    for (std::int32_t w = WeaponShell; w < WEAPON_COUNT; ++w) {
        if (InStock(player, w)) return w;
    }
    return WeaponShell;
}

void Mix(std::uint32_t word, std::uint32_t* hash) {
    for (int byte = 0; byte < 4; ++byte) {
        *hash ^= (word >> (8 * byte)) & 0xFFu;
        *hash *= 16777619u;
    }
}

// The missed shot with its key in the ground as it left it, its own crater made, and in the wind it
// was fired in. A shooter since moved from where it fired never fires from there again: no key.
FiredShot AsLeft(int shooter, FiredShot shot) {
    if (!TheLandscape || !ThePlayers) return shot;
    const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter)];
    if (me.x != shot.x || me.y != shot.y) return shot;
    FlightSim sim;
    sim.Capture(TheLandscape, ThePlayers, TheProjectiles ? TheProjectiles->gravity : GRAVITY);
    sim.SetWind(shot.wind);
    shot.key = ShotKey(sim, shooter, shot.angle, shot.power, shot.weapon);
    return shot;
}

// spread * percent^shots / 100^shots.
int Shrunk(int spread, int percent, int shots) {
    for (int i = 0; i < shots && spread > 0; ++i) spread = spread * percent / 100;
    return spread;
}

// A float's bits as a word, for hashing (std::bit_cast is missing from some standard libraries).
std::uint32_t Bits(float value) {
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

}  // namespace

std::uint32_t ShotKey(const FlightSim& sim, int shooter, std::int32_t angle, std::int32_t power,
                      std::int32_t weapon) {
    const TankBox& from = sim.tanks()[static_cast<std::size_t>(shooter)];
    const FlightResult end = sim.Shot(shooter, angle, power, weapon);
    std::uint32_t hash = 2166136261u;
    for (std::uint32_t word :
         {static_cast<std::uint32_t>(from.x), static_cast<std::uint32_t>(from.y), Bits(sim.windStep()),
          static_cast<std::uint32_t>(end.end), static_cast<std::uint32_t>(end.tank),
          static_cast<std::uint32_t>(end.ticks), static_cast<std::uint32_t>(end.samples), Bits(end.x),
          Bits(end.y), Bits(end.entryX), Bits(end.entryY)})
        Mix(word, &hash);
    return hash;
}

const ShotMemory& RememberedShot(int shooter) {
    static const ShotMemory NONE{};
    return shooter >= 0 && shooter < MAX_PLAYERS ? Memory[static_cast<std::size_t>(shooter)] : NONE;
}

void NoteShotLanded(int shooter, int target, std::int32_t x, std::int32_t y) {
    if (shooter < 0 || shooter >= MAX_PLAYERS) return;
    ShotMemory& memory = Memory[static_cast<std::size_t>(shooter)];
    if (memory.target != target) return;
    memory.landed = true;
    memory.landX = x;
    memory.landY = y;
}

// A shot that hurt nobody is kept with the wind and place it was fired in and its key in the ground
// as it left it: fired again into the same, it would only come down where it did.
void NoteShotOutcome(int shooter, bool hurtOpponent) {
    if (shooter < 0 || shooter >= MAX_PLAYERS) return;
    const auto s = static_cast<std::size_t>(shooter);
    if (!PendingSet[s]) return;
    PendingSet[s] = false;
    if (hurtOpponent) {
        Digs[s] = 0;
        LastHit[s] = Pending[s];
        LastHitSet[s] = true;
        return;
    }
    Misses& misses = Missed[s];
    misses.shots[misses.next] = AsLeft(shooter, Pending[s]);
    misses.next = (misses.next + 1) % MISSES_KEPT;
    misses.count = std::min(misses.count + 1, MISSES_KEPT);
}

void ForgetShots() {
    Memory.fill(ShotMemory{});
    Missed.fill(Misses{});
    PendingSet.fill(false);
    LastHitSet.fill(false);
    Feel.fill(0);
    Digs.fill(0);
}

void BrainResetForTests() { ForgetShots(); }

// 1. The game as it stands. 2. The opponents in the order the level looks at them: Beginner one at
// random, the others the most worth shooting first. 3. The shell fan at the first of them.
void TurnPlanner::Begin(int shooter, Controller level, ComputerRandom* random, int quietTurns) {
    shooter_ = shooter;
    level_ = level;
    random_ = random;
    decision_ = ShotDecision{};
    ready_ = false;
    quietTurns_ = quietTurns;
    const auto s = static_cast<std::size_t>(shooter >= 0 && shooter < MAX_PLAYERS ? shooter : 0);
    stalemate_ = quietTurns >= STALEMATE_TURNS || Digs[s] >= DIGS_BEFORE_ANOTHER_WAY;
    refined_ = false;
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
    bestKillTarget_ = -1;
    bestKillWeapon_ = WeaponShell;
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
    std::stable_sort(targets_.begin(), targets_.end(), [&](int a, int b) {
        return TargetWorth(me, ThePlayers->players[a]) > TargetWorth(me, ThePlayers->players[b]);
    });
    if (level == ControllerBeginner) {
        const auto pick = static_cast<std::size_t>(random->Below(static_cast<int>(targets_.size())));
        std::rotate(targets_.begin(), targets_.begin() + static_cast<std::ptrdiff_t>(pick), targets_.end());
    }
    const LevelStyle& style = StyleOf(level);
    const int target = targets_.front();
    decision_.target = target;
    // A person tries again what hit from here last time: the angle of that shot and those beside it
    // are searched first (the wind or the ground may have changed since).
    const TankBox& self = sim_.tanks()[shooter];
    const FiredShot& hit = LastHit[static_cast<std::size_t>(shooter)];
    if (LastHitSet[static_cast<std::size_t>(shooter)] && hit.x == self.x && hit.y == self.y) {
        const AimGoal goal = GoalAt(target, WeaponShell, 0.0f);
        // The scan is shifted to pass through that shot's power.
        const int shift =
            ((PowerSearch::SCAN_SHIFT_BASE - hit.power) % PowerSearch::SCAN_STEP + PowerSearch::SCAN_STEP) %
            PowerSearch::SCAN_STEP;
        for (int step = -1; step <= 1; ++step)
            Queue(goal, hit.angle + step, Preference::MostDamage, SlotShell, shift);
    }
    if (stalemate_) {
        // Every elevation a tank can fire at, a few degrees apart from a first one drawn afresh
        // each turn, so that the narrow ways over a peak or onto a ledge are all tried in time.
        // Each search scans powers of its own drawing too, so that no power is left out for ever.
        const AimGoal goal = GoalAt(target, WeaponShell, 0.0f);
        const int first = STALEMATE_FIRST_ELEVATION + random->Below(STALEMATE_ELEVATION_STEP);
        for (int elevation = first; elevation <= STALEMATE_LAST_ELEVATION;
             elevation += STALEMATE_ELEVATION_STEP)
            Queue(goal, AngleFor(elevation, goal.dir), Preference::MostDamage, SlotShell,
                  random->Below(STALEMATE_POWER_SHIFTS));
    } else {
        QueueFan(GoalAt(target, WeaponShell, 0.0f), Preference::MostDamage, SlotShell, style.firstElevation,
                 style.elevationStep, style.lastElevation);
    }
    stage_ = Stage::Shells;
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
            const AimGoal& goal = current_.Goal();
            Candidate& best = results_[currentSlot_];
            if (!best.tried || Better(current_.Best(), best, current_.preference())) {
                best = current_.Best();
                resultTargets_[currentSlot_] = goal.target;
                resultWeapons_[currentSlot_] = goal.weapon;
            }
            const Candidate& harm = current_.LeastHarm();
            if (harm.tried && (!leastHarm_.tried || LessHarm(harm, leastHarm_))) {
                leastHarm_ = harm;
                leastHarmTarget_ = goal.target;
                leastHarmWeapon_ = goal.weapon;
                // What would be fired were the thinking cut short: never worse than this.
                decision_.angle = harm.angle;
                decision_.power = harm.power;
                decision_.weapon = goal.weapon;
                decision_.target = goal.target;
            }
            const Candidate& top = current_.Best();
            if (!top.safe && top.kills && (!bestKill_.tried || top.selfDamage < bestKill_.selfDamage)) {
                bestKill_ = top;
                bestKillTarget_ = goal.target;
                bestKillWeapon_ = goal.weapon;
            }
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
        const Candidate& shell = results_[SlotShell];
        if (Hits(shell)) {
            Finish(shell, resultWeapons_[SlotShell], resultTargets_[SlotShell]);
        } else {
            FinishLeastHarm();
        }
    }
    return ready_;
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

// Lava that comes down in the target's valley, no lower than the target, runs down onto it; it
// must not be able to run down to the shooter as well.
bool TurnPlanner::PoursOnto(const Candidate& c, int target) const {
    if (!c.tried || !c.flight.Landed() || target < 0) return false;
    const TankBox& them = sim_.tanks()[target];
    const TankBox& me = sim_.tanks()[shooter_];
    const int x = static_cast<int>(c.flight.x);
    const int y = static_cast<int>(c.flight.y);
    const bool spares = std::abs(x - me.x) > LAVA_SPREAD || me.y < y;
    return std::abs(x - them.x) <= VALLEY_REACH && y <= them.y && spares;
}

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
        case Stage::Aim: {
            // A person's misjudged shot lands near where it was meant; one that the angle sent
            // somewhere else entirely (into a hill) is aimed again at the best angle.
            const Candidate& aimed = results_[SlotAim];
            const bool near = aimed.miss2 <= aimReach_ * aimReach_;
            if (aimed.safe && near) {
                Finish(aimed, aimWeapon_, aimTarget_);
            } else if (!aimRetried_ && aimed.angle != aimBest_.angle) {
                aimRetried_ = true;
                const AimGoal goal = searches_.back().goal;
                results_[SlotAim] = Candidate{};
                Queue(goal, aimBest_.angle, Preference::Nearest, SlotAim);
            } else {
                Finish(aimBest_, aimWeapon_, aimTarget_);
            }
            return;
        }
        case Stage::Done:
            ready_ = true;
            return;
    }
}

// 1. While no shell reaches the target, the next target, with a coarser fan. 2. The weapon the
// situation calls for: an A-Bomb for two tanks close together, a target well armoured or one out of
// a shell's reach; an Earth Mover to bore through to a target the shells cannot reach or a Sod
// Salvo to bury a near one; now and then lava into a valley. A level may take the shell all the
// same. 3. A search of the special weapon.
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
        // Out of a stalemate the angles on either side of the nearest shell are tried too: the
        // narrow way into a chasm or a cave may lie between the fan's angles.
        refined_ = true;
        const AimGoal goal = GoalAt(resultTargets_[SlotShell], WeaponShell, 0.0f);
        for (int step = 1; step <= STALEMATE_REFINE_DEGREES; ++step) {
            Queue(goal, shell.angle - step, Preference::MostDamage, SlotShell);
            Queue(goal, shell.angle + step, Preference::MostDamage, SlotShell);
        }
        return;
    }
    const int target = hits ? resultTargets_[SlotShell] : targets_.front();
    const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter_)];
    const Player& them = ThePlayers->players[static_cast<std::size_t>(target)];
    const bool cluster = ClusterMate(sim_, shooter_, target) >= 0;
    const bool near = std::abs(sim_.tanks()[target].x - sim_.tanks()[shooter_].x) <= SOD_REACH;
    const bool strong = level_ == ControllerHard || level_ == ControllerExpert;
    if (style.specials || stalemate_) {
        if (InStock(me, WeaponABomb) && (cluster || !hits || (strong && them.armour >= A_BOMB_ARMOUR))) {
            specialWeapon_ = WeaponABomb;
        } else if (!hits && InStock(me, WeaponEarthMover)) {
            specialWeapon_ = WeaponEarthMover;
        } else if (!hits && near && InStock(me, WeaponSodSalvo)) {
            specialWeapon_ = WeaponSodSalvo;
        } else if (InStock(me, WeaponLava) && InValley(*sim_.landscape(), sim_.tanks()[target]) &&
                   (hits ? style.lavaChance > 0 && random_->Below(style.lavaChance) == 0
                         : style.lavaChance > 0 || stalemate_)) {
            // Lava runs down into a valley: now and then for a target a shell can reach, and
            // whenever no shell reaches one.
            specialWeapon_ = WeaponLava;
        }
        if (specialWeapon_ >= 0 && !stalemate_ && random_->Below(100) < style.plainChance)
            specialWeapon_ = -1;
    } else if (hits && InStock(me, WeaponFirework) && random_->Below(WHIM_CHANCE) == 0) {
        specialWeapon_ = WeaponFirework;
    }
    if (specialWeapon_ < 0) {
        AfterSpecial();
        return;
    }
    AimGoal goal = GoalAt(target, specialWeapon_, 0.0f);
    const int mate = specialWeapon_ == WeaponABomb ? ClusterMate(sim_, shooter_, target) : -1;
    if (mate >= 0) {
        const TankBox& other = sim_.tanks()[mate];
        goal.x = (goal.x + static_cast<float>(other.x)) / 2.0f;
        goal.y = (goal.y + static_cast<float>(other.y - other.height / 2)) / 2.0f;
    }
    QueueFan(goal, Preference::MostDamage, SlotSpecial, 8, 8, 88);
    stage_ = Stage::Special;
}

// The special weapon when it does what it was chosen for; then, when nothing reaches a target, a
// search for a shot at the ground in the way; else the aim.
void TurnPlanner::AfterSpecial() {
    const Candidate& shell = results_[SlotShell];
    const Candidate& special = results_[SlotSpecial];
    const bool shellHits = Hits(shell);
    bool take = specialWeapon_ >= 0 && special.safe;
    if (specialWeapon_ == WeaponABomb) take = take && special.opponentsHit > 0;
    if (specialWeapon_ == WeaponFirework) take = take && special.targetDamage > 0;
    if (specialWeapon_ == WeaponLava) take = take && PoursOnto(special, resultTargets_[SlotSpecial]);
    if (specialWeapon_ == WeaponSodSalvo || specialWeapon_ == WeaponEarthMover)
        take = take && !shellHits && special.miss2 < 30.0f * 30.0f;
    if (take) {
        StartAim(special, specialWeapon_, resultTargets_[SlotSpecial]);
        return;
    }
    if (shellHits && !(stalemate_ && Repeats(shell, WeaponShell))) {
        StartAim(shell, WeaponShell, resultTargets_[SlotShell]);
        return;
    }
    // Nothing reaches: where the shell that came nearest was stopped short of the target, or else
    // the highest ground between the shooter and the target, outside the shell's blast of the
    // shooter; shells there wear the obstacle down.
    const int target = targets_.front();
    const TankBox& me = sim_.tanks()[shooter_];
    const TankBox& them = sim_.tanks()[target];
    const int dir = them.x >= me.x ? 1 : -1;
    const int keep = ReachOf(WeaponShell).keepAway + 6;
    int column = 0, row = 0;
    const FlightResult& stopped = shell.flight;
    const int stopX = static_cast<int>(stopped.x);
    if (shell.tried && stopped.Landed() && std::abs(stopX - me.x) >= keep &&
        dir * (them.x - stopX) > them.width) {
        column = stopX;
        row = static_cast<int>(stopped.y);
    } else {
        Highest(*sim_.landscape(), me.x + dir * keep, them.x - dir * (them.width / 2 + 2), &column, &row);
    }
    if (std::abs(column - me.x) >= keep && std::abs(column - them.x) > 0) {
        AimGoal goal = GoalAt(target, WeaponShell, 0.0f);
        goal.x = static_cast<float>(column);
        goal.y = static_cast<float>(row);
        QueueFan(goal, Preference::Nearest, SlotClear, 10, 8, 88);
        stage_ = Stage::Clear;
        return;
    }
    AfterClear();
}

// Nothing reaches a target. In turn: a special weapon that was searched and lands safely, the shot
// at the ground in the way, the shell that comes nearest; a shot that missed from here before is
// passed over while there is another.
void TurnPlanner::AfterClear() {
    const Candidate& shell = results_[SlotShell];
    const Candidate& special = results_[SlotSpecial];
    const Candidate& clear = results_[SlotClear];
    struct Choice {
        const Candidate* shot;
        std::int32_t weapon;
        int target;
    };
    std::array<Choice, 3> choices{{{&special, specialWeapon_, resultTargets_[SlotSpecial]},
                                   {&clear, WeaponShell, resultTargets_[SlotClear]},
                                   {&shell, WeaponShell, resultTargets_[SlotShell]}}};
    // Out of a stalemate the shell nearest the target comes first, then the digging.
    if (!stalemate_) std::rotate(choices.begin(), choices.begin() + 2, choices.end());
    // In a stalemate the three take turns at coming first.
    if (stalemate_) std::rotate(choices.begin(), choices.begin() + quietTurns_ % 3, choices.end());
    const Choice* pick = nullptr;
    for (const Choice& c : choices) {
        if (!c.shot->tried || !c.shot->safe || c.weapon < 0) continue;
        if (!pick) pick = &c;
        if (!Repeats(*c.shot, c.weapon)) {
            pick = &c;
            break;
        }
    }
    if (!pick) {
        FinishLeastHarm();
        return;
    }
    if (pick->shot == &shell || pick->shot == &special) {
        StartAim(*pick->shot, pick->weapon, pick->target);
    } else {
        Finish(*pick->shot, pick->weapon, pick->target);
        Digs[static_cast<std::size_t>(shooter_)] += 1;
    }
}

// The level's errors, by eye (AimByEye) or else these: the angle strays from the best by up to its
// spread and the shot is meant for a point off the target by up to its spread, both shrinking with
// each shot at the same target from the same place. Once the last shot has been seen, the next
// errs to its other side.
void TurnPlanner::StartAim(const Candidate& best, std::int32_t weapon, int target) {
    const LevelStyle& style = StyleOf(level_);
    if (style.byEye && !stalemate_) {
        AimByEye(best, weapon, target);
        return;
    }
    const ShotMemory& memory = Memory[static_cast<std::size_t>(shooter_)];
    const TankBox& me = sim_.tanks()[shooter_];
    const bool again = memory.target == target && memory.fromX == me.x && memory.fromY == me.y;
    const int shots = again ? memory.shots : 0;
    const int aimSpread = stalemate_ ? 0
                                     : std::max(std::min(style.aimFloor, style.aimSpread),
                                                Shrunk(style.aimSpread, style.shrinkPercent, shots));
    const int angleSpread = stalemate_ ? 0 : Shrunk(style.angleSpread, style.shrinkPercent, shots);
    if (aimSpread <= 0 && angleSpread <= 0) {
        Finish(best, weapon, target);
        return;
    }
    const AimGoal straight = GoalAt(target, weapon, 0.0f);
    float size = static_cast<float>(aimSpread) * static_cast<float>(40 + random_->Below(61)) / 100.0f;
    int side = random_->Below(2) == 0 ? -1 : 1;
    if (again && memory.landed) {
        const int seen = straight.dir * (memory.landX - sim_.tanks()[target].x);
        side = seen > 0 ? -1 : 1;
    }
    aimOffset_ = std::clamp(static_cast<float>(side) * size, -MAX_OFFSET, MAX_OFFSET);
    std::int32_t angle = best.angle + random_->Around(angleSpread);
    // The barrel stays on the side it was on.
    if (straight.dir > 0) {
        angle = std::clamp(angle, 90, MAX_ANGLE - 1);
    } else {
        angle = std::clamp(angle, 1, 90);
    }
    AimGoal goal = GoalAt(target, weapon, aimOffset_);
    const int mate = weapon == WeaponABomb ? ClusterMate(sim_, shooter_, target) : -1;
    if (mate >= 0) goal.x += static_cast<float>(sim_.tanks()[mate].x - sim_.tanks()[target].x) / 2.0f;
    searches_.clear();
    nextSearch_ = 0;
    aimBest_ = best;
    aimWeapon_ = weapon;
    aimTarget_ = target;
    aimReach_ = static_cast<float>(2 * aimSpread + 24);
    aimRetried_ = false;
    Queue(goal, angle, Preference::Nearest, SlotAim);
    stage_ = Stage::Aim;
}

// A level that aims by eye: from a new place, or after a shot the ground stopped well short, the
// search's angle at a power it guesses; else the last shot's angle at its power corrected from
// where it landed. A shot that would hurt the shooter is not fired: the search's is. One that
// flies off the side is, as a person's would be.
void TurnPlanner::AimByEye(const Candidate& best, std::int32_t weapon, int target) {
    const LevelStyle& style = StyleOf(level_);
    const auto s = static_cast<std::size_t>(shooter_);
    ShotMemory& memory = Memory[s];
    const TankBox& me = sim_.tanks()[shooter_];
    const TankBox& them = sim_.tanks()[target];
    const int dir = them.x >= me.x ? 1 : -1;
    const bool again = memory.target == target && memory.weapon == weapon && memory.landed &&
                       SamePlace(me.x, me.y, memory.fromX, memory.fromY);
    const bool stopped = dir * (memory.landX - me.x) < std::abs(them.x - me.x) / 2;
    if (Feel[s] == 0)
        Feel[s] = style.eye.feelLow + random_->Below(style.eye.feelHigh - style.eye.feelLow + 1);
    std::int32_t angle = best.angle;
    std::int32_t power = 0;
    if (again && !stopped) {
        angle = memory.angle;
        power = NextPowerByEye(sim_, shooter_, memory, them.x, style.eye, Feel[s], random_);
        memory.havePrevious = true;
        memory.previousPower = memory.power;
        memory.previousMiss = dir * (memory.landX - them.x);
    } else {
        power = FirstPowerByEye(sim_, shooter_, best.angle, best.power, weapon, style.eye, random_);
        memory.havePrevious = false;
    }
    aimOffset_ = 0.0f;
    const Candidate shot = Assess(sim_, GoalAt(target, weapon, 0.0f), angle, power);
    Finish(shot.selfDamage == 0 ? shot : best, weapon, target);
}

// Whether the shot is one that hurt nobody from this place, fired in the same wind into ground that
// is the same along its path (in a stalemate, in any).
bool TurnPlanner::Repeats(const Candidate& shot, std::int32_t weapon) const {
    const Misses& misses = Missed[static_cast<std::size_t>(shooter_)];
    const TankBox& me = sim_.tanks()[shooter_];
    std::optional<std::uint32_t> key;
    for (std::size_t i = 0; i < misses.count; ++i) {
        const FiredShot& m = misses.shots[i];
        if (m.angle != shot.angle || m.power != shot.power || m.weapon != weapon || m.x != me.x ||
            m.y != me.y)
            continue;
        // Out of a stalemate a shot that missed from here is not fired again in any ground or wind.
        if (stalemate_) return true;
        if (!key) key = ShotKey(sim_, shooter_, shot.angle, shot.power, weapon);
        if (m.key == *key) return true;
    }
    return false;
}

// The decision, in stock; a shot that missed here before moves its power or angle a little while
// it stays safe. Remembers what the next shot at the same target corrects from.
void TurnPlanner::Finish(const Candidate& shot, std::int32_t weapon, int target) {
    const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter_)];
    if (!InStock(me, weapon)) weapon = WeaponShell;
    Candidate chosen = shot;
    if (target >= 0 && Repeats(chosen, weapon)) {
        AimGoal goal = GoalAt(target, weapon, 0.0f);
        static constexpr std::array<std::array<int, 2>, 8> NUDGES{
            {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {0, 2}, {0, -2}, {2, 1}, {-2, -1}}};
        const int first = random_->Below(static_cast<int>(NUDGES.size()));
        for (std::size_t i = 0; i < NUDGES.size(); ++i) {
            const auto& nudge = NUDGES[(static_cast<std::size_t>(first) + i) % NUDGES.size()];
            const std::int32_t angle = std::clamp(shot.angle + nudge[0], 0, MAX_ANGLE);
            const std::int32_t power = std::clamp(shot.power + nudge[1], 0, MAX_POWER);
            const Candidate other = Assess(sim_, goal, angle, power);
            if (other.safe == shot.safe && other.selfDamage <= shot.selfDamage && !Repeats(other, weapon)) {
                chosen = other;
                break;
            }
        }
    }
    decision_.angle = std::clamp(chosen.angle, 0, MAX_ANGLE);
    decision_.power = std::clamp(chosen.power, 0, MAX_POWER);
    decision_.weapon = weapon;
    decision_.target = target;
    ShotMemory& memory = Memory[static_cast<std::size_t>(shooter_)];
    const TankBox& self = sim_.tanks()[shooter_];
    if (memory.target != target || !SamePlace(self.x, self.y, memory.fromX, memory.fromY))
        memory = ShotMemory{};
    memory.target = target;
    memory.angle = decision_.angle;
    memory.power = decision_.power;
    memory.weapon = weapon;
    memory.fromX = self.x;
    memory.fromY = self.y;
    memory.meantOffset = aimOffset_;
    memory.landed = false;
    memory.shots += 1;
    memory.wind = sim_.landscape()->wind;
    const auto s = static_cast<std::size_t>(shooter_);
    Pending[s] =
        FiredShot{decision_.angle, decision_.power, weapon, 0, sim_.landscape()->wind, self.x, self.y};
    PendingSet[s] = true;
    ready_ = true;
    stage_ = Stage::Done;
}

// No safe shot: one that kills the target and leaves the shooter standing, else the one that would
// hurt the shooter least of all predicted.
void TurnPlanner::FinishLeastHarm() {
    const std::int32_t armour = sim_.armour()[static_cast<std::size_t>(shooter_)];
    if (bestKill_.tried && bestKill_.selfDamage < armour) {
        Finish(bestKill_, bestKillWeapon_, bestKillTarget_);
        return;
    }
    if (leastHarm_.tried) {
        // Boxed in, a weapon without a blast of its own (or a small one) fired the same way hurts
        // less than a shell, and may dig the tank out.
        Candidate shot = leastHarm_;
        std::int32_t weapon = leastHarmWeapon_;
        const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter_)];
        if (shot.selfDamage > 1 && leastHarmTarget_ >= 0) {
            for (std::int32_t gentle : {WeaponEarthMover, WeaponSodSalvo, WeaponFirework}) {
                if (!InStock(me, gentle)) continue;
                const Candidate other =
                    Assess(sim_, GoalAt(leastHarmTarget_, gentle, 0.0f), shot.angle, shot.power);
                if (LessHarm(other, shot)) {
                    shot = other;
                    weapon = gentle;
                }
            }
        }
        Finish(shot, weapon, leastHarmTarget_);
        return;
    }
    ready_ = true;
    stage_ = Stage::Done;
}
