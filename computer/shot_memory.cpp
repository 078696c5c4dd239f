// What the computer seats remember of their shots, and the key that tells shots alike apart.
#include "computer/shot_memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/rules.h"
#include "landscape/landscape.h"
#include "players/player_collection.h"
#include "projectiles/projectile_collection.h"

namespace {

std::array<ShooterMemory, MAX_PLAYERS> Memories;

void Mix(std::uint32_t word, std::uint32_t* hash) {
    for (int byte = 0; byte < 4; ++byte) {
        *hash ^= (word >> (8 * byte)) & 0xFFu;
        *hash *= 16777619u;
    }
}

// A float's bits as a word, for hashing (std::bit_cast is missing from some standard libraries).
std::uint32_t Bits(float value) {
    std::uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
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

// How far the shot noted last came down from its target: across or down, whichever is more.
std::int32_t MissOf(const ShotMemory& shot) {
    if (!ThePlayers || !shot.landed || shot.target < 0 || shot.target >= MAX_PLAYERS) return NEVER_NEAR;
    const Player& them = ThePlayers->players[static_cast<std::size_t>(shot.target)];
    return std::max(std::abs(shot.landX - them.x), std::abs(shot.landY - them.y));
}

}  // namespace

ShooterMemory& MemoryOf(int shooter) { return Memories[static_cast<std::size_t>(shooter)]; }

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
    return shooter >= 0 && shooter < MAX_PLAYERS ? MemoryOf(shooter).shot : NONE;
}

void NoteShotLanded(int shooter, int target, std::int32_t x, std::int32_t y) {
    if (shooter < 0 || shooter >= MAX_PLAYERS) return;
    ShotMemory& memory = MemoryOf(shooter).shot;
    if (memory.target != target) return;
    memory.landed = true;
    memory.landX = x;
    memory.landY = y;
}

// A shot that hurt nobody is kept with the wind and place it was fired in and its key in the ground
// as it left it: fired again into the same, it would only come down where it did.
void NoteShotOutcome(int shooter, bool hurtOpponent) {
    if (shooter < 0 || shooter >= MAX_PLAYERS) return;
    ShooterMemory& m = MemoryOf(shooter);
    if (!m.pendingSet) return;
    m.pendingSet = false;
    if (hurtOpponent) {
        m.digs = 0;
        m.lastHit = m.pending;
        m.lastHitSet = true;
        return;
    }
    FiredShot missed = m.pending;
    missed.miss = MissOf(m.shot);
    Misses& misses = m.misses;
    misses.shots[misses.next] = AsLeft(shooter, missed);
    misses.next = (misses.next + 1) % MISSES_KEPT;
    misses.count = std::min(misses.count + 1, MISSES_KEPT);
}

// The misses of the same shot from the same place, oldest first: the count starts again after one
// that came down nearer its target than all before it.
bool WornOut(const Misses& misses, const FiredShot& shot) {
    int times = 0;
    std::int32_t nearest = NEVER_NEAR;
    for (std::size_t i = 0; i < misses.count; ++i) {
        const FiredShot& m = misses.shots[(misses.next + MISSES_KEPT - misses.count + i) % MISSES_KEPT];
        if (m.angle != shot.angle || m.power != shot.power || m.weapon != shot.weapon || m.x != shot.x ||
            m.y != shot.y)
            continue;
        times = times == 0 || m.miss + WORN_PROGRESS <= nearest ? 1 : times + 1;
        nearest = std::min(nearest, m.miss);
    }
    return times >= WORN_TIMES;
}

void ForgetShots() { Memories.fill(ShooterMemory{}); }

void BrainResetForTests() { ForgetShots(); }
