// The soak runner's own random numbers, apart from the game's generator.
//
// The driver's choices thus never disturb the game's sequence of draws.
#pragma once

#include <cstdint>
#include <random>

class SoakRandom {
public:
    explicit SoakRandom(std::uint32_t seed) : engine_(seed) {}

    // A whole number from lo to hi, both included (lo <= hi).
    int Uniform(int lo, int hi) {
        const auto span = static_cast<std::uint32_t>(hi - lo) + 1u;
        return lo + static_cast<int>(engine_() % span);
    }
    // True with the given probability.
    bool Chance(double probability) { return engine_() < probability * 4294967296.0; }

private:
    std::mt19937 engine_;
};
