// Which special weapon a computer player reaches for, and whether the one searched does its job.
#include <algorithm>
#include <cstdlib>

#include "computer/brain.h"
#include "computer/level_style.h"
#include "computer/situation.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"

namespace {

// Beginner and Easy pick a firework on a whim one turn in this many when they have one.
constexpr int WHIM_CHANCE = 8;
// Lava poured no nearer than this to the shooter cannot run down to it.
constexpr int LAVA_SPREAD = 150;
// A Sod Salvo sheds its earth over the first 160 samples of its path: it buries only a target about
// this near.
constexpr int SOD_REACH = 140;
// Hard and Expert spend an A-Bomb on a target with at least this much armour left.
constexpr std::int32_t A_BOMB_ARMOUR = 40;

}  // namespace

// The weapon the situation calls for: an A-Bomb for two tanks close together, a target well
// armoured or one out of a shell's reach; an Earth Mover to bore through to a target the shells
// cannot reach or a Sod Salvo to bury a near one; lava into a valley (or down any slope at Hard
// and Expert). A level may take the shell all the same. Then a search of the special weapon.
void TurnPlanner::ChooseSpecial(bool hits) {
    const LevelStyle& style = StyleOf(level_);
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
        } else if (InStock(me, WeaponLava) && (strong || InValley(*sim_.landscape(), sim_.tanks()[target]))) {
            // Lava runs down into a valley, onto a target a shell can reach or not: what a level
            // carries it pours at the first valley it sees. Hard and Expert look for any slope
            // that runs down to the target, so that the lava they buy is poured in the match.
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

// The special weapon when it does what it was chosen for; then the shell that hits; else, when
// nothing reaches a target, the ground in the way (ClearTheWay).
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
    ClearTheWay();
}

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
