// The computer levels' styles of play, Beginner to Expert.
#include "computer/level_style.h"

namespace {

constexpr LevelStyle BEGINNER_STYLE{45, 15, 75, 1,     52,   6,
                                    68, 19, 60, false, true, {0, 55, 30, 300, 5, false, 100}};
constexpr LevelStyle EASY_STYLE{35, 10, 75, 2, 39, 4, 66, 19, 25, true, true, {5, 50, 40, 230, 4, false, 93}};
constexpr LevelStyle NORMAL_STYLE{12, 6,  84, 2,    30,   3,
                                  62, 16, 55, true, true, {20, 40, 50, 180, 2, true, 92}};
constexpr LevelStyle HARD_STYLE{8, 5, 88, 3, 33, 2, 63, 20, 12, true, false, {}};
constexpr LevelStyle EXPERT_STYLE{4, 4, 88, 3, 25, 2, 72, 15, 0, true, false, {}};

}  // namespace

const LevelStyle& StyleOf(Controller level) {
    switch (level) {
        case ControllerBeginner:
            return BEGINNER_STYLE;
        case ControllerEasy:
            return EASY_STYLE;
        case ControllerNormal:
            return NORMAL_STYLE;
        case ControllerHard:
            return HARD_STYLE;
        default:
            return EXPERT_STYLE;
    }
}
