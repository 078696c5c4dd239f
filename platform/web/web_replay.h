// The replay the page hands the game: fetched by the page's link or chosen as a file, for the web
// program (programs/) to check and play. The page's script (page/replay.js) does the fetching,
// the file control and the messages; nothing here knows the replay's format.
#pragma once

#include <cstddef>
#include <string>

// Before the game starts: waits for the replay the page holds, if any (the page's thread returns to
// the browser meanwhile), and gives its bytes (at most largest + 1 of them: a longer file is cut
// there, so the reader still sees that it is too long) and a name for messages. False when the
// page holds none, or its link could not be fetched (the page has said why).
bool WebTakePageReplay(std::size_t largest, std::string* name, std::string* bytes);

// The page shows why the replay it handed over cannot be played; the game starts as usual.
void WebRefusePageReplay(const std::string& reason);

// The page's replay is being played: when the game ends the page offers to play, or to watch again.
void WebPlayingPageReplay();
