// The game's random generator and colour helpers.
#include "core/random.h"

#include <algorithm>

namespace {

std::uint32_t State = 1;

int Near(int channel) {
    int lo = std::max(channel - 20, 0);
    int hi = std::min(channel + 20, 255);
    return lo + game::rand() % (hi - lo + 1);
}

}  // namespace

namespace game {

void srand(std::uint32_t seed) { State = seed; }

int rand() {
    State = State * 214013u + 2531011u;
    return static_cast<int>((State >> 16) & 0x7FFF);
}

std::uint32_t RandState() { return State; }

}  // namespace game

std::uint32_t RandomColourNear(int red, int green, int blue) {
    int r = Near(red);
    int g = Near(green);
    int b = Near(blue);
    return PackColour(r, g, b);
}

std::uint32_t RandomShade(int red, int green, int blue) {
    int d = game::rand() % 40 - 20;
    return PackColour(std::clamp(red + d, 0, 255), std::clamp(green + d, 0, 255),
                      std::clamp(blue + d, 0, 255));
}
