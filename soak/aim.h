// The soak runner's gunner: an angle and a power that bring a shot down near a target.
//
// With it, random games still destroy tanks and come to an end.
#pragma once

#include "soak/soak_random.h"

class Landscape;
struct Player;

struct Aim {
    int angle = 0;
    int power = 0;
};

// Tries a spread of angles towards the target and, for each, powers from weak to full, flying each
// shot through the landscape and the current wind much as the game does; then refines the best.
// Returns the aim whose shot comes down nearest the target's tank.
Aim AimAt(const Landscape& land, const Player& shooter, const Player& target, SoakRandom& random);
