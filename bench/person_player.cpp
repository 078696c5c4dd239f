// A person at the keyboard for the ladder benchmark: aims by eye and corrects from its last shell.
#include "bench/person_player.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/globals.h"
#include "core/rules.h"
#include "landscape/landscape.h"
#include "platform/win.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"

namespace {

// Per skill: frames spent looking before touching a key; percent the first guess of the power may
// be off either way; percent of the wind's drift allowed for; the range the sense of pixels per
// step of power is drawn from each match; steps of power the hand may slip either way; whether it
// learns the pixels per step from its last two shots and keeps what it learnt when it moves; and
// whether it lobs over a hill it sees between the tanks before a shell has shown it.
struct Habits {
    int lookFrames;
    int guessPercent;
    int windPercent;
    int feelLow;
    int feelHigh;
    int slip;
    bool learns;
    bool seesHills;
};
constexpr Habits NOVICE{150, 35, 0, 14, 45, 2, false, false};
constexpr Habits CASUAL{120, 25, 50, 16, 36, 1, false, true};
constexpr Habits PRACTISED{100, 12, 100, 18, 30, 1, true, true};

const Habits& HabitsOf(PersonSkill skill) {
    switch (skill) {
        case PersonSkill::Novice:
            return NOVICE;
        case PersonSkill::Casual:
            return CASUAL;
        default:
            return PRACTISED;
    }
}

// The plain elevation, the one for a hill in the way, and the most it raises the barrel to.
constexpr int PLAIN_ELEVATION = 45;
constexpr int LOB_ELEVATION = 65;
constexpr int HIGHEST_ELEVATION = 70;
constexpr int RAISE_STEP = 15;
// The steepest it fires to climb out of a hole.
constexpr int CLIMB_ELEVATION = 85;
// A shell of its own that lands this near it is one it will not risk again.
constexpr int NEAR_SELF = 50;
// A hill this much higher than both tanks calls for a lob.
constexpr int HILL_HEIGHT = 60;
// The most the power changes from one shot to the next, and the frames between the aim being set
// and Space.
constexpr int MOST_CHANGE = 20;
constexpr int FIRE_PAUSE = 12;

double Radians(int degrees) { return degrees * 3.14159265358979 / 180.0; }

// The power that carries a shell `distance` pixels over flat ground at `elevation` in still air.
double PowerFor(double distance, int elevation, double gravity) {
    const double speed = std::sqrt(std::max(distance, 1.0) * gravity / std::sin(Radians(2 * elevation)));
    return speed / LaunchSpeed(1);
}

// How far the wind carries such a shell while it flies, in the direction `dir` the shot goes.
double WindCarry(double power, int elevation, double gravity, int wind, int dir) {
    const double ticks = 2.0 * LaunchSpeed(1) * power * std::sin(Radians(elevation)) / gravity;
    return dir * WIND_PER_UNIT * wind * ticks;
}

int Sign(int v) { return v >= 0 ? 1 : -1; }

// A tank pushed down into its crater is where it was; one that slid or fell far has moved.
constexpr int SAME_PLACE_X = 3;
constexpr int SAME_PLACE_Y = 20;

// The nearest opponent still standing, or -1.
int NearestOpponent(int seat) {
    const Player& me = ThePlayers->players[static_cast<std::size_t>(seat)];
    int best = -1;
    for (int i = 0; i < ThePlayers->numPlayers; ++i) {
        const Player& p = ThePlayers->players[static_cast<std::size_t>(i)];
        if (i == seat || !p.inGame || !p.alive) continue;
        if (best < 0 ||
            std::abs(p.x - me.x) < std::abs(ThePlayers->players[static_cast<std::size_t>(best)].x - me.x))
            best = i;
    }
    return best;
}

// Whether the ground between two tanks stands well above both.
bool HillBetween(const Player& me, const Player& them) {
    if (!TheLandscape) return false;
    const int from = std::min(me.x, them.x) + 12;
    const int to = std::max(me.x, them.x) - 12;
    int peak = std::min(me.y, them.y);
    for (int x = std::max(from, 0); x <= std::min(to, TheLandscape->width - 1); ++x)
        peak = std::min(peak, static_cast<int>(TheLandscape->SurfaceY(x)));
    return std::min(me.y, them.y) - peak >= HILL_HEIGHT;
}

std::int32_t AngleAt(int elevation, int dir) { return dir > 0 ? MAX_ANGLE - elevation : elevation; }

}  // namespace

