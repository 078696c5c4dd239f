// The pace of a machine in a network game: the lateness of stamps and the steps of each tick.
#include "netplay/pacing.h"

#include <algorithm>

namespace netplay {

namespace {

// Neighbours on each side that a stamp's lateness is measured against: half a second of stamps.
constexpr std::size_t NEIGHBOURS = 25;
// Fewer stamps kept than this tell nothing yet.
constexpr std::size_t FEWEST_TO_TELL = 20;
// The lead covers this share of the stamps kept, in hundredths.
constexpr std::size_t COVERED_PERCENT = 95;
// Lateness within this much of a tick's worth counts a frame less: a stamp seen a few milliseconds
// late is seen at the same tick.
constexpr std::int64_t LATENESS_SLACK_MS = 5;

// Held beyond the lead by this much more, a machine is level: held above it, it catches up. Below
// INPUT_DELAY frames the lead never sets the level, so that on a local network, where every
// machine holds about INPUT_DELAY frames of its owner, it runs as ever.
constexpr std::int64_t LEVEL_MARGIN = 2;
// A follower with a lead beyond INPUT_DELAY that is behind its level by up to this many frames, for
// all of its recent ticks, runs two steps a tick; further behind, it catches up at once.
constexpr std::int64_t DRAIN_BAND = 3;

}  // namespace

void StampLateness::Arrived(std::uint32_t frame, std::int64_t ms) {
    if (static_cast<std::int64_t>(frame) <= lastFrame_) return;
    lastFrame_ = frame;
    const std::int64_t offset = ms - static_cast<std::int64_t>(frame) * TICK_MS;
    if (count_ == LATENESS_WINDOW) {
        offsets_[first_] = offset;
        first_ = (first_ + 1) % LATENESS_WINDOW;
    } else {
        offsets_[(first_ + count_++) % LATENESS_WINDOW] = offset;
    }
    leadKnown_ = false;
}

// For each stamp: the lowest offset among it and its neighbours before, and among it and its
// neighbours after; it is late by how far it stands above the higher of the two.
std::vector<std::int64_t> StampLateness::Lateness() const {
    std::vector<std::int64_t> late(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        std::int64_t before = At(i), after = At(i);
        for (std::size_t j = i > NEIGHBOURS ? i - NEIGHBOURS : 0; j < i; ++j)
            before = std::min(before, At(j));
        for (std::size_t j = i + 1; j < count_ && j <= i + NEIGHBOURS; ++j) after = std::min(after, At(j));
        late[i] = At(i) - std::max(before, after);
    }
    return late;
}

int StampLateness::LeadFrames() const {
    if (leadKnown_) return lead_;
    leadKnown_ = true;
    lead_ = 0;
    if (count_ < FEWEST_TO_TELL) return lead_;
    // The lateness that this share of the stamps stays within, in whole frames less the slack.
    std::vector<std::int64_t> late = Lateness();
    const std::size_t at = std::min(late.size() - 1, late.size() * COVERED_PERCENT / 100);
    std::nth_element(late.begin(), late.begin() + static_cast<long>(at), late.end());
    const std::int64_t covered = late[at] - LATENESS_SLACK_MS;
    const std::int64_t frames = covered <= 0 ? 0 : (covered + TICK_MS - 1) / TICK_MS;
    lead_ = static_cast<int>(std::min<std::int64_t>(frames, MAX_LEAD_FRAMES));
    return lead_;
}

// The steps, in order of precedence: a follower about to own the moment runs the others' frames
// it holds; a follower whose picture stands still runs all it holds but INPUT_DELAY frames (those
// it runs at once when the moment passes to it); a machine well behind its level
// catches up to it; one a little behind for a while runs two steps; a follower that has held less
// than its lead for the last half second, its owner's stamps coming, lets the tick pass (and the
// next ones, until it holds its lead: one longer stop rather than many short ones, and after a wait
// for a stamp, the same stop); otherwise one step.
int FollowPacer::StepsThisTick(const TickView& view) {
    recent_[recentNext_] = view.depth;
    recentNext_ = (recentNext_ + 1) % RECENT_TICKS;
    recentCount_ = std::min(recentCount_ + 1, RECENT_TICKS);

    const std::int64_t level = std::max(view.lead, view.inputDelay) + LEVEL_MARGIN;
    const std::int64_t band = view.lead > view.inputDelay ? DRAIN_BAND : 0;
    const std::int64_t afterOne = view.depth - 1;
    std::int64_t steps = 1;
    if (view.follows && view.ownIn > 0) {
        steps = view.ownIn;
    } else if (view.follows && view.still) {
        steps = view.depth - view.inputDelay;
    } else if (afterOne > level + band) {
        steps = view.depth - level;
    } else if (afterOne > level && LowestRecent() - 1 > level) {
        steps = 2;
    } else if (view.follows && view.fresh && HighestRecent() < view.lead) {
        return 0;
    }
    return static_cast<int>(
        std::clamp<std::int64_t>(steps, 1, std::min<std::int64_t>(view.depth + 1, MAX_STEPS_PER_TICK)));
}

std::int64_t FollowPacer::LowestRecent() const {
    std::int64_t lowest = recent_[0];
    for (std::size_t i = 1; i < recentCount_; ++i) lowest = std::min(lowest, recent_[i]);
    return lowest;
}

std::int64_t FollowPacer::HighestRecent() const {
    std::int64_t highest = recent_[0];
    for (std::size_t i = 1; i < recentCount_; ++i) highest = std::max(highest, recent_[i]);
    return highest;
}

}  // namespace netplay
