// The soak runner's check that computer players keep a person's pace: no turn, shop visit or demo
// end-of-match table is left hanging.
//
// The checker sees one frame at a time, as ObservePace reads it from the shell's globals after a
// frame step, and counts the frames a computer has had for what it is doing. Frames in which the
// computers are held up by a person (the quit prompt) or the system (the game in the background)
// do not count.
#pragma once

#include <cstdint>
#include <string>

#include "computer/computer_players.h"
#include "core/globals.h"
#include "screens/setup_state.h"

// A computer's aiming turn: thinking, the barrel swept from end to end at two steps a frame, the
// pause and the shot come to about 150 frames.
constexpr std::uint32_t COMPUTER_TURN_FRAME_LIMIT = 200;
// A computer's shop visit: a wait before its first move, then for each purchase and for "Finish" at
// most a walk over every row and a press of Enter, one move every pace, and a margin.
constexpr std::uint32_t COMPUTER_SHOP_FRAME_LIMIT =
    (2 + (COMPUTER_SHOP_PURCHASES + 1) * (SHOP_FINISH_ROW + 1)) * COMPUTER_SHOP_PACE + 30;
// An all-computer game's end-of-match table moves on by itself; a margin for the frames around it.
constexpr std::uint32_t DEMO_TABLE_FRAME_LIMIT = COMPUTER_DEMO_TABLE_FRAMES + 10;

// What the pace check needs of one frame.
struct PaceFrame {
    std::uint32_t mode = Title;
    // The quit prompt is up or the game is in the background: the computers wait.
    bool paused = false;
    // The player whose turn it is, and who plays that seat.
    int current = -1;
    Controller currentController = ControllerHuman;
    // The player in the shop, and who plays that seat.
    int shopPlayer = -1;
    Controller shopController = ControllerHuman;
    // Every seat in the game is the computer's.
    bool allComputers = false;
};

// The frame as the shell's globals show it now.
PaceFrame ObservePace();

class ComputerPaceChecker {
public:
    // Takes in one frame; an empty string while the computers keep their pace, else what is stuck.
    // It goes on counting either way.
    std::string Check(const PaceFrame& frame);

    // The longest of each seen so far, in counted frames.
    std::uint32_t LongestTurn() const { return longestTurn_; }
    std::uint32_t LongestShopVisit() const { return longestShop_; }
    std::uint32_t LongestTable() const { return longestTable_; }

private:
    bool seen_ = false;
    PaceFrame last_;
    std::uint32_t turnFrames_ = 0;
    std::uint32_t shopFrames_ = 0;
    std::uint32_t tableFrames_ = 0;
    std::uint32_t longestTurn_ = 0;
    std::uint32_t longestShop_ = 0;
    std::uint32_t longestTable_ = 0;
};