void PersonPlayer::Start(PersonSkill skill, std::uint32_t seed) {
    skill_ = skill;
    state_ = seed * 2654435761u + 1u;
    NewMatch();
}

void PersonPlayer::NewMatch() {
    const Habits& h = HabitsOf(skill_);
    feel_ = h.feelLow + Next(h.feelHigh - h.feelLow + 1);
    haveLast_ = false;
    haveEarlier_ = false;
    landed_ = false;
    elevation_ = PLAIN_ELEVATION;
}

bool PersonPlayer::Moved(const Player& me) const {
    return std::abs(me.x - fromX_) > SAME_PLACE_X || std::abs(me.y - fromY_) > SAME_PLACE_Y;
}

int PersonPlayer::Next(int limit) {
    state_ = state_ * 1103515245u + 12345u;
    return limit > 0 ? static_cast<int>((state_ >> 16) & 0x7FFF) % limit : 0;
}

void PersonPlayer::Watch() {
    if (!TheProjectiles || !TheProjectiles->trackedAlive) return;
    landX_ = TheProjectiles->trackedX;
    landed_ = true;
}

// From where it stands now: the power for the distance by feel, off by up to the skill's guess,
// with the part of the wind's drift it allows for taken off the distance.
PersonPlayer::Plan PersonPlayer::FirstGuess(int seat, int target) const {
    const Habits& h = HabitsOf(skill_);
    const Player& me = ThePlayers->players[static_cast<std::size_t>(seat)];
    const Player& them = ThePlayers->players[static_cast<std::size_t>(target)];
    const int dir = Sign(them.x - me.x);
    const double gravity = TheProjectiles ? TheProjectiles->gravity : GRAVITY;
    const int wind = TheLandscape ? TheLandscape->wind : 0;
    const double distance = std::abs(them.x - me.x);
    double power = PowerFor(distance, elevation_, gravity);
    const double carry = WindCarry(power, elevation_, gravity, wind, dir) * h.windPercent / 100.0;
    power = PowerFor(distance - carry, elevation_, gravity);
    return Plan{AngleAt(elevation_, dir), static_cast<std::int32_t>(std::lround(power))};
}

