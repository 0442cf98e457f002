#pragma once

#include "ServerProcess.h"
#include "wire/EventStream.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <functional>
#include <optional>
#include <poll.h>
#include <string>
#include <vector>

namespace scribeon::server {

// A process request that asks for a stream, on a raw socket so the test
// sees each event as it comes and can go away at any point. Reads the head
// and the chunked body as they arrive.
class EventStreamClient {
public:
    EventStreamClient(int port, const std::string& code, const std::string& token,
                      const std::string& body, int receiveBuffer = 0)
        : socket_(connectToLoopback(port, receiveBuffer)) {
        const std::string request = "POST /api/v1/commands/" + code +
                                    "/process HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                    "Authorization: Bearer " +
                                    token +
                                    "\r\nAccept: text/event-stream\r\n"
                                    "Content-Type: application/json\r\nContent-Length: " +
                                    std::to_string(body.size()) + "\r\n\r\n" + body;
        (void)!::write(socket_, request.data(), request.size());
    }
    ~EventStreamClient() { close(); }
    EventStreamClient(const EventStreamClient&) = delete;
    EventStreamClient& operator=(const EventStreamClient&) = delete;

    void close() {
        if (socket_ >= 0)
            ::close(socket_);
        socket_ = -1;
    }

    // Reads until `enough` holds or the deadline passes; false then.
    bool readUntil(const std::function<bool()>& enough,
                   std::chrono::milliseconds within = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + within;
        while (!enough()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd ready{socket_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char data[4096];
            const auto got = ::read(socket_, data, sizeof data);
            if (got <= 0) {
                closedByServer = true;
                return enough();
            }
            take(std::string_view(data, static_cast<std::size_t>(got)));
        }
        return true;
    }
    bool readToEnd() {
        return readUntil([this] { return ended(); });
    }
    bool ended() const { return !events.empty() && events.back().name != "delta"; }
    std::string text() const {
        std::string joined;
        for (const auto& event : events)
            if (event.name == "delta")
                joined += nlohmann::json::parse(event.data)["text"].get<std::string>();
        return joined;
    }

    int status = 0;
    std::string head;  // the status line and headers
    std::string plain; // the body of a reply that is not chunked
    std::vector<StreamEvent> events;
    bool closedByServer = false;

private:
    void take(std::string_view bytes) {
        if (status == 0) {
            raw_.append(bytes);
            const auto end = raw_.find("\r\n\r\n");
            if (end == std::string::npos)
                return;
            head = raw_.substr(0, end);
            status = std::stoi(head.substr(9, 3));
            chunked_ = head.find("chunked") != std::string::npos;
            bytes = std::string_view(raw_).substr(end + 4);
            rest_ = std::string(bytes);
            raw_.clear();
        } else {
            rest_.append(bytes);
        }
        if (!chunked_) {
            plain += rest_;
            rest_.clear();
            return;
        }
        // Chunks: size in hex, CRLF, the bytes, CRLF.
        while (true) {
            const auto line = rest_.find("\r\n");
            if (line == std::string::npos)
                return;
            const auto size = std::stoul(rest_.substr(0, line), nullptr, 16);
            if (rest_.size() < line + 2 + size + 2)
                return;
            for (auto& event : reader_.feed(std::string_view(rest_).substr(line + 2, size)))
                events.push_back(std::move(event));
            rest_.erase(0, line + 2 + size + 2);
        }
    }

    int socket_ = -1;
    std::string raw_, rest_;
    bool chunked_ = false;
    EventStreamReader reader_;
};

} // namespace scribeon::server
