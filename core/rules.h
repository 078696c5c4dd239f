// The rules' numbers that more than one subsystem needs, each named once: aim, firing, flight, the
// weapons, the tanks and the pace of a turn.
//
// The game (players/, projectiles/, shell/), the computer players' flight simulation (computer/),
// the soak runner's gunner and checks (soak/) and the tests all read them from here, so that a
// change of a rule reaches every copy of its physics at once. The landscape's sizes and winds live
// with the landscape (landscape/landscape.h).
#pragma once

#include <cstdint>

#include "core/shots.h"

// Aim. Angles are whole degrees: 0 points the barrel left, 90 straight up and MAX_ANGLE right.
// Power runs from 0 to MAX_POWER.
constexpr std::int32_t MAX_ANGLE = 180;
constexpr std::int32_t MAX_POWER = 100;

// Firing. A shot leaves the tip of a barrel BARREL_LENGTH pixels long, and full power launches it
// at TOP_SPEED pixels a tick.
constexpr double BARREL_LENGTH = 6.0;
constexpr double TOP_SPEED = 5.0;

// The launch speed in pixels a tick of a shot fired at `power`, worked out in this order by every
// flight that must agree with the game's.
constexpr double LaunchSpeed(std::int32_t power) { return power * 0.01 * TOP_SPEED; }

// Flight. Every tick gravity adds GRAVITY to a projectile's downward speed (in pixels a tick), and
// the wind moves it WIND_PER_UNIT pixels for each unit of the landscape's wind without entering its
// velocity. A projectile may stray SIDE_MARGIN pixels beyond a side edge while it stays above that
// edge column's lowest Air.
constexpr float GRAVITY = 0.01f;
constexpr double WIND_PER_UNIT = 0.05;
constexpr int SIDE_MARGIN = 200;

// An Earth Mover below ground slows by EARTH_DRAG a sample in earth and ROCK_DRAG in rock, until
// its speed squared falls below EARTH_MOVER_STALL.
constexpr double EARTH_DRAG = 0.9;
constexpr double ROCK_DRAG = 0.7;
constexpr float EARTH_MOVER_STALL = 0.05f;

// The weapons, in the order of the menu bar and the shop; a player's weapon is one of them, or
// WeaponNone before the first match. The Shell is free and never runs out.
enum Weapon : std::int32_t {
    WeaponNone = -1,
    WeaponShell = 0,
    WeaponSodSalvo = 1,
    WeaponFirework = 2,
    WeaponEarthMover = 3,
    WeaponLava = 4,
    WeaponABomb = 5,
};
constexpr int WEAPON_COUNT = 6;

// The projectile kind each weapon fires; a Shell for anything that is not a weapon.
constexpr std::int32_t WeaponKind(std::int32_t weapon) {
    constexpr std::int32_t KINDS[WEAPON_COUNT] = {KindShell,      KindSodSalvo, KindFirework,
                                                  KindEarthMover, KindLava,     KindABomb};
    return weapon >= 0 && weapon < WEAPON_COUNT ? KINDS[weapon] : KindShell;
}

// Tanks stand at least TANK_EDGE_DISTANCE columns from either edge of the landscape, and start a
// match with FULL_ARMOUR.
constexpr std::int32_t TANK_EDGE_DISTANCE = 6;
constexpr std::int32_t FULL_ARMOUR = 100;

// The pace of a turn, in frames: "Press F1 for help" stays up for READY_MESSAGE_FRAMES aiming
// frames of a game's first match; FIRE_DELAY_FRAMES pass between the view reaching the barrel and
// the shot leaving, and SETTLE_FRAMES quiet frames before the turn ends.
constexpr std::int32_t READY_MESSAGE_FRAMES = 200;
constexpr std::int32_t FIRE_DELAY_FRAMES = 29;
constexpr std::int32_t SETTLE_FRAMES = 150;
