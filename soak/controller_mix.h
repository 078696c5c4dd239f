// The soak runner's choice of who plays each seat of a game: people and computers of every level.
#pragma once

#include <array>

#include "core/globals.h"
#include "soak/soak_random.h"

using SeatPlan = std::array<Controller, PLAYER_SEATS>;

// For a game of `players` seats (2 to PLAYER_SEATS): a random mix with at least one computer, of
// a random level each; about a fifth of the games are the computers' alone and another fifth have
// a single person. Seats beyond the game are left to people.
SeatPlan PlanControllers(SoakRandom& random, int players);

// Presses of a seat's key on the player choice screen (each one moves Human, Beginner, Easy,
// Normal, Hard, Expert and round again) that take its controller from `now` to `wanted`.
int CyclePresses(Controller now, Controller wanted);
