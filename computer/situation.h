// What the computer players read off the game as it stands: who is standing, what is in stock, who
// is worth a shot, tanks close together, the highest ground between two columns, valleys, and the
// ground that stands between a shell's stop and its target.
#pragma once

#include <cstdint>

#include "computer/flight_sim.h"
#include "players/player.h"

class Landscape;

// A tank this close to the target shares an A-Bomb with it; a target this far below the ground on
// both sides within VALLEY_REACH sits in a valley that lava runs into.
constexpr int CLUSTER_DX = 110;
constexpr int CLUSTER_DY = 60;
constexpr int VALLEY_DEPTH = 10;
constexpr int VALLEY_REACH = 40;

// Whether seat i (any int) holds a standing tank in `sim`.
bool Standing(const FlightSim& sim, int i);
// Whether the player holds weapon (any int) in stock; the first it holds, the Shell at worst.
bool InStock(const Player& player, std::int32_t weapon);
std::int32_t FirstInStock(const Player& player);
// How worth shooting `them` is for `me`, larger first: a target one shell can finish, then low
// armour, then near.
int TargetWorth(const Player& me, const Player& them);
// Another standing opponent of `shooter` close enough to `target` to share a blast with it, or -1.
int ClusterMate(const FlightSim& sim, int shooter, int target);
// The highest surface between columns from and to (clamped to the landscape): its column and row.
void Highest(const Landscape& land, int from, int to, int* column, int* row);
// Whether the tank sits in a valley.
bool InValley(const Landscape& land, const TankBox& t);
// The ground that stands between where a shell was stopped (*column, *row) and the tank `them`:
// along the straight line from the one to the other, the first solid pixel past open air, written
// back. The stop stays when the line never leaves the ground or comes to the tank first.
void FirstWallTowards(const Landscape& land, const TankBox& them, int* column, int* row);
