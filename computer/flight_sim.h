// The computer players' foresight: where a shot would end, walked with the flight's own steps over
// the landscape and tanks as they stand, without touching either and without any random draw.
//
// Only the tracked projectile is followed: the pieces a firework sheds, the clods of a Sod Salvo
// and whatever an explosion throws are left out, because the game draws them at random when they
// happen. Coordinates are landscape pixels as in projectiles/projectile.h.
#pragma once

#include <array>
#include <cstdint>

#include "core/rules.h"
#include "players/player.h"

class Landscape;
class PlayerCollection;

// How a predicted flight ended.
enum class FlightEnd : std::int32_t {
    Ground,   // on solid ground or the bottom edge: the weapon goes off at (x, y)
    Tank,     // on a tank (index in tank): the weapon goes off at (x, y)
    Lost,     // off a side of the landscape: nothing happens
    TooLong,  // still flying after the longest flight we care to follow
};

struct FlightResult {
    FlightEnd end = FlightEnd::Lost;
    float x = 0.0f;  // the sample where it ended
    float y = 0.0f;
    float prevX = 0.0f;  // the sample before it (where a lava stream starts)
    float prevY = 0.0f;
    int tank = -1;
    // Where an Earth Mover first went into the ground (its tunnel starts there); the end when it
    // never did.
    float entryX = 0.0f;
    float entryY = 0.0f;
    std::int32_t ticks = 0;
    std::int32_t samples = 0;

    // Whether the weapon goes off (or pours) somewhere.
    bool Landed() const { return end == FlightEnd::Ground || end == FlightEnd::Tank; }
};

// A tank as the flight sees it: its box and whether it is in play.
struct TankBox {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = TANK_WIDTH;
    std::int32_t height = TANK_HEIGHT;
    bool standing = false;  // in the game and alive

    bool Contains(int px, int py) const {
        return x - width / 2 <= px && px <= x + width / 2 && y - height < py && py <= y;
    }
};

class FlightSim {
public:
    // Flights longer than this many ticks are not followed to their end.
    static constexpr std::int32_t MAX_TICKS = 4000;

    // Takes in the wind, the tanks and the gravity the collection gives its projectiles; the
    // landscape is read where it lies, so it must outlive the predictions.
    void Capture(const Landscape* landscape, const PlayerCollection* players, float gravity);
    // Predicts as if the wind were this (-MAX_WIND to MAX_WIND) rather than the landscape's.
    void SetWind(std::int32_t wind);

    // The shot player `shooter` would fire at this angle (0 to 180) and power (0 to 100) with
    // weapon 0 to 5, from the tip of the barrel as PlayerCollection::Fire launches it.
    FlightResult Shot(int shooter, std::int32_t angle, std::int32_t power, std::int32_t weapon) const;
    // A projectile of a kind (core/shots.h) from a point with a velocity.
    FlightResult From(float x, float y, float vx, float vy, std::int32_t kind) const;

    // The first standing tank, in index order, that holds the pixel; -1 for none.
    int TankAt(int px, int py) const;

    const Landscape* landscape() const { return landscape_; }
    const std::array<TankBox, MAX_PLAYERS>& tanks() const { return tanks_; }
    // Each player's armour as captured.
    const std::array<std::int32_t, MAX_PLAYERS>& armour() const { return armour_; }
    float windStep() const { return windStep_; }

private:
    const Landscape* landscape_ = nullptr;
    std::array<TankBox, MAX_PLAYERS> tanks_{};
    std::array<std::int32_t, MAX_PLAYERS> armour_{};
    int tankCount_ = 0;
    // The box around every standing tank: a sample outside it holds none.
    int left_ = 0;
    int right_ = -1;
    int top_ = 0;
    int bottom_ = -1;
    float windStep_ = 0.0f;
    float gravity_ = GRAVITY;
};

// What the launch of PlayerCollection::Fire gives a shot: where it leaves the barrel and its
// velocity.
struct LaunchState {
    float x;
    float y;
    float vx;
    float vy;
};
LaunchState ShotLaunch(const TankBox& tank, std::int32_t angle, std::int32_t power);
