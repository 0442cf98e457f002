#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace scribeon::server {

// The built scribeon-server, named by the test's environment; tests that
// need the real process skip without it.
inline const char* serverBinary() {
    return std::getenv("SCRIBEON_SERVER_BINARY");
}

// A socket connected to the port on loopback with the request sent, or -1;
// a small receive buffer keeps the kernel from taking much of a reply on the
// client's behalf.
inline int sendToLoopback(int port, const std::string& request, int receiveBuffer = 0) {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (receiveBuffer > 0)
        ::setsockopt(socket, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(socket, request.data(), request.size(), MSG_NOSIGNAL) == std::ssize(request))
        return socket;
    ::close(socket);
    return -1;
}

// Starts scribeon-server on a free port and reads the port from its first
// line. Its standard output and error go to stdout.txt and stderr.txt in
// the directory given; quiet turns the access log off; `options` follow.
struct ServerProcess {
    pid_t pid = -1;
    int port = 0;

    ServerProcess(const std::string& database, const std::filesystem::path& directory,
                  bool quiet = true, const std::vector<std::string>& options = {}) {
        const auto output = directory / "stdout.txt";
        const auto errors = directory / "stderr.txt";
        std::vector<std::string> arguments{serverBinary(), "--db", database, "--listen",
                                           "127.0.0.1:0"};
        if (quiet)
            arguments.emplace_back("--quiet");
        arguments.insert(arguments.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t files;
        ::posix_spawn_file_actions_init(&files);
        ::posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, output.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errors.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::posix_spawn(&pid, serverBinary(), &files, nullptr, argv.data(), environ);
        ::posix_spawn_file_actions_destroy(&files);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (port == 0 && std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(output);
            std::string line;
            if (std::getline(in, line) && line.rfind("scribeon-server listening on", 0) == 0)
                port = std::stoi(line.substr(line.rfind(':') + 1));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    void kill(int signal) {
        if (pid > 0) {
            ::kill(pid, signal);
            ::waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }
    ~ServerProcess() { kill(SIGKILL); }
};

} // namespace scribeon::server
