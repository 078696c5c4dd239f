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

// Runs WinMain with the steps as its input; returns WinMain's status.
int RunGame(std::uint32_t seed, std::vector<StepDriver::Step> steps);

// Helpers for steps.
void PostKey(unsigned message, int key, bool repeat = false);
void PressKey(int key);

class GameTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEverything(); }
    void TearDown() override { ResetEverything(); }
};