// The turn's shot: a fresh guess from a new place, at a new target or on new ground; else the last
// shot's power moved by how far it fell short or went over, or the barrel raised over a hill.
PersonPlayer::Plan PersonPlayer::Decide(int seat) {
    const Habits& h = HabitsOf(skill_);
    const Player& me = ThePlayers->players[static_cast<std::size_t>(seat)];
    const int target = NearestOpponent(seat);
    if (target < 0) return Plan{me.angle, me.power};
    const Player& them = ThePlayers->players[static_cast<std::size_t>(target)];
    const int dir = Sign(them.x - me.x);
    const bool moved = Moved(me);
    const bool same = haveLast_ && landed_ && target == lastTarget_ && !moved;
    if (!same) {
        haveEarlier_ = false;
        if (!haveLast_ || moved)
            elevation_ = h.seesHills && HillBetween(me, them) ? LOB_ELEVATION : PLAIN_ELEVATION;
        Plan guess = FirstGuess(seat, target);
        const int off = guess.power * (Next(2 * h.guessPercent + 1) - h.guessPercent) / 100;
        guess.power = std::clamp(guess.power + off, 5, MAX_POWER);
        return guess;
    }
    lastMiss_ = dir * (landX_ - them.x);
    const int distance = std::abs(them.x - me.x);
    if (std::abs(landX_ - me.x) < NEAR_SELF) {
        // Its own shell came down beside it: blown back, flatter and harder; stopped by the ground
        // in front, over it.
        const bool blownBack = dir * (landX_ - me.x) <= 0;
        elevation_ = blownBack ? PLAIN_ELEVATION : std::min(elevation_ + 2 * RAISE_STEP, CLIMB_ELEVATION);
        haveEarlier_ = false;
        return Plan{AngleAt(elevation_, dir), std::min(last_.power + 10, MAX_POWER)};
    }
    if (dir * (landX_ - me.x) < distance / 2 && elevation_ < HIGHEST_ELEVATION) {
        // Stopped by the ground well short: over the top, at more power.
        elevation_ = std::min(elevation_ + RAISE_STEP, HIGHEST_ELEVATION);
        haveEarlier_ = false;
        return Plan{AngleAt(elevation_, dir), std::min(last_.power + 10, MAX_POWER)};
    }
    const bool straddled =
        haveEarlier_ && (lastMiss_ > 0) != (earlierMiss_ > 0) && std::abs(last_.power - earlier_.power) >= 2;
    if (straddled && !h.learns) {
        // One over and one short: halfway between them.
        const int between = (last_.power + earlier_.power + Next(2)) / 2;
        return Plan{last_.angle, std::clamp(between + Next(2 * h.slip + 1) - h.slip, 5, MAX_POWER)};
    }
    int feel = feel_;
    if (h.learns && haveEarlier_ && earlier_.power != last_.power) {
        const int learnt = (lastMiss_ - earlierMiss_) / (last_.power - earlier_.power);
        if (learnt >= 5 && learnt <= 80) feel = learnt;
    }
    // The wind's change since the last shot, as far as the player allows for the wind at all.
    const double gravity = TheProjectiles ? TheProjectiles->gravity : GRAVITY;
    const int wind = TheLandscape ? TheLandscape->wind : 0;
    const double change =
        WindCarry(last_.power, elevation_, gravity, wind - lastWind_, dir) * h.windPercent / 100.0;
    const double expected = lastMiss_ + change;
    int step = static_cast<int>(std::lround(-expected / feel));
    step = std::clamp(step, -MOST_CHANGE, MOST_CHANGE) + Next(2 * h.slip + 1) - h.slip;
    return Plan{last_.angle, std::clamp(last_.power + step, 5, MAX_POWER)};
}

// Looks, then a step of angle and of power a frame and the Shell picked, a pause and Space.
void PersonPlayer::Aim(int seat, std::vector<int>* keys) {
    if (!ThePlayers || !TheLandscape) return;
    if (TurnsStarted != turn_) {
        turn_ = TurnsStarted;
        frames_ = 0;
        planned_ = false;
        fired_ = false;
    }
    frames_ += 1;
    const Habits& h = HabitsOf(skill_);
    if (frames_ < h.lookFrames || fired_) return;
    const Player& me = ThePlayers->players[static_cast<std::size_t>(seat)];
    if (!planned_) {
        plan_ = Decide(seat);
        planned_ = true;
    }
    if (me.weapon != WeaponShell) {
        if (frames_ % 4 == 0) keys->push_back('W');
        return;
    }
    const bool angleSet = me.angle == plan_.angle;
    const bool powerSet = me.power == plan_.power;
    if (!angleSet) keys->push_back(me.angle < plan_.angle ? 'X' : 'Z');
    if (!powerSet) keys->push_back(me.power < plan_.power ? 'Q' : 'A');
    if (!angleSet || !powerSet) {
        frames_ = h.lookFrames;
        return;
    }
    if (frames_ < h.lookFrames + FIRE_PAUSE) return;
    // The shot goes: what it is kept to correct the next from.
    const int target = NearestOpponent(seat);
    const bool same = haveLast_ && landed_ && target == lastTarget_ && !Moved(me);
    haveEarlier_ = same && last_.angle == plan_.angle;
    earlier_ = last_;
    earlierMiss_ = lastMiss_;
    haveLast_ = true;
    landed_ = false;
    last_ = plan_;
    lastTarget_ = target;
    fromX_ = me.x;
    fromY_ = me.y;
    lastWind_ = TheLandscape->wind;
    keys->push_back(VK_SPACE);
    fired_ = true;
}
