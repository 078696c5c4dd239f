// Files on disk written whole or not at all.
#include "core/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool Failed(std::string* error, const std::string& what) {
    *error = what + ": " + std::strerror(errno);
    return false;
}

// Writes, flushes and syncs the whole text to a new file of that name.
bool WriteSynced(const std::string& name, const std::string& text, std::string* error) {
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return Failed(error, "cannot make " + name);
    ::flock(fd, LOCK_EX | LOCK_NB);  // one who tidies up left files leaves it alone
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Failed(error, "cannot write " + name);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 && errno != EINVAL) {
        Failed(error, "cannot write " + name);
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) return Failed(error, "cannot write " + name);
    return true;
}

}  // namespace

// Folders whose file system cannot sync them (EINVAL) are taken as synced.
bool SyncFolder(const std::string& path, std::string* error) {
    const fs::path parent = fs::path(path).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Failed(error, "cannot sync the folder " + folder);
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    if (!synced) Failed(error, "cannot sync the folder " + folder);
    ::close(fd);
    return synced;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error) {
    if (path.empty()) {
        *error = "no file name";
        return false;
    }
    const std::string partial = path + ".partial";
    if (!WriteSynced(partial, text, error)) {
        std::remove(partial.c_str());
        return false;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        Failed(error, "cannot rename " + partial + " to " + path);
        std::remove(partial.c_str());
        return false;
    }
    return SyncFolder(path, error);
}
