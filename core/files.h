// Files on disk written whole or not at all.
#pragma once

#include <string>

// Writes text to path whole or not at all: it goes to a temporary file beside path (its name and
// ".partial", locked while it is written), is flushed to the disk and only then renamed over path,
// so neither a failed write nor a crash leaves a partial file under the name. The folder is then
// synced too, so the new name survives a crash. False with the reason when it fails; the temporary
// file is then removed (when only the folder's sync failed, the file is in place under its name).
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

// Syncs the folder holding path, so that a rename in it survives a crash; false with the reason.
// A folder whose file system cannot sync folders is taken as synced.
bool SyncFolder(const std::string& path, std::string* error);
