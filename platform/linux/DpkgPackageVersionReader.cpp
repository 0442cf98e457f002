#include "platform/linux/DpkgPackageVersionReader.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace scribeon {

namespace {

// A Debian version is short; anything longer is not one.
constexpr std::size_t longestVersion = 128;

struct Pipe {
    int read = -1, write = -1;
    ~Pipe() {
        if (read >= 0)
            ::close(read);
        if (write >= 0)
            ::close(write);
    }
};

bool isVersionCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           std::strchr(".+-~:", c) != nullptr;
}

// Reads the child's output until it closes it, the deadline passes or
// there is more than a version's worth.
bool readOutput(int fd, std::chrono::milliseconds timeout, std::string& out) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::array<char, 512> chunk{};
    while (out.size() <= longestVersion) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t got = ::read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return true;
        out.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return true;
}

} // namespace

DpkgPackageVersionReader::DpkgPackageVersionReader(std::string program,
                                                   std::chrono::milliseconds timeout)
    : program_(std::move(program)), timeout_(timeout) {}

Result<std::string, FileError> DpkgPackageVersionReader::version(const std::string& packagePath) {
    Pipe output;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return FileError{std::string("pipe: ") + std::strerror(errno)};
    output.read = ends[0];
    output.write = ends[1];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output.write, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string field = "--field", name = "Version", path = packagePath;
    char* argv[] = {program_.data(), field.data(), path.data(), name.data(), nullptr};
    pid_t pid = 0;
    const int spawned = ::posix_spawnp(&pid, program_.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return FileError{"cannot run " + program_ + ": " + std::strerror(spawned)};
    ::close(output.write);
    output.write = -1;

    std::string out;
    const bool answered = readOutput(output.read, timeout_, out);
    if (!answered || out.size() > longestVersion)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered)
        return FileError{program_ + " did not answer"};
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return FileError{program_ + " cannot read " + packagePath};
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    if (out.empty() || out.size() > longestVersion ||
        !std::all_of(out.begin(), out.end(), isVersionCharacter))
        return FileError{packagePath + " states no usable version"};
    return out;
}

} // namespace scribeon
