// An explosion: the picture shown at a point of impact for a few ticks, and by its type the
// numbers of the crater it digs, the earth it throws and the damage it does.
#pragma once

#include <cstdint>

#include "platform/win.h"

class Landscape;
class PlayerCollection;
class ProjectileCollection;

// Explosion types, by what makes them. A debris touch has no picture and digs nothing.
enum ExplosionType : std::int32_t {
    ExplosionDebrisTouch = 0,
    ExplosionShell = 1,
    ExplosionABomb = 2,
    ExplosionEarthMover = 3,
    ExplosionFirework = 4,
};

// The explosion pictures: Shell, A-Bomb, Earth Mover and the seven fireworks.
constexpr int EXPLOSION_IMAGE_COUNT = 10;
constexpr int FIREWORK_IMAGE_COUNT = 7;

class Explosion {
public:
    // At the impact point (x, y), age 0, lasting as long as its type says; param picks the picture
    // of a firework (0 to 6) and is 0 otherwise. Not linked: the caller adds it to a collection.
    Explosion(float x, float y, std::int32_t type, std::int32_t param);

    // Once at start-up: the ten pictures, each in an off-screen surface made for (device, surface).
    static void Init(int device, int surface, HINSTANCE instance);

    // Throws earth particles out of the ground the crater is about to remove (Shell, A-Bomb and
    // Earth Mover only).
    void ThrowDebris(ProjectileCollection* collection, Landscape* landscape) const;
    // Digs the crater and scorches its rim (every type but the debris touch).
    void DigCrater(Landscape* landscape) const;
    // Takes armour from every tank in reach, booked to the player whose turn it is, then (Shell,
    // A-Bomb, Firework) destroys every fragment within the damage radius. True when a tank was hit
    // directly.
    bool InflictDamage(PlayerCollection* players, ProjectileCollection* collection) const;

    // The explosion's picture (an off-screen surface) and its half size; -1 for none.
    int Image() const;
    int HalfSize() const;

    float x;
    float y;
    std::int32_t type;
    std::int32_t param;
    std::int32_t age = 0;
    std::int32_t duration;  // ticks
    Explosion* next = nullptr;
    Explosion* prev = nullptr;

private:
    void ClearFragments(ProjectileCollection* collection, int radius) const;
};
