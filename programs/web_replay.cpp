// A replay watched in the web page: read with the replay reader's checks and loaded for playback.
#include "programs/web_replay.h"

#include <string>

#include "platform/web/web_replay.h"
#include "replay/replay.h"
#include "replay/session.h"

namespace {

// The name the page gave the replay being played, for its messages.
std::string PlayedName;

// Parses a replay as ReplayReadFile does a file, its messages naming it as that names the file.
bool ReadPageReplay(const std::string& name, const std::string& bytes, ReplayRecord* replay,
                    std::string* error) {
    std::string why;
    if (ParseReplay(bytes, replay, &why)) return true;
    *error = name + ": " + why;
    return false;
}

}  // namespace

void WebLoadPageReplay() {
    std::string name, bytes;
    if (!WebTakePageReplay(LARGEST_REPLAY_FILE, &name, &bytes)) return;
    ReplayRecord replay;
    std::string error;
    if (!ReadPageReplay(name, bytes, &replay, &error)) {
        WebRefusePageReplay(error);
        return;
    }
    ReplayLoad(replay, true);
    PlayedName = name;
    WebPlayingPageReplay();
}

void WebRefuseStoppedReplay() {
    if (!ReplayRefusal().empty()) WebRefusePageReplay(PlayedName + ": " + ReplayRefusal());
}

extern "C" const char* lobshot_check_replay(const char* name, const char* bytes, int size) {
    static std::string error;
    error.clear();
    ReplayRecord replay;
    const std::string text = size > 0 ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
    ReadPageReplay(name, text, &replay, &error);
    return error.c_str();
}
