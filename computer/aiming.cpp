// A computer player's aim with its level's errors, and the shot it finally fires.
#include <algorithm>
#include <array>
#include <optional>

#include "computer/eye_aim.h"
#include "computer/level_style.h"
#include "computer/shot_memory.h"
#include "computer/situation.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"

namespace {

// An offset never sends a shot further than this from the target.
constexpr float MAX_OFFSET = 400.0f;
// Boxed in, the way out is sought among angles this many degrees apart, and it is meant to come
// down at least this many pixels to either side: a crater nearer may undermine the tank and drop
// it deeper.
constexpr std::int32_t ESCAPE_STEP = 2;
constexpr float ESCAPE_CLEARANCE = 48.0f;
// A shot that kills the target but hurts the shooter is fired only when the shooter would keep at
// least this much armour more than the blast is predicted to take: the ground it stands on may go
// too, and the fall hurt it further.
constexpr std::int32_t KILL_MARGIN = 10;

// spread * percent^shots / 100^shots.
int Shrunk(int spread, int percent, int shots) {
    for (int i = 0; i < shots && spread > 0; ++i) spread = spread * percent / 100;
    return spread;
}

}  // namespace

// Where a way out of a hole should come down: on the ground twice the clearance off to one side.
AimGoal TurnPlanner::EscapeGoal(int dir) const {
    AimGoal goal = GoalAt(leastHarmTarget_, WeaponShell, 0.0f);
    const Landscape& land = *sim_.landscape();
    const int column = std::clamp(sim_.tanks()[shooter_].x + dir * static_cast<int>(2 * ESCAPE_CLEARANCE), 0,
                                  land.width - 1);
    goal.dir = dir;
    goal.x = static_cast<float>(column);
    goal.y = static_cast<float>(land.SurfaceY(column));
    return goal;
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
    const ShotMemory& memory = MemoryOf(shooter_).shot;
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

// A person's misjudged shot lands near where it was meant; one that the angle sent somewhere else
// entirely (into a hill) is aimed again at the best angle.
void TurnPlanner::AfterAim() {
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
}

// A level that aims by eye: from a new place, or after a shot the ground stopped well short, the
// search's angle at a power it guesses; else the last shot's angle at its power corrected from
// where it landed. A shot that would hurt the shooter is not fired: the search's is. One that
// flies off the side is, as a person's would be.
void TurnPlanner::AimByEye(const Candidate& best, std::int32_t weapon, int target) {
    const LevelStyle& style = StyleOf(level_);
    ShooterMemory& remembered = MemoryOf(shooter_);
    ShotMemory& memory = remembered.shot;
    const TankBox& me = sim_.tanks()[shooter_];
    const TankBox& them = sim_.tanks()[target];
    const int dir = them.x >= me.x ? 1 : -1;
    const bool again = memory.target == target && memory.weapon == weapon && memory.landed &&
                       SamePlace(me.x, me.y, memory.fromX, memory.fromY);
    const bool stopped = dir * (memory.landX - me.x) < std::abs(them.x - me.x) / 2;
    if (remembered.feel == 0)
        remembered.feel = style.eye.feelLow + random_->Below(style.eye.feelHigh - style.eye.feelLow + 1);
    std::int32_t angle = best.angle;
    std::int32_t power = 0;
    if (again && !stopped) {
        angle = memory.angle;
        power = NextPowerByEye(sim_, shooter_, memory, them.x, style.eye, remembered.feel, random_);
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
// is the same along its path (in a stalemate, in any), or one worn out from here in any.
bool TurnPlanner::Repeats(const Candidate& shot, std::int32_t weapon) const {
    if (Worn(shot, weapon)) return true;
    const Misses& misses = MemoryOf(shooter_).misses;
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

// Whether the shot has come down from here a few times no nearer its target (WornOut).
bool TurnPlanner::Worn(const Candidate& shot, std::int32_t weapon) const {
    const TankBox& me = sim_.tanks()[shooter_];
    return WornOut(MemoryOf(shooter_).misses, FiredShot{shot.angle, shot.power, weapon, 0, 0, me.x, me.y});
}

// The shot itself, nudged a little in power or angle while it stays safe when it missed here before.
Candidate TurnPlanner::Unrepeated(const Candidate& shot, std::int32_t weapon, int target) {
    if (target < 0 || !Repeats(shot, weapon)) return shot;
    const AimGoal goal = GoalAt(target, weapon, 0.0f);
    static constexpr std::array<std::array<int, 2>, 8> NUDGES{
        {{0, 1}, {0, -1}, {1, 0}, {-1, 0}, {0, 2}, {0, -2}, {2, 1}, {-2, -1}}};
    const int first = random_->Below(static_cast<int>(NUDGES.size()));
    for (std::size_t i = 0; i < NUDGES.size(); ++i) {
        const auto& nudge = NUDGES[(static_cast<std::size_t>(first) + i) % NUDGES.size()];
        const std::int32_t angle = std::clamp(shot.angle + nudge[0], 0, MAX_ANGLE);
        const std::int32_t power = std::clamp(shot.power + nudge[1], 0, MAX_POWER);
        const Candidate other = Assess(sim_, goal, angle, power);
        if (other.safe == shot.safe && other.selfDamage <= shot.selfDamage && !Repeats(other, weapon))
            return other;
    }
    return shot;
}

// The decision, in stock and not a shot that missed here before. Remembers what the next shot at
// the same target corrects from, and the shot until its outcome is noted.
void TurnPlanner::Finish(const Candidate& shot, std::int32_t weapon, int target) {
    const Player& me = ThePlayers->players[static_cast<std::size_t>(shooter_)];
    if (!InStock(me, weapon)) weapon = WeaponShell;
    const Candidate chosen = Unrepeated(shot, weapon, target);
    decision_.angle = std::clamp(chosen.angle, 0, MAX_ANGLE);
    decision_.power = std::clamp(chosen.power, 0, MAX_POWER);
    decision_.weapon = weapon;
    decision_.target = target;
    ShooterMemory& remembered = MemoryOf(shooter_);
    ShotMemory& memory = remembered.shot;
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
    remembered.pending =
        FiredShot{decision_.angle, decision_.power, weapon, 0, sim_.landscape()->wind, self.x, self.y};
    remembered.pendingSet = true;
    ready_ = true;
    stage_ = Stage::Done;
}

// No safe shot: one that kills the target and leaves the shooter well standing, else a safe way out of
// a hole that the level's fan stepped over, sought at every angle both ways ESCAPE_STEP degrees
// apart (a shot merely predicted to hurt a little may dig the tank deeper), else the one that
// would hurt the shooter least of all predicted. Boxed in, a weapon without a blast of its own (or
// a small one) fired the same way hurts less than a shell, and may dig the tank out. A safe way
// that comes down short of the clearance is taken before a blast on the tank unless it missed from
// here before and the blast leaves armour to spare; with none to spare, a shot lost off a side,
// which hurts nobody, is taken rather than the blast, else a way worn out from here.
void TurnPlanner::FinishLeastHarm() {
    const std::int32_t armour = sim_.armour()[static_cast<std::size_t>(shooter_)];
    if (bestKill_.tried && bestKill_.selfDamage + KILL_MARGIN < armour) {
        Finish(bestKill_, bestKillWeapon_, bestKillTarget_);
        return;
    }
    if (!escapeSought_ && leastHarm_.tried && leastHarm_.selfDamage > 0 && leastHarmTarget_ >= 0) {
        escapeSought_ = true;
        searches_.clear();
        nextSearch_ = 0;
        results_[SlotClear] = Candidate{};
        wornWay_ = Candidate{};
        for (std::int32_t angle = 1; angle < MAX_ANGLE; angle += ESCAPE_STEP)
            Queue(EscapeGoal(angle > 90 ? 1 : -1), angle, Preference::Nearest, SlotClear);
        stage_ = Stage::Escape;
        return;
    }
    if (!leastHarm_.tried) {
        ready_ = true;
        stage_ = Stage::Done;
        return;
    }
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
    const bool spare = shot.selfDamage + KILL_MARGIN < armour;
    const Candidate& way = results_[SlotClear];
    const bool clear =
        std::abs(way.flight.x - static_cast<float>(sim_.tanks()[shooter_].x)) > ESCAPE_CLEARANCE;
    if (stage_ == Stage::Escape && way.safe && (clear || !spare || !Repeats(way, WeaponShell))) {
        Finish(way, WeaponShell, resultTargets_[SlotClear]);
        return;
    }
    if (!spare && harmless_.tried) {
        shot = harmless_;
        weapon = WeaponShell;
    } else if (!spare && stage_ == Stage::Escape && wornWay_.safe) {
        shot = wornWay_;
        weapon = WeaponShell;
    }
    Finish(shot, weapon, leastHarmTarget_);
}
