// The SDL backend's start-up settings that the game's command line gives it.
#pragma once

#include <cstdint>

// The game starts from `seed` instead of the boot clock: the clock's next reading, the one start-up
// feeds to the random generator, gives `seed`, and later readings are the clock again.
void SdlStartFromSeed(std::uint32_t seed);

// Reads a seed as the command line gives it: decimal digits only, 0 to 4294967295.
bool SdlParseSeed(const char* text, std::uint32_t* seed);
