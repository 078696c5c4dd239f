// A projectile in flight: a point with a velocity, and a kind that decides what it does on the way
// and when it lands.
//
// Positions are landscape pixels as 32-bit floats, x to the right and y downwards; velocities are
// pixels per tick. Integer pixels are the floats truncated toward zero. A projectile carries no
// picture: everything it does happens in Impact, which the collection calls at every pixel of its
// path and which decides whether it flies on.
#pragma once

#include <cstdint>

#include "core/shots.h"

class Landscape;
class PlayerCollection;
class ProjectileCollection;

// One record of the Sod Salvo's scatter table: an offset within 25 pixels of the shell.
struct ScatterOffset {
    std::int32_t dx;
    std::int32_t dy;
};

class Projectile {
public:
    // At (x, y) with velocity (vx, vy); the previous sample starts on the position itself, and the
    // first tick tests that position before moving. Gravity and the links are set by
    // ProjectileCollection::Add.
    Projectile(float x, float y, float vx, float vy, std::int32_t kind, std::int32_t param, bool tracked);

    // Once at start-up: the scatter table, read in place from the program's data.
    static void Init();

    // One tick: the move by velocity and wind, then gravity, with Impact at every unit step of the
    // path. False once the projectile has ended (the collection then destroys it).
    bool Fly(ProjectileCollection* collection, Landscape* landscape, PlayerCollection* players,
             float windStep);
    // The test at one sample of the path, with the kind's effect on the way: true while the
    // projectile flies on, false when it is lost or has landed (its impact has then happened).
    bool Impact(ProjectileCollection* collection, Landscape* landscape, PlayerCollection* players);

    float x;
    float y;
    float prevX;
    float prevY;
    float vx;
    float vy;
    float gravity = 0.0f;
    std::int32_t kind;
    std::int32_t param;
    Projectile* next = nullptr;
    Projectile* prev = nullptr;
    std::uint8_t tracked;  // 1 for the shell a player fired: the view follows it
    std::uint8_t firstStep = 1;

private:
    // The kind's effect at a sample in flight, on a cell of material `cell`.
    void InFlight(ProjectileCollection* collection, Landscape* landscape, std::int32_t cell);
    // Whether the sample on `cell` ends the flight.
    bool Hits(const Landscape* landscape, const PlayerCollection* players, std::int32_t cell) const;
    // What the kind does where it lands.
    void Land(ProjectileCollection* collection, Landscape* landscape, PlayerCollection* players);
    void ScatterEarth(ProjectileCollection* collection, const Landscape* landscape);
    void SplitFirework(ProjectileCollection* collection);
};
