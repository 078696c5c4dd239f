// Faults of a simulated link, drawn datagram by datagram from a seed: loss, repeats, delays, reordering.
#pragma once

#include <cstdint>
#include <vector>

namespace net {

// What the link does to each datagram.
struct LinkFaults {
    double loss = 0;         // chance, 0 to 1, that a datagram is lost
    double duplication = 0;  // chance that it arrives twice
    double reordering = 0;   // chance that it is held back behind later ones
    int max_delay_ms = 0;    // each datagram takes 1 ms plus min_delay_ms plus up to this much more
    int min_delay_ms = 0;    // the delay every datagram takes, as a long route does
    std::uint32_t seed = 1;  // the faults drawn are the same for the same seed and traffic
};

// Counts of what the link did, so that a test can tell its faults were really exercised.
struct LinkStats {
    std::uint64_t sent = 0;
    std::uint64_t lost = 0;  // by chance or because an end was cut off
    std::uint64_t duplicated = 0;
    std::uint64_t held_back = 0;
    std::uint64_t bytes = 0;          // of the datagrams offered to the link (a real relay's only)
    std::uint64_t bytes_to_host = 0;  // of those, from the clients to the host
};

// Draws the fate of each datagram in turn.
class FaultDice {
public:
    explicit FaultDice(const LinkFaults& faults = {}) : faults_(faults) {}

    void SetFaults(const LinkFaults& faults) { faults_ = faults; }

    // The delays in milliseconds of the copies of one datagram that arrive: none if it is lost (as
    // it always is when `cut_off`), two if it is repeated.
    std::vector<int> Fate(bool cut_off);

    const LinkStats& Stats() const { return stats_; }

private:
    double Draw();

    LinkFaults faults_;
    LinkStats stats_;
    std::uint64_t draws_ = 0;
};

}  // namespace net
