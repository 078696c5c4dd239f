// One player and their tank: place, aim, weapons, armour and money, drawing, hits and destruction.
#pragma once

#include <array>
#include <cstdint>

#include "core/rules.h"
#include "display/gdi.h"

class ShotLauncher;

constexpr int MAX_PLAYERS = 8;
constexpr int PLAYER_NAME_SIZE = 32;

// Size of the tank pictures.
constexpr int TANK_WIDTH = 11;
constexpr int TANK_HEIGHT = 6;

// A player's record. The tank stands with the middle of its bottom row at (x, y) of the landscape:
// y is the air pixel just above the ground. Angles are whole degrees, 0 pointing left, 90 up and
// 180 right (MAX_ANGLE); power runs from 0 to MAX_POWER; weapon is a Weapon (core/rules.h), or
// WeaponNone before the first match. A negative stock is unlimited.
struct Player {
    char name[PLAYER_NAME_SIZE] = {};
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = TANK_WIDTH;
    std::int32_t height = TANK_HEIGHT;
    bool alive = false;
    bool inGame = false;
    std::int32_t angle = 0;
    std::int32_t power = 0;
    int tankSurface = -1;
    std::int32_t weapon = WeaponNone;
    std::array<std::int32_t, WEAPON_COUNT> stock{-1, 0, 0, 0, 0, 0};
    COLORREF colour = 0;
    std::int32_t cash = 0;
    std::int32_t armour = 0;
    std::int32_t turnDamage = 0;
    std::int32_t profit = 0;
    std::int32_t fallDistance = 0;

    // Draws the tank with the middle of its bottom row at screen point (sx, sy), and its barrel;
    // the angle guide draws a long barrel instead.
    void Draw(int device, int surface, int sx, int sy, bool guide) const;
    // Whether landscape pixel (px, py) lies in the tank.
    bool Contains(int px, int py) const;
    // Takes the damage off the armour. A hit larger than the armour left destroys the tank and
    // lowers *amount to that armour; returns whether the tank survived.
    bool TakeDamage(std::int32_t* amount, ShotLauncher* projectiles);
    // Destroys the tank in a burst of 100 pieces.
    void Explode(ShotLauncher* projectiles);
};

// The barrel's direction for an angle in degrees, from the sine table: the cosine and the sine.
float BarrelCos(std::int32_t angle);
float BarrelSin(std::int32_t angle);
