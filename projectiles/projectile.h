// A projectile in flight: a point with a velocity, and a kind that decides what it does on the way
// and when it lands.
//
// Positions are landscape pixels as 32-bit floats, x to the right and y downwards; velocities are
// pixels per tick. Integer pixels are the floats truncated toward zero. A projectile carries no
// picture: everything it does happens in Impact, which the collection calls at every pixel of its
// path and which decides whether it flies on.
#pragma once

#include <cmath>
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

// A sample further than this beyond the end of a tick's move still counts as on the path.
constexpr float PATH_SLACK = 0.01f;

// The walk of one tick of a path, shared by the flight and by whoever predicts one (the computer
// players), so that both take the very same float steps. Body has x, y, prevX, prevY, vx, vy,
// gravity and firstStep like a Projectile; sample() is called at every sample once the point has
// moved there and may change the velocity; the walk stops at the first sample that returns false.
// 1. A new body is first tested where it stands. 2. The move of this tick uses the velocity from
// before this tick's gravity, and the wind shifts the position without entering the velocity.
// 3. A move of at most one pixel is one sample; a longer one is walked in unit steps whose first
// sample lies at the fractional part of its length, so the last lands on the target.
template <class Body, class Sample>
bool WalkPath(Body& body, float windStep, Sample&& sample) {
    if (body.firstStep) {
        if (!sample()) return false;
        body.firstStep = 0;
    }

    const float x0 = body.x;
    const float y0 = body.y;
    const float nx = x0 + body.vx + windStep;
    const float ny = y0 + body.vy;
    body.vy += body.gravity;

    const float dx = nx - x0;
    const float dy = ny - y0;
    const float d2 = dx * dx + dy * dy;
    body.prevX = x0;
    body.prevY = y0;
    if (d2 <= 1.0f) {
        body.x = nx;
        body.y = ny;
        return sample();
    }
    const float length = std::sqrt(d2);
    const float ux = dx / length;
    const float uy = dy / length;
    const float r = std::fmod(length, 1.0f);
    body.x = x0 + r * ux;
    body.y = y0 + r * uy;
    if (!sample()) return false;
    for (float t = r + 1.0f; t <= length + PATH_SLACK; t += 1.0f) {
        body.prevX = body.x;
        body.prevY = body.y;
        body.x = x0 + t * ux;
        body.y = y0 + t * uy;
        if (!sample()) return false;
    }
    return true;
}

class Projectile {
public:
    // At (x, y) with velocity (vx, vy); the previous sample starts on the position itself, and the
    // first tick tests that position before moving. Gravity and the links are set by
    // ProjectileCollection::Add.
    Projectile(float x, float y, float vx, float vy, std::int32_t kind, std::int32_t param, bool tracked);

    // Once at start-up: the scatter table, read in place from the program's data.
    static void Init();

    // One tick: the move by velocity and wind, then gravity, with Impact at every unit step of the
    // path (see WalkPath). False once the projectile has ended (the collection then destroys it).
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
