// The kinds of shot, and the launcher through which a tank puts shots in the air.
//
// Tanks fire shells and, when destroyed, throw their wreckage; both become projectiles owned by the
// shots in flight (projectiles/), which sit above the players. The players see only this interface,
// so that nothing beneath the projectiles depends on them.
#pragma once

#include <cstdint>

// Projectile kinds: what a projectile does in flight and when it lands. The fired weapons map onto
// these when a player fires; debris and earth come from explosions, tanks and the Sod Salvo.
enum ProjectileKind : std::int32_t {
    KindShell = 0,
    KindDebris = 1,      // a coloured piece of a destroyed tank; param is the tank's colour
    KindEarth = 2,       // a clod that settles as Earth; param is its colour
    KindSodSalvo = 3,    // param counts the samples of its path
    KindABomb = 4,       // param counts the samples of its path
    KindEarthMover = 5,  // bores through the ground until it has slowed down
    KindFirework = 6,    // param counts the samples of its path; splits at 80, 120, 160 and 200
    KindLava = 7,        // lands as a lava stream
};

class ShotLauncher {
public:
    // Puts a projectile of this kind in the air at landscape point (x, y) with velocity (vx, vy) in
    // pixels a tick; the view follows a tracked one. Nothing is launched when memory runs out.
    virtual void Launch(float x, float y, float vx, float vy, std::int32_t kind, std::int32_t param,
                        bool tracked) = 0;

protected:
    ~ShotLauncher() = default;
};
