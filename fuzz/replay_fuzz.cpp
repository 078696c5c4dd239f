// libFuzzer target: the replay file's parser, with the promises the players of a replay rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "replay/replay.h"

namespace {

void Require(bool holds) {
    if (!holds) std::abort();
}

// An error names a line and holds only printable ASCII, whatever bytes the file had.
void CheckError(const std::string& error) {
    Require(error.rfind("line ", 0) == 0);
    for (unsigned char c : error) Require(c >= 0x20 && c < 0x7F);
}

// A replay that parses is one the game can deliver: every value in range, stamps in order and
// none past the end, and the run no longer than a replay runs. The parser takes only the one way of writing
// each replay, so writing it again gives back the very bytes read.
void CheckReplay(const ReplayRecord& replay, const std::string& text) {
    Require(replay.landscapeGravity <= 1 && replay.wind >= 0 && replay.wind <= 3);
    for (Controller c : replay.controllers)
        Require(c >= ControllerHuman && c < CONTROLLER_COUNT &&
                (replay.format == REPLAY_FORMAT_VERSION || c == ControllerHuman));
    Require(replay.steps <= REPLAY_LONGEST_STEPS);
    std::uint32_t previous = 0;
    for (const ReplayEvent& e : replay.events) {
        Require(e.step >= previous && e.step <= replay.steps);
        previous = e.step;
        Require(e.kind <= ReplayEvent::Chat);
        if (ReplayEventIsRemark(e))
            Require(e.value < MAX_MACHINES && (e.kind == ReplayEvent::Name || !e.text.empty()));
        else
            Require(e.text.empty());
        Require(replay.format == REPLAY_FORMAT_VERSION || e.kind != ReplayEvent::Computer);
        Require(e.value < KEY_COUNT);
        if (e.kind == ReplayEvent::Joined || e.kind == ReplayEvent::Left)
            Require(e.value >= 1 && e.value < MAX_MACHINES);
        if (e.kind == ReplayEvent::Close || e.kind == ReplayEvent::Offline) Require(e.value == 0);
    }
    Require(FormatReplay(replay) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ReplayRecord replay;
    std::string error;
    if (ParseReplay(text, &replay, &error))
        CheckReplay(replay, text);
    else
        CheckError(error);
    // What a run cut short left, kept, is a replay the strict reader takes back as it was kept.
    if (ParseCutShortReplay(text, &replay, &error)) {
        const std::string kept = FormatReplay(replay);
        ReplayRecord again;
        Require(ParseReplay(kept, &again, &error) && again == replay);
        CheckReplay(again, kept);
    } else {
        CheckError(error);
    }
    return 0;
}
