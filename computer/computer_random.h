// The computer players' own random generator, apart from the game's, so that their thinking never
// moves the game's draws.
//
// Seeded once a run from the game's seed; every decision of every computer player draws from it in
// frame order, so a seed and the humans' keys reproduce a game with computers exactly.
#pragma once

#include <cstdint>

class ComputerRandom {
public:
    void Seed(std::uint32_t seed) { state_ = seed ^ 0x9E3779B9u; }
    // 0 to 32767.
    int Next() {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }
    // 0 to limit - 1; 0 when limit is not positive.
    int Below(int limit) { return limit > 0 ? Next() % limit : 0; }
    // -spread to +spread inclusive.
    int Around(int spread) { return spread > 0 ? Below(2 * spread + 1) - spread : 0; }
    std::uint32_t State() const { return state_; }

private:
    std::uint32_t state_ = 0;
};
