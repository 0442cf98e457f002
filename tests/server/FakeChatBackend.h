#pragma once

#include <httplib.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace scribeon::server {

// fake_chat_completions.py on a free loopback port, for as long as this lives.
class FakeChatBackend {
public:
    FakeChatBackend() {
        int out[2];
        if (::pipe(out) != 0)
            throw std::runtime_error("no pipe");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::execl("/usr/bin/python3", "python3", SCRIBEON_FAKE_CHAT, "--pace-ms", "0", nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        FILE* lines = ::fdopen(out[0], "r");
        char line[128] = {};
        if (std::fgets(line, sizeof line, lines))
            std::sscanf(line, "fake-chat listening on %d", &port);
        std::fclose(lines);
        if (port == 0)
            throw std::runtime_error("the fake chat back end did not start");
    }
    ~FakeChatBackend() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    FakeChatBackend(const FakeChatBackend&) = delete;
    FakeChatBackend& operator=(const FakeChatBackend&) = delete;

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port) + "/v1"; }

    // Every request it had: body, authorization, started, first_byte, ended, disconnected.
    nlohmann::json requests() const {
        httplib::Client client("127.0.0.1", port);
        auto reply = client.Get("/control/requests");
        return reply ? nlohmann::json::parse(reply->body) : nlohmann::json::array();
    }

    int port = 0;

private:
    pid_t pid_ = -1;
};

} // namespace scribeon::server
