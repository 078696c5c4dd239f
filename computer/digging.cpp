// When no shell reaches a target: shots at the ground in the way, and the choice among them, the
// nearest shell and a special weapon.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "computer/brain.h"
#include "computer/shot_memory.h"
#include "computer/situation.h"
#include "computer/targeting.h"
#include "core/rules.h"

namespace {

// A shell that came down short at this power or more is out of reach: only a flatter shot carries
// further. The flatter shots looked at are this many degrees apart, down to the lowest elevation.
constexpr std::int32_t FULL_POWER = MAX_POWER - 4;
constexpr int FLATTER_STEP = 5;
constexpr int LOWEST_ELEVATION = 20;

}  // namespace

// Whether the ground near the shooter keeps its shots steep, out of reach of the target: the shell
// that came nearest took full power and came down short, and a flatter shot at full power is
// stopped before it, `keep` or more from the shooter. Where the steepest such shot is stopped (the
// crest that keeps the shots steep), written back.
bool TurnPlanner::SteepOnly(int target, int keep, int* column, int* row) const {
    const Candidate& shell = results_[SlotShell];
    const TankBox& me = sim_.tanks()[shooter_];
    const TankBox& them = sim_.tanks()[target];
    const int dir = them.x >= me.x ? 1 : -1;
    const int reach = dir * (static_cast<int>(shell.flight.x) - me.x);
    if (!shell.tried || !shell.flight.Landed() || shell.power < FULL_POWER ||
        reach >= std::abs(them.x - me.x) - them.width)
        return false;
    const int steepest = dir > 0 ? MAX_ANGLE - shell.angle : shell.angle;
    for (int elevation = steepest - FLATTER_STEP; elevation >= LOWEST_ELEVATION; elevation -= FLATTER_STEP) {
        const FlightResult flat = sim_.Shot(shooter_, AngleFor(elevation, dir), MAX_POWER, WeaponShell);
        const int along = dir * (static_cast<int>(flat.x) - me.x);
        if (!flat.Landed() || along < keep || along >= reach) continue;
        *column = static_cast<int>(flat.x);
        *row = static_cast<int>(flat.y);
        return true;
    }
    return false;
}

// Out of reach behind near ground (SteepOnly), where a flatter shot is stopped; else the ground
// between where the shell that came nearest was stopped, short of the target or beyond it, and
// the target (FirstWallTowards), or else the highest ground between the shooter and the target,
// outside the shell's blast of the shooter; shells there wear the obstacle down.
void TurnPlanner::ClearTheWay() {
    const Candidate& shell = results_[SlotShell];
    const int target = targets_.front();
    const TankBox& me = sim_.tanks()[shooter_];
    const TankBox& them = sim_.tanks()[target];
    const int dir = them.x >= me.x ? 1 : -1;
    const int keep = ReachOf(WeaponShell).keepAway + 6;
    int column = 0, row = 0;
    const FlightResult& stopped = shell.flight;
    const int stopX = static_cast<int>(stopped.x);
    if (!SteepOnly(target, keep, &column, &row)) {
        if (shell.tried && stopped.Landed() && std::abs(stopX - me.x) >= keep &&
            std::abs(them.x - stopX) > them.width) {
            column = stopX;
            row = static_cast<int>(stopped.y);
            FirstWallTowards(*sim_.landscape(), them, &column, &row);
        } else {
            Highest(*sim_.landscape(), me.x + dir * keep, them.x - dir * (them.width / 2 + 2), &column, &row);
        }
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
// passed over while there is another. Out of a stalemate the shell nearest the target comes
// first, then the digging; in a stalemate the three take turns at coming first.
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
    if (!stalemate_) std::rotate(choices.begin(), choices.begin() + 2, choices.end());
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
        MemoryOf(shooter_).digs += 1;
    }
}
