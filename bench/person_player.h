// A person at the keyboard for the ladder benchmark: shells aimed by eye and corrected from where
// the last one landed, pressed as keys.
//
// The computer levels are tuned against it, so it plays only by what a person at the screen has:
// the tanks and the ground as drawn, the wind's arrow and where its own last shell came down. It
// never asks the computers' flight simulation. Its habits: a first power guessed from the distance
// by feel, the power put up or down by how far the last shell fell short or went over (judged with
// a sense of "pixels per step of power" that is drawn each match and may be well off), halfway
// between two shots that fell either side of the target, the barrel raised when a hill stops the
// shell or its own comes down just in front of it, lowered with more power when the wind blows
// its shell back onto it, and a fresh guess whenever it moves or the ground is new. The better a
// player, the closer its first guess, the more of the wind it allows for and the more it learns
// from its last two shots. It buys nothing and fires only shells.
//
// The benchmark's driver owns one per seat and calls Aim in each frame step in which that seat
// aims, Watch in each step of its shot's flight and NewMatch when the ground changes.
#pragma once

#include <cstdint>
#include <vector>

struct Player;

enum class PersonSkill { Novice, Casual, Practised };

class PersonPlayer {
public:
    void Start(PersonSkill skill, std::uint32_t seed);
    // A new landscape: everything learnt is forgotten, and the sense of power drawn again.
    void NewMatch();
    // The keys (virtual-key codes) seat `seat` presses in this frame step of its turn.
    void Aim(int seat, std::vector<int>* keys);
    // Where its shell is as the screen shows it, once a frame step of the flight.
    void Watch();

private:
    struct Plan {
        std::int32_t angle = 90;
        std::int32_t power = 50;
    };
    Plan Decide(int seat);
    Plan FirstGuess(int seat, int target) const;
    bool Moved(const Player& me) const;
    int Next(int limit);

    PersonSkill skill_ = PersonSkill::Novice;
    std::uint32_t state_ = 1;
    int feel_ = 20;  // pixels it believes one step of power moves the shell
    // The turn under way.
    std::uint32_t turn_ = 0;
    int frames_ = 0;
    bool planned_ = false;
    bool fired_ = false;
    Plan plan_;
    // The last shot: from where, at whom, how, in what wind, and where it came down.
    bool haveLast_ = false;
    bool landed_ = false;
    int lastTarget_ = -1;
    std::int32_t fromX_ = 0, fromY_ = 0;
    std::int32_t lastWind_ = 0;
    Plan last_;
    std::int32_t landX_ = 0;
    std::int32_t lastMiss_ = 0;
    // The shot before it from the same place, for a better player to learn how far a step goes.
    bool haveEarlier_ = false;
    Plan earlier_;
    std::int32_t earlierMiss_ = 0;
    int elevation_ = 45;
};
