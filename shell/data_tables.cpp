// Start-up's checks of the data tables' contents: the ranges the crater walks and the scatter rely on.
#include "shell/data_tables.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::int32_t DISC_REACH = 100;
constexpr float DISTANCE_SLACK = 0.01f;
constexpr float LARGEST_ANGLE = 3.1416f;

// The tables are read through copies: resource bytes need not be aligned for the records.
template <typename T>
T Record(const void* table, std::size_t index) {
    T value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(table) + index * sizeof(T), sizeof value);
    return value;
}

std::string At(const char* what, long index, const std::string& fault) {
    return std::string(what) + " " + std::to_string(index) + ": " + fault;
}

std::string Pair(std::int32_t a, std::int32_t b) {
    return "(" + std::to_string(a) + ", " + std::to_string(b) + ")";
}

// One disc record on its own: the offset, its distance and its angle.
std::string DiscRecordFault(const DiscOffset& d) {
    if (d.dx < -DISC_REACH || d.dx > DISC_REACH || d.dy < -DISC_REACH || d.dy > DISC_REACH)
        return "offset " + Pair(d.dx, d.dy) + " is beyond 100";
    const float length = std::sqrt(static_cast<float>(d.dx * d.dx + d.dy * d.dy));
    if (!std::isfinite(d.distance) || std::fabs(d.distance - length) > DISTANCE_SLACK)
        return "distance " + std::to_string(d.distance) + " is not the length of " + Pair(d.dx, d.dy);
    if (!std::isfinite(d.angle) || std::fabs(d.angle) > LARGEST_ANGLE)
        return "angle " + std::to_string(d.angle) + " is not within -pi..pi";
    return {};
}

}  // namespace

std::string DiscTableFault(const void* disc) {
    const auto centre = Record<DiscOffset>(disc, 0);
    if (centre.dx != 0 || centre.dy != 0 || centre.distance != 0.0f) return At("record", 0, "not the centre");
    float previous = 0.0f;
    for (int n = 0; n < DISC_RECORD_COUNT; ++n) {
        const auto d = Record<DiscOffset>(disc, static_cast<std::size_t>(n));
        if (auto fault = DiscRecordFault(d); !fault.empty()) return At("record", n, fault);
        if (n > 0 && d.dx == 0 && d.dy == 0) return At("record", n, "a second centre");
        if (d.distance < previous) return At("record", n, "nearer than the record before it");
        previous = d.distance;
    }
    return {};
}

std::string RingTableFault(const void* rings, const void* disc) {
    if (Record<std::int32_t>(rings, 0) != 0) return At("entry", 0, "not 0");
    for (int r = 1; r < RING_START_COUNT; ++r) {
        const auto start = Record<std::int32_t>(rings, static_cast<std::size_t>(r));
        if (start < 1 || start >= DISC_RECORD_COUNT)
            return At("entry", r, std::to_string(start) + " is not a record after the centre");
        const float inside = Record<DiscOffset>(disc, static_cast<std::size_t>(start) - 1).distance;
        const float first = Record<DiscOffset>(disc, static_cast<std::size_t>(start)).distance;
        if (inside >= static_cast<float>(r) || first < static_cast<float>(r))
            return At("entry", r,
                      std::to_string(start) + " does not start the ring of radius " + std::to_string(r));
    }
    return {};
}

std::string ScatterTableFault(const void* scatter) {
    for (int n = 0; n < SCATTER_RECORDS_READ; ++n) {
        const auto s = Record<ScatterOffset>(scatter, static_cast<std::size_t>(n));
        const bool near = s.dx >= -SCATTER_REACH && s.dx <= SCATTER_REACH && s.dy >= -SCATTER_REACH &&
                          s.dy <= SCATTER_REACH && s.dx * s.dx + s.dy * s.dy <= SCATTER_REACH * SCATTER_REACH;
        if (!near) return At("record", n, "offset " + Pair(s.dx, s.dy) + " is beyond 25");
    }
    return {};
}
