// The game's one random generator and the colour helpers built on it.
//
// Every random decision of the game draws from this generator, in a fixed order, so that a seed
// reproduces a game exactly. It is the classic linear congruential generator: the state moves to
// state * 214013 + 2531011 and each draw yields bits 16 to 30 of the new state, 0 to 32767.
#pragma once

#include <cstdint>

namespace game {

constexpr int RAND_LIMIT = 32767;
// A draw scaled to 0..1.
constexpr float RAND_FRACTION = 3.0518509e-05f;

void srand(std::uint32_t seed);
int rand();
std::uint32_t RandState();

}  // namespace game

// Colours are 0x00BBGGRR. RandomColourNear moves each channel by up to 20 (three draws: red,
// green, blue); RandomShade adds one shade from -20 to 19 to all three (one draw).
std::uint32_t RandomColourNear(int red, int green, int blue);
std::uint32_t RandomShade(int red, int green, int blue);

inline std::uint32_t PackColour(int red, int green, int blue) {
    return static_cast<std::uint32_t>(red) | (static_cast<std::uint32_t>(green) << 8) |
           (static_cast<std::uint32_t>(blue) << 16);
}
