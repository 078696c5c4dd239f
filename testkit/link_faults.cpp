// The fate of each datagram on a faulty link.
#include "testkit/link_faults.h"

namespace net {
namespace {

constexpr int kHoldBackMs = 30;  // the least extra delay of a datagram held back

}  // namespace

// A number in [0, 1) from the seed and how many were drawn before (SplitMix64).
double FaultDice::Draw() {
    std::uint64_t z = (static_cast<std::uint64_t>(faults_.seed) << 32) + ++draws_ * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 9007199254740992.0;
}

// Lost, or sent once or twice, each copy after its own delay, some held back further so that later
// datagrams overtake them.
std::vector<int> FaultDice::Fate(bool cut_off) {
    ++stats_.sent;
    if (cut_off || Draw() < faults_.loss) {
        ++stats_.lost;
        return {};
    }
    const int copies = Draw() < faults_.duplication ? 2 : 1;
    if (copies == 2) ++stats_.duplicated;
    std::vector<int> delays;
    for (int i = 0; i < copies; ++i) {
        int delay = 1 + faults_.min_delay_ms + static_cast<int>(Draw() * (faults_.max_delay_ms + 1));
        if (Draw() < faults_.reordering) {
            ++stats_.held_back;
            delay += kHoldBackMs + static_cast<int>(Draw() * (faults_.max_delay_ms + 1));
        }
        delays.push_back(delay);
    }
    return delays;
}

}  // namespace net
