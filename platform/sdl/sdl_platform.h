// The SDL backend's help with the game's command line.
#pragma once

#include <cstdint>

// Reads a seed as the command line gives it: decimal digits only, 0 to 4294967295.
bool SdlParseSeed(const char* text, std::uint32_t* seed);
