// The replay written as the game goes, so that a crash leaves it behind, and the keeping, at the
// next start, of what a run cut short had written.
//
// The journal is the replay file's text without its end line, in a file named like the replay with
// ".partial" after it: the head once recording has started, then the events' lines as they come.
// It is appended and handed to the system (which keeps it whatever becomes of the game) at each
// turn's start, and otherwise at most JOURNAL_FLUSH_STEPS frame steps after an event; at a match's
// end it is also synced to the disk (a power cut then loses at most the match under way). At a
// clean end the end line is added, the file synced and renamed to the replay's name. The file is
// locked (store.h's ReplayFileInUse) while the game that writes it runs, so another game started
// meanwhile neither keeps it nor prunes it.
//
// Process-wide: the game or the runner chooses where it goes before WinMain, the shell calls
// ReplayJournalAfterStep after each frame step, and the program finishes or abandons it at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Frame steps (of 20 ms) after which new events are handed to the system even without a turn's
// start: two seconds.
constexpr std::uint32_t JOURNAL_FLUSH_STEPS = 100;

// The game's: the journal goes in that folder (made if missing), named by ReplayFreshName when
// recording starts.
void ReplayJournalInFolder(const std::string& folder);
// The runner's --record FILE: the journal is FILE.partial.
void ReplayJournalToFile(const std::string& path);

// After each frame step: starts the journal once recording has started, and appends what is new
// when a turn has started, a match has ended (then syncs) or the flush interval has passed. A
// failure is traced once and ends journalling; the run is then saved whole at its end as before.
void ReplayJournalAfterStep(bool turnStarted, bool matchEnded);

// A clean end: the rest of the run and its end line are appended, the file synced and renamed to
// the replay's name (in *saved), and the folder synced. False, with the reason, when there is no
// journal of the run to finish (journalling failed, or the run recorded nothing of its own): the
// caller then writes the replay whole. The partial file is removed either way.
bool ReplayJournalFinish(std::string* saved, std::string* error);
// A run that did not start: its journal is removed.
void ReplayJournalAbandon();

void ReplayJournalResetForTests();

// At a start: every "*.lobshot-replay.partial" in the folder that no running game holds is kept
// as a replay, up to its last whole line (replay.h's ParseCutShortReplay): one cut short as
// "NAME-cut-short.lobshot-replay", ending in its cut line; one that reached its end line (a whole
// replay whose rename never came) under its own name. One trace row says so for each, or that one
// without a whole head was removed. Returns the kept replays' paths.
std::vector<std::string> ReplayKeepCutShort(const std::string& folder);
