// Test support: puts every process-wide part of the game back to its start, and runs the real
// game loop on the headless backend with input a test supplies.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"

// Everything back to before start-up: shell, display, sound, platform, trace.
void ResetEverything();

// A driver whose input is a list of steps; each step runs when the game next waits for input
// and returns false to end the run there.
class StepDriver : public HeadlessDriver {
public:
    using Step = std::function<bool()>;
    explicit StepDriver(std::vector<Step> steps) : steps_(std::move(steps)) {}
    bool Feed() override;

private:
    std::vector<Step> steps_;
    std::size_t next_ = 0;
};

// A driver that runs one function per tick until it returns false, for at most `limit` ticks.
class TickDriver : public HeadlessDriver {
public:
    TickDriver(std::function<bool()> step, std::uint32_t limit) : step_(std::move(step)), limit_(limit) {}
    bool Feed() override {
        if (HeadlessTickCount() >= limit_ || !step_()) return false;
        HeadlessTick();
        return true;
    }

private:
    std::function<bool()> step_;
    std::uint32_t limit_;
};

// Runs WinMain from the seed with the driver's input, or the steps as its input; WinMain's status.
int PlayGame(std::uint32_t seed, HeadlessDriver* driver);
int RunGame(std::uint32_t seed, std::vector<StepDriver::Step> steps);

// Helpers for steps.
void PostKey(unsigned message, int key, bool repeat = false);
void PressKey(int key);
// A step that presses and lets go of each key, then runs one tick.
StepDriver::Step Keys(std::vector<int> keys = {});
// A step that runs `action`, then goes on.
template <typename F>
StepDriver::Step Do(F action) {
    return [action] {
        action();
        return true;
    };
}

class GameTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEverything(); }
    void TearDown() override { ResetEverything(); }
};
