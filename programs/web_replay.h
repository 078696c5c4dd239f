// A replay watched in the web page: the one the page hands over before the game starts, and the
// check of a file chosen while the game runs (the page's script keeps a good one and reloads, so
// that it is played from a fresh start like any other).
#pragma once

// Before WinMain: the replay the page holds, if any, is read with the replay reader's checks and
// loaded to be played as `lobshot --replay` plays it (held at its end until Esc leaves). One the
// reader refuses is refused on the page with the reader's message, and the game starts as usual.
void WebLoadPageReplay();
// After the game ended: a replay refused as it played (replay/session.h's ReplayRefusal) is
// refused on the page with that reason, in place of the offer to play or watch again.
void WebRefuseStoppedReplay();

extern "C" {
// The page's script: "" when `size` bytes at `bytes` are a replay this game plays, else why not
// ("NAME: line N: ..."), valid until the next call. Any bytes may be given.
const char* lobshot_check_replay(const char* name, const char* bytes, int size);
}
