#include "platform/linux/LinuxDownloadFolder.h"

#include "base/FileName.h"

#include <fcntl.h>
#include <stdio.h> // renameat2
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace scribeon {

namespace {

// Tries before giving up: a clash of random names is a sign of something
// else than chance, and numbered names beyond this many are no help.
constexpr int stagingAttempts = 16;
constexpr int numberedNames = 1000;

std::string randomSuffix() {
    std::random_device random;
    constexpr char digits[] = "0123456789abcdef";
    std::string suffix;
    for (int i = 0; i < 12; ++i)
        suffix += digits[random() % 16];
    return suffix;
}

FileError systemError(const std::string& what) {
    return FileError{what + ": " + std::strerror(errno)};
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// Moves `from` to `to` unless `to` exists in any form; errno says why not.
bool moveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A hard link is made only where nothing is, on every file system.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

} // namespace

LinuxDownloadFolder::LinuxDownloadFolder(std::string directory)
    : directory_(std::move(directory)) {}

Result<std::string, FileError> LinuxDownloadFolder::stage(std::string_view bytes) {
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    if (error)
        return FileError{"cannot make " + directory_ + ": " + error.message()};
    for (int attempt = 0; attempt < stagingAttempts; ++attempt) {
        const std::string path = directory_ + "/.scribeon-download-" + randomSuffix();
        const int fd =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return systemError("cannot create a file in " + directory_);
        const bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
        const int writeError = errno;
        const bool closed = ::close(fd) == 0;
        if (written && closed)
            return path;
        errno = written ? errno : writeError;
        FileError failure = systemError("cannot write " + path);
        ::unlink(path.c_str());
        return failure;
    }
    return FileError{"no free name for a file in " + directory_};
}

Result<std::string, FileError> LinuxDownloadFolder::publish(const std::string& stagedPath,
                                                            const std::string& name) {
    if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos)
        return FileError{"not a plain file name: " + name};
    for (int n = 0; n < numberedNames; ++n) {
        const std::string path = directory_ + "/" + numberedFileName(name, n);
        if (moveWithoutReplacing(stagedPath, path))
            return path;
        if (errno != EEXIST)
            return systemError("cannot name the download " + path);
    }
    return FileError{"every name like " + name + " is taken in " + directory_};
}

void LinuxDownloadFolder::discard(const std::string& stagedPath) {
    ::unlink(stagedPath.c_str());
}

} // namespace scribeon
