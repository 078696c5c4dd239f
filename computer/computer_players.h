// Computer players at the keyboard: which keys the computers press in each frame step.
//
// A computer plays through the same key commands as a person, at a pace a person can follow: in
// its turn it thinks for a moment, turns the barrel and sets the power a step at a time, picks its
// weapon and fires; in the weapon shop it moves the cursor, buys and finishes. When every tank is
// the computer's, the end-of-match table moves on by itself, so the game plays on as a demo.
// The shell asks once a frame step, before the mode's work (replay/session.h's ReplayComputerKeys),
// and hands each key to ApplyInput as a computer's key, where the replay being recorded keeps it
// and the commands a person's key reaches take it. Playing back a replay, the recorded keys are
// used and the computers are not asked. A computer's turn starts when a turn has started (TurnsStarted moved)
// since the last step, or when its seat aims and it has no turn under way; with only people at the keyboard
// nothing is pressed and nothing is drawn from the computers' generator.
#pragma once

#include <cstdint>

struct ComputerKeys {
    static constexpr int CAPACITY = 8;
    int count = 0;
    int keys[CAPACITY] = {};
    void Press(int key) {
        if (count < CAPACITY) keys[count++] = key;
    }
};

// Once a run, with the seed the game's generator started from.
void ComputerPlayersStart(std::uint32_t seed);
// Once a frame step: the keys (virtual-key codes) the computer players press now, in order.
ComputerKeys ComputerPlayersFrame();
// Tests: as before start-up.
void ComputerPlayersResetForTests();

// Pacing, in frame steps of 20 ms.
constexpr int COMPUTER_THINK_FRAMES = 50;        // at most this long thinking before aiming anyway
constexpr int COMPUTER_STEPS_PER_FRAME = 2;      // angle and power steps a frame
constexpr int COMPUTER_WEAPON_PACE = 4;          // frames between weapon changes
constexpr int COMPUTER_FIRE_PAUSE = 10;          // frames between the aim being set and the shot
constexpr int COMPUTER_SHOP_PACE = 6;            // frames between moves in the shop
constexpr int COMPUTER_SHOP_PURCHASES = 12;      // at most this many purchases a visit
constexpr int COMPUTER_DEMO_TABLE_FRAMES = 200;  // an all-computer game's end-of-match table stays up
