// The soak runner's check that computer players keep their pace, frame by frame.
#include "soak/computer_pace.h"

#include <algorithm>
#include <sstream>

#include "players/player_collection.h"

namespace {

const char* LevelName(Controller controller) {
    switch (controller) {
        case ControllerBeginner:
            return "Beginner";
        case ControllerEasy:
            return "Easy";
        case ControllerNormal:
            return "Normal";
        case ControllerHard:
            return "Hard";
        case ControllerExpert:
            return "Expert";
        default:
            return "Human";
    }
}

Controller ControllerOf(int seat) {
    return seat >= 0 && seat < PLAYER_SEATS ? SeatControllers[static_cast<std::size_t>(seat)]
                                            : ControllerHuman;
}

// Counts one more frame unless the computers were held up in it, keeps the longest, and says
// whether the count has passed the limit.
bool Count(bool paused, std::uint32_t limit, std::uint32_t* frames, std::uint32_t* longest) {
    if (!paused) *frames += 1;
    *longest = std::max(*longest, *frames);
    return *frames > limit;
}

std::string Stuck(const char* what, int seat, Controller controller, std::uint32_t frames,
                  const char* ending) {
    std::ostringstream text;
    text << "the " << what << " of player " << seat << " (computer, " << LevelName(controller)
         << ") has lasted " << frames << " frames " << ending;
    return text.str();
}

}  // namespace

PaceFrame ObservePace() {
    PaceFrame frame;
    frame.mode = CurrentMode;
    frame.paused = QuitPromptShown || !AppActive;
    frame.shopPlayer = ShopPlayer;
    frame.shopController = ControllerOf(ShopPlayer);
    if (!ThePlayers) return frame;
    frame.current = ThePlayers->CurrentIndex();
    frame.currentController = ControllerOf(frame.current);
    frame.allComputers = ThePlayers->numPlayers > 0;
    for (int i = 0; i < ThePlayers->numPlayers; ++i)
        frame.allComputers = frame.allComputers && ControllerOf(i) != ControllerHuman;
    return frame;
}

// A turn runs from entering Aiming, or a new current player, to leaving it; a shop visit from
// entering the shop, or a new player in it, to leaving; the table from entering the end of the
// match to leaving. Only the frames of a computer's turn or visit, or of the table of a game
// without people, are counted.
std::string ComputerPaceChecker::Check(const PaceFrame& frame) {
    const bool sameTurn = seen_ && last_.mode == Aiming && last_.current == frame.current;
    const bool sameVisit = seen_ && last_.mode == WeaponShop && last_.shopPlayer == frame.shopPlayer;
    const bool sameTable = seen_ && last_.mode == EndOfMatch;
    seen_ = true;
    last_ = frame;
    if (!sameTurn) turnFrames_ = 0;
    if (!sameVisit) shopFrames_ = 0;
    if (!sameTable) tableFrames_ = 0;

    if (frame.mode == Aiming && frame.currentController != ControllerHuman &&
        Count(frame.paused, COMPUTER_TURN_FRAME_LIMIT, &turnFrames_, &longestTurn_))
        return Stuck("aiming turn", frame.current, frame.currentController, turnFrames_, "without a shot");
    if (frame.mode == WeaponShop && frame.shopController != ControllerHuman &&
        Count(frame.paused, COMPUTER_SHOP_FRAME_LIMIT, &shopFrames_, &longestShop_))
        return Stuck("shop visit", frame.shopPlayer, frame.shopController, shopFrames_, "without finishing");
    if (frame.mode == EndOfMatch && frame.allComputers &&
        Count(frame.paused, DEMO_TABLE_FRAME_LIMIT, &tableFrames_, &longestTable_)) {
        std::ostringstream text;
        text << "the end-of-match table of a game without people has stayed up " << tableFrames_ << " frames";
        return text.str();
    }
    return {};
}
