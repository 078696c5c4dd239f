// The replay the page hands the game: the calls into the page's script (page/replay.js).
#include "platform/web/web_replay.h"

#include <emscripten.h>

#include <cstdlib>

// clang-format off: the bodies of EM_JS are JavaScript.
// The game's thread sleeps here until the page's replay has arrived (its size in bytes) or it has
// none (-1). Module.lobshotReplaySource, set by the page's script when it holds a replay, gives a
// promise of its bytes, or of null after a failure it has shown.
EM_JS(int, web_page_replay_wait, (double largest), {
    Module.lobshotLargestReplay = largest;
    const source = Module.lobshotReplaySource;
    if (!source) return -1;
    return Asyncify.handleSleep(function(wakeUp) {
        source(largest).then(
            function(bytes) {
                Module.lobshotReplayBytes = bytes;
                wakeUp(bytes ? bytes.length : -1);
            },
            function() { wakeUp(-1); });
    });
});

EM_JS(void, web_page_replay_copy, (char* to), { HEAPU8.set(Module.lobshotReplayBytes, to); });

EM_JS(char*, web_page_replay_name, (), {
    const text = Module.lobshotReplayName || 'the replay';
    const size = lengthBytesUTF8(text) + 1;
    const copy = _malloc(size);
    stringToUTF8(text, copy, size);
    return copy;
});

EM_JS(void, web_page_replay_refused, (const char* reason), {
    if (Module.lobshotReplayRefused) Module.lobshotReplayRefused(UTF8ToString(reason));
});

EM_JS(void, web_page_replay_playing, (), {
    if (Module.lobshotReplayPlaying) Module.lobshotReplayPlaying();
});
// clang-format on

bool WebTakePageReplay(std::size_t largest, std::string* name, std::string* bytes) {
    const int size = web_page_replay_wait(static_cast<double>(largest));
    if (size < 0) return false;
    bytes->assign(static_cast<std::size_t>(size), '\0');
    if (size > 0) web_page_replay_copy(bytes->data());
    char* text = web_page_replay_name();
    *name = text;
    std::free(text);
    return true;
}

void WebRefusePageReplay(const std::string& reason) { web_page_replay_refused(reason.c_str()); }

void WebPlayingPageReplay() { web_page_replay_playing(); }
