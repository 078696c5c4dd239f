// What the computer players read off the game as it stands, for choosing targets and weapons.
#include "computer/situation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/rules.h"
#include "landscape/landscape.h"

namespace {

// Armour a shell can take off in one direct hit: a target with no more is worth finishing.
constexpr std::int32_t FINISHING_ARMOUR = 20;

}  // namespace

bool Standing(const FlightSim& sim, int i) { return i >= 0 && i < MAX_PLAYERS && sim.tanks()[i].standing; }

bool InStock(const Player& player, std::int32_t weapon) {
    return weapon >= 0 && weapon < WEAPON_COUNT && player.stock[static_cast<std::size_t>(weapon)] != 0;
}

std::int32_t FirstInStock(const Player& player) {
    for (std::int32_t w = WeaponShell; w < WEAPON_COUNT; ++w) {
        if (InStock(player, w)) return w;
    }
    return WeaponShell;
}

int TargetWorth(const Player& me, const Player& them) {
    const int finishing = them.armour <= FINISHING_ARMOUR ? 1000 : 0;
    return finishing - 3 * them.armour - std::abs(them.x - me.x) / 3;
}

int ClusterMate(const FlightSim& sim, int shooter, int target) {
    const TankBox& t = sim.tanks()[target];
    for (int i = 0; i < MAX_PLAYERS; ++i) {
        if (i == shooter || i == target || !Standing(sim, i)) continue;
        const TankBox& o = sim.tanks()[i];
        if (std::abs(o.x - t.x) < CLUSTER_DX && std::abs(o.y - t.y) < CLUSTER_DY) return i;
    }
    return -1;
}

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

void FirstWallTowards(const Landscape& land, const TankBox& them, int* column, int* row) {
    const float dx = static_cast<float>(them.x - *column);
    const float dy = static_cast<float>(them.y - them.height / 2 - *row);
    const int steps = static_cast<int>(std::max(std::abs(dx), std::abs(dy)));
    bool air = false;
    std::uint32_t colour = 0;
    for (int i = 1; i < steps; ++i) {
        const int x =
            *column + static_cast<int>(std::lround(dx * static_cast<float>(i) / static_cast<float>(steps)));
        const int y =
            *row + static_cast<int>(std::lround(dy * static_cast<float>(i) / static_cast<float>(steps)));
        if (them.Contains(x, y)) return;
        if (!land.GetPoint(x, y, &colour)) {
            air = true;
        } else if (air) {
            *column = x;
            *row = y;
            return;
        }
    }
}
