// The game's embedded data tables (RCDATA resources), found by number.
#pragma once

#include <cstdint>

// Finds the RCDATA resource with this id; false (and a null pointer) when it is missing, of
// another size or cannot be loaded. The data lives as long as the program.
bool LoadDataResource(int id, std::uint32_t expectedSize, const void** data);
