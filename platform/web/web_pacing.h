// The page's pace: the game's steps kept on the clock whatever the rate of the browser's frame calls.
//
// The browser wakes the game once a displayed frame, 30, 60, 144 times a second or whatever the
// display does; the game steps every `period` milliseconds (20: 50 steps a second) by the clock.
// A wake-up runs every step owed since the last one, so a display slower than the game still sees
// the game at full speed, and one faster runs a step only on some wake-ups. After a stall (a page
// in the background, a slow machine) at most MAX_STEPS_OWED steps are owed: the time beyond is
// dropped rather than raced through. Pure, so that the tests build it natively.
#pragma once

// The most steps one wake-up runs after a stall.
constexpr int MAX_STEPS_OWED = 4;

class StepPacer {
public:
    // Starts (or starts again) with the first step one period after `now`, in milliseconds.
    void Start(double now, double period);
    void Stop() { running_ = false; }
    bool Running() const { return running_; }

    // Whether a step is owed at `now`.
    bool Due(double now) const { return running_ && now >= next_; }
    // Takes one owed step: the next one falls a period after it, or after `now` less what
    // MAX_STEPS_OWED steps take when the game is further behind than that.
    void Take(double now);
    // Whole milliseconds from `now` until the next step is due (0 when it is due).
    int MillisecondsToNext(double now) const;

private:
    bool running_ = false;
    double period_ = 20;
    double next_ = 0;
};
