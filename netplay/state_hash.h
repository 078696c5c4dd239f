// A fingerprint of the game's state, compared between machines at the start of every turn.
#pragma once

#include <cstdint>

// FNV-1a over everything the rules read: the frame, mode and generator, the options and seats, the
// view and shot sequence, every player's tank, stock and money, and the landscape's materials.
std::uint64_t GameStateHash();
