// The soak runner's gunner: a search over flights worked out the way the game moves its shells.
#include "soak/aim.h"

#include <algorithm>
#include <limits>

#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player.h"

namespace {

// The game's rules (core/rules.h) in single precision: this gunner need only come close.
constexpr float WIND_STEP = static_cast<float>(WIND_PER_UNIT);
constexpr float BARREL = static_cast<float>(BARREL_LENGTH);
constexpr float SPEED_PER_POWER = static_cast<float>(TOP_SPEED / MAX_POWER);
constexpr float SIDE_REACH = static_cast<float>(SIDE_MARGIN);
constexpr int FLIGHT_LIMIT = 3000;
constexpr int ANGLES_TRIED = 12;
constexpr int POWER_STEP = 5;

struct Point {
    float x;
    float y;
};

bool Blocked(const Landscape& land, const Player& target, float x, float y) {
    const int xi = static_cast<int>(x);
    const int yi = static_cast<int>(y);
    if (y >= static_cast<float>(land.height)) return true;
    if (land.Inside(xi, yi) && land.Cell(xi, yi) != Air) return true;
    return target.Contains(xi, yi);
}

// Where a shot with this aim comes down (or leaves the play area), sampling each tick's move at its
// middle and its end; the game walks every pixel, which only matters for thin walls.
Point Landing(const Landscape& land, const Player& shooter, const Player& target, int angle, int power) {
    const float c = BarrelCos(angle);
    const float s = BarrelSin(angle);
    const float speed = static_cast<float>(power) * SPEED_PER_POWER;
    const float wind = static_cast<float>(land.wind) * WIND_STEP;
    float x = static_cast<float>(shooter.x) - BARREL * c;
    float y = static_cast<float>(shooter.y - shooter.height) - BARREL * s;
    float vx = -c * speed;
    float vy = -s * speed;
    for (int tick = 0; tick < FLIGHT_LIMIT; ++tick) {
        const float nx = x + vx + wind;
        const float ny = y + vy;
        vy += GRAVITY;
        const float mx = (x + nx) / 2;
        const float my = (y + ny) / 2;
        if (Blocked(land, target, mx, my)) return {mx, my};
        x = nx;
        y = ny;
        if (Blocked(land, target, x, y)) return {x, y};
        if (x < -SIDE_REACH || x >= static_cast<float>(land.width) + SIDE_REACH) break;
    }
    return {x, y};
}

float Miss(const Landscape& land, const Player& shooter, const Player& target, Aim aim) {
    const Point p = Landing(land, shooter, target, aim.angle, aim.power);
    const float dx = p.x - static_cast<float>(target.x);
    const float dy = p.y - static_cast<float>(target.y - target.height / 2);
    return dx * dx + dy * dy;
}

}  // namespace

Aim AimAt(const Landscape& land, const Player& shooter, const Player& target, SoakRandom& random) {
    // Angles above 90 point right, below 90 left; lob towards the target's side.
    const bool right = target.x > shooter.x;
    Aim best{right ? 135 : 45, MAX_POWER / 2};
    float bestMiss = std::numeric_limits<float>::max();
    auto consider = [&](Aim aim) {
        aim.angle = std::clamp(aim.angle, 0, MAX_ANGLE);
        aim.power = std::clamp(aim.power, 0, MAX_POWER);
        const float miss = Miss(land, shooter, target, aim);
        if (miss < bestMiss) {
            bestMiss = miss;
            best = aim;
        }
    };
    for (int i = 0; i < ANGLES_TRIED; ++i) {
        const int lean = random.Uniform(5, 85);
        const int angle = right ? 90 + lean : 90 - lean;
        for (int power = POWER_STEP; power <= MAX_POWER; power += POWER_STEP) consider({angle, power});
    }
    const Aim coarse = best;
    for (int da = -2; da <= 2; ++da)
        for (int dp = -POWER_STEP + 1; dp < POWER_STEP; ++dp)
            consider({coarse.angle + da, coarse.power + dp});
    return best;
}
