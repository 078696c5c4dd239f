// The rules of the game's state that the soak runner checks after every frame.
//
// Some must hold whatever the keys; others say what may change from one frame to the next.
// Everything is read from the shell's globals and the public records of the landscape, the players,
// the projectiles and the set-up screens. The checker remembers the previous frame, so it also sees
// a match begin, a shot start and end, and a match be settled. It also keeps the computer players
// to their pace (soak/computer_pace.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "players/player.h"
#include "soak/computer_pace.h"

// A turn that has not ended after this many frames of a shot is taken to be stuck.
constexpr std::uint32_t DEFAULT_SHOT_FRAME_LIMIT = 20000;

class InvariantChecker {
public:
    explicit InvariantChecker(std::uint32_t shotFrameLimit = DEFAULT_SHOT_FRAME_LIMIT)
        : shotFrameLimit_(shotFrameLimit) {}

    // Looks at the game as it is now (after a frame step and the keys before it); an empty string
    // when every rule holds, else what is wrong. The first failure is reported, and the checker
    // goes on remembering the frame either way.
    std::string Check();

    // The computers' pace as seen so far.
    const ComputerPaceChecker& Pace() const { return pace_; }

private:
    struct PlayerSeen {
        std::int32_t x = 0;
        std::int32_t y = 0;
        bool alive = false;
        std::int32_t armour = 0;
        std::int32_t cash = 0;
        std::int32_t profit = 0;
        std::array<std::int32_t, WEAPON_COUNT> stock{};
    };

    std::string CheckFrame() const;
    std::string CheckMatch();
    std::string CheckShot();
    void Remember();

    std::uint32_t shotFrameLimit_;
    ComputerPaceChecker pace_;
    bool seen_ = false;
    std::uint32_t mode_ = 0;
    std::array<PlayerSeen, MAX_PLAYERS> players_{};
    std::uint32_t shotFrames_ = 0;
    int shooter_ = -1;
    int shotWeapon_ = -1;
    std::int32_t shotStock_ = 0;
    int roundsUsed_ = 0;
};
