// The pace of a machine in a network game: how late the other machines' stamps come, and from that
// how many frame steps each 20 ms tick runs. Pure: times, depths and owners come in, decisions go
// out; catch_up.cpp feeds it from the session, and the tests feed it made-up arrivals.
//
// A machine that follows (another machine stamps the frames it plays now) runs a little behind the
// newest stamp it holds, by a lead that covers how late the stamps have lately come: it steps one
// frame a tick while it holds about the lead, lets ticks pass while it holds less and the stamps
// come (so that a late stamp finds frames still in hand instead of stopping the picture), and steps a
// little faster while it holds well over the lead. On a local network the stamps come on time, the
// lead is 0 or 1 frame, and it runs exactly as a machine that steps as soon as it can.
//
// The owner of the moment is never held back (but for a guest far ahead of a slow host, which waits
// for it: netplay/stamps.h, OWNER_AHEAD_LIMIT); a follower about to own the moment runs the frames it
// still holds of the others at once, so that its own first frame goes out early. Since it learns
// that only INPUT_DELAY frames ahead, it also runs all it holds but those INPUT_DELAY frames while the
// picture stands still (the moment passes only from such a picture): when the moment passes, it is
// behind only by the time the stamps take to come.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace netplay {

// The window's timer: a frame step every this many milliseconds.
constexpr int TICK_MS = 20;
// The lead never passes this many frames (half a second).
constexpr int MAX_LEAD_FRAMES = 25;
// A tick runs at most this many steps.
constexpr int MAX_STEPS_PER_TICK = 10;

// How late one machine's stamps come. Each stamp's arrival against its frame (the arrival time less
// the frame's place at TICK_MS a frame) is kept for the last LATENESS_WINDOW stamps. A stamp is late
// by how far that stands above its neighbours' lowest, before it and after it, whichever is higher:
// so a stamp held up by a lost packet counts as late, while the whole stream moving (its owner
// paused, or caught up a few frames at once) counts as late for none.
class StampLateness {
public:
    // The stamps kept: five seconds of play.
    static constexpr std::size_t LATENESS_WINDOW = 250;

    // The stamp for `frame` was first seen at `ms` (any steady milliseconds). Stamps come in frame
    // order; one for a frame not beyond the last seen is ignored.
    void Arrived(std::uint32_t frame, std::int64_t ms);
    // The lead in frames that covers 95 in 100 of the stamps kept, 0 to MAX_LEAD_FRAMES; 0 while
    // too few are kept to tell.
    int LeadFrames() const;
    // The lateness in milliseconds of each stamp kept, oldest first (for the tests).
    std::vector<std::int64_t> Lateness() const;

private:
    std::array<std::int64_t, LATENESS_WINDOW> offsets_{};  // a ring, oldest at first_
    std::size_t first_ = 0, count_ = 0;
    std::int64_t lastFrame_ = -1;
    mutable int lead_ = 0;
    mutable bool leadKnown_ = true;

    std::int64_t At(std::size_t i) const { return offsets_[(first_ + i) % LATENESS_WINDOW]; }
};

// What a machine knows at a tick that may run a step (its next frame's stamp is here).
struct TickView {
    std::int64_t depth = 0;  // frames held beyond the next one, from whoever stamps the next one
    bool follows = false;    // another machine stamps the next frame
    // Frames from the next one to this machine's first own frame, when one is known ahead (its owner
    // is known INPUT_DELAY frames ahead); 0 when none is.
    int ownIn = 0;
    bool fresh = false;  // stamps from whoever stamps the next frame are coming (one came lately)
    // The picture stands still (a shop, a menu, a shot settling before the turn passes): a follower
    // runs all it holds but inputDelay frames, its lead not needed, so that it is level when the
    // moment passes.
    bool still = false;
    int lead = 0;        // the lead for whoever stamps the next frame (0: the lead is off)
    int inputDelay = 3;  // frames between a key and the step it reaches
};

// The steps of each tick, from what the machine held at its last ticks.
class FollowPacer {
public:
    // Ticks of depth remembered: half a second.
    static constexpr std::size_t RECENT_TICKS = 25;

    // The steps this tick runs, 0 (the tick passes) to MAX_STEPS_PER_TICK, never more than the
    // frames held. Called once a tick, when the next frame's stamp is here.
    int StepsThisTick(const TickView& view);

private:
    std::int64_t LowestRecent() const;
    std::int64_t HighestRecent() const;

    std::array<std::int64_t, RECENT_TICKS> recent_{};
    std::size_t recentCount_ = 0, recentNext_ = 0;
};

}  // namespace netplay
