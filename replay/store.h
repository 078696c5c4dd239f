// Replay files on disk: reading one whole, saving one (written whole, core/files.h), and the game's folder of
// the newest replays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "replay/replay.h"

// Reads and parses a replay file. False with a message naming the file (and the line) when it
// cannot be read, is longer than LARGEST_REPLAY_FILE or is not a whole replay of this game.
bool ReplayReadFile(const std::string& path, ReplayRecord* replay, std::string* error);

// A name in the folder for a replay of that seed, of the UTC time now, ending ".lobshot-replay",
// that no file there has yet (nor a ".partial" one).
std::string ReplayFreshName(const std::string& directory, std::uint32_t seed);

// Whether another open file holds the lock a replay being written takes (flock, exclusive): the
// partial file of a game still running. The lock goes with the process, however it ends.
bool ReplayFileInUse(const std::string& path);

// The game's data folder: $XDG_DATA_HOME/lobshot when XDG_DATA_HOME is an absolute path, else
// $HOME/.local/share/lobshot; empty when neither can be found.
std::string GameDataDirectory();

// The game's replay folder: "replays" in the data folder; empty when there is none.
std::string ReplayDirectory();

// The number of replays the game keeps.
constexpr std::size_t KEPT_REPLAYS = 50;

// Saves a finished run in the folder (made if missing) under a name of the UTC time it is saved and
// its seed, ending ".lobshot-replay", then prunes the folder (ReplayPrune). The new file's path in
// *saved. False with the reason when it cannot be saved.
bool ReplaySaveInDirectory(const std::string& directory, const ReplayRecord& replay, std::size_t keep,
                           std::string* saved, std::string* error);

// Prunes the folder: removes the oldest files ending ".lobshot-replay" (by modification time, then
// name) until at most keep are left, likewise the oldest desync reports written beside them
// ("desync-*.txt", netplay's), and the temporary ".partial" files of either kind that are more
// than ten minutes old (a write that never finished; a newer one may be being written now) and
// not in use (ReplayFileInUse: a replay written as a game goes). Other files are left alone. Returns how many
// it removed.
std::size_t ReplayPrune(const std::string& directory, std::size_t keep);
