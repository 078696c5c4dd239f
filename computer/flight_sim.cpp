// The computer players' prediction of a shot's path: the flight's unit-step walk with the same
// play-area and collision tests, on copies of the tanks and without any effect on the way. Its
// numbers (barrel, launch speed, wind, side margin, drags) are the game's own, from core/rules.h.
#include "computer/flight_sim.h"

#include <algorithm>

#include "core/rules.h"
#include "core/shots.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile.h"

namespace {

// The moving point, shaped as WalkPath expects.
struct Body {
    float x;
    float y;
    float prevX;
    float prevY;
    float vx;
    float vy;
    float gravity;
    std::uint8_t firstStep = 1;
};

}  // namespace

LaunchState ShotLaunch(const TankBox& tank, std::int32_t angle, std::int32_t power) {
    const float c = BarrelCos(angle);
    const float s = BarrelSin(angle);
    const double speed = LaunchSpeed(power);
    return LaunchState{static_cast<float>(tank.x - BARREL_LENGTH * c),
                       static_cast<float>((tank.y - tank.height) - BARREL_LENGTH * s),
                       static_cast<float>(-c * speed), static_cast<float>(-s * speed)};
}

void FlightSim::Capture(const Landscape* landscape, const PlayerCollection* players, float gravity) {
    landscape_ = landscape;
    windStep_ = static_cast<float>(landscape->wind * WIND_PER_UNIT);
    gravity_ = gravity;
    tankCount_ = players->numPlayers;
    left_ = 0;
    right_ = -1;
    top_ = 0;
    bottom_ = -1;
    bool first = true;
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        const Player& player = players->players[i];
        const TankBox tank{player.x, player.y, player.width, player.height, player.inGame && player.alive};
        tanks_[i] = tank;
        armour_[i] = player.armour;
        if (!tank.standing || i >= tankCount_) continue;
        const int l = tank.x - tank.width / 2;
        const int r = tank.x + tank.width / 2;
        const int t = tank.y - tank.height + 1;
        left_ = first ? l : std::min(left_, l);
        right_ = first ? r : std::max(right_, r);
        top_ = first ? t : std::min(top_, t);
        bottom_ = first ? tank.y : std::max(bottom_, tank.y);
        first = false;
    }
}

void FlightSim::SetWind(std::int32_t wind) { windStep_ = static_cast<float>(wind * WIND_PER_UNIT); }

int FlightSim::TankAt(int px, int py) const {
    if (px < left_ || px > right_ || py < top_ || py > bottom_) return -1;
    for (int i = 0; i < tankCount_; ++i) {
        if (tanks_[i].standing && tanks_[i].Contains(px, py)) return i;
    }
    return -1;
}

FlightResult FlightSim::Shot(int shooter, std::int32_t angle, std::int32_t power, std::int32_t weapon) const {
    const LaunchState launch = ShotLaunch(tanks_[shooter], angle, power);
    return From(launch.x, launch.y, launch.vx, launch.vy, WeaponKind(weapon));
}

// The test at each sample is Projectile::Impact's for the tracked shot: lost off a side, the Earth
// Mover's drag underground, then the bottom edge, solid ground and the tanks.
FlightResult FlightSim::From(float x, float y, float vx, float vy, std::int32_t kind) const {
    const Landscape& land = *landscape_;
    FlightResult result;
    Body body{x, y, x, y, vx, vy, gravity_};
    const bool mover = kind == KindEarthMover;
    bool entered = false;
    auto sample = [&]() {
        result.samples += 1;
        const int xi = static_cast<int>(body.x);
        const int yi = static_cast<int>(body.y);
        const int w = land.width;
        const bool lostLeft = xi < 0 && (xi < -SIDE_MARGIN || yi > land.lowestAir[0]);
        const bool lostRight = xi >= w && (xi >= w + SIDE_MARGIN || yi > land.lowestAir[w - 1]);
        if (lostLeft || lostRight) {
            result.end = FlightEnd::Lost;
            return false;
        }
        // Above a column's topmost solid pixel all is Air: most of a flight never reads the map.
        const std::int32_t cell = land.Inside(xi, yi) && yi >= land.topSolid[xi] ? land.Cell(xi, yi) : Air;
        if (mover && (cell == Earth || cell == Rock)) {
            if (!entered) {
                entered = true;
                result.entryX = body.x;
                result.entryY = body.y;
            }
            const double drag = cell == Earth ? EARTH_DRAG : ROCK_DRAG;
            body.vx = static_cast<float>(body.vx * drag);
            body.vy = static_cast<float>(body.vy * drag);
        }
        bool hits = body.y >= static_cast<float>(land.height);
        if (!hits && cell != Air) {
            hits =
                !mover || body.vx * body.vx + body.vy * body.vy < EARTH_MOVER_STALL || xi == 0 || xi == w - 1;
        }
        if (hits) {
            result.end = FlightEnd::Ground;
            return false;
        }
        const int tank = TankAt(xi, yi);
        if (tank < 0) return true;
        result.end = FlightEnd::Tank;
        result.tank = tank;
        return false;
    };
    result.end = FlightEnd::TooLong;
    while (result.ticks < MAX_TICKS) {
        const bool flying = WalkPath(body, windStep_, sample);
        if (!flying) break;
        result.ticks += 1;
    }
    result.x = body.x;
    result.y = body.y;
    result.prevX = body.prevX;
    result.prevY = body.prevY;
    if (!entered) {
        result.entryX = body.x;
        result.entryY = body.y;
    }
    return result;
}
