// Replay files on disk: reading one whole, writing one atomically, and the game's folder of the
// newest replays.
#pragma once

#include <cstddef>
#include <string>

#include "replay/replay.h"

// Reads and parses a replay file. False with a message naming the file (and the line) when it
// cannot be read, is longer than LARGEST_REPLAY_FILE or is not a whole replay of this game.
bool ReplayReadFile(const std::string& path, ReplayRecord* replay, std::string* error);

// Writes text to path whole or not at all: it goes to a temporary file beside path, is flushed to
// the disk and only then renamed over path, so neither a failed write nor a crash leaves a partial
// file under the name (at worst a temporary one ending in ".partial"). False with the reason when
// it fails; the temporary file is then removed.
bool ReplayWriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

// The game's replay folder: $XDG_DATA_HOME/lobshot/replays when XDG_DATA_HOME is an absolute
// path, else $HOME/.local/share/lobshot/replays; empty when neither can be found.
std::string ReplayDirectory();

// The number of replays the game keeps.
constexpr std::size_t KEPT_REPLAYS = 50;

// Saves a finished run in the folder (made if missing) under a name of the UTC time it is saved and
// its seed, ending ".lobshot-replay", then removes the oldest replays there beyond keep. The new
// file's path in *saved. False with the reason when it cannot be saved.
bool ReplaySaveInDirectory(const std::string& directory, const ReplayRecord& replay, std::size_t keep,
                           std::string* saved, std::string* error);

// Removes the oldest files ending ".lobshot-replay" in the folder (by modification time, then
// name) until at most keep are left; other files are left alone. Returns how many it removed.
std::size_t ReplayPrune(const std::string& directory, std::size_t keep);
