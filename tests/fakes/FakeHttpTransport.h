#pragma once

#include "platform/HttpTransport.h"

#include <deque>
#include <optional>

namespace scribeon {

// Records every request and answers each with the next scripted outcome
// (or a 200 with an empty object once the script runs out). A request that
// takes its body in pieces gets a scripted reply as one plain JSON piece, as
// a service that does not stream gives it.
class FakeHttpTransport : public HttpTransport {
public:
    std::vector<HttpRequest> requests;
    std::deque<HttpOutcome> script;

    void reply(long status, std::string body) {
        script.push_back(HttpReply{status, std::move(body)});
    }
    void fail(TransportError error) { script.push_back(std::move(error)); }

    // While holding, answers wait until `releaseNext` (a slow service).
    bool holding = false;

    void send(HttpRequest request, std::function<void(HttpOutcome)> completion) override {
        if (request.onChunk && script.empty()) {
            streams.push_back({request.onChunk, request.cancel, std::move(completion)});
            requests.push_back(std::move(request));
            return;
        }
        if (request.onChunk)
            completion = [onChunk = request.onChunk, completion](HttpOutcome outcome) {
                if (auto* reply = std::get_if<HttpReply>(&outcome); reply && !reply->body.empty())
                    onChunk({reply->status, "application/json"}, std::exchange(reply->body, {}));
                completion(std::move(outcome));
            };
        requests.push_back(std::move(request));
        HttpOutcome outcome = HttpReply{200, "{}"};
        if (!script.empty()) {
            outcome = std::move(script.front());
            script.pop_front();
        }
        if (holding) {
            held.emplace_back(std::move(outcome), std::move(completion));
            return;
        }
        completion(std::move(outcome));
    }

    void releaseNext() {
        auto [outcome, completion] = std::move(held.front());
        held.pop_front();
        completion(std::move(outcome));
    }

    std::deque<std::pair<HttpOutcome, std::function<void(HttpOutcome)>>> held;

    // A request that takes its body in pieces stays open for the test to
    // feed (`chunk`) and end (`end`), as a service that writes slowly would.
    struct OpenStream {
        std::function<void(const HttpReplyHead&, std::string_view)> onChunk;
        Cancel cancel;
        std::function<void(HttpOutcome)> completion;
    };
    std::deque<OpenStream> streams;

    void chunk(std::string_view piece, HttpReplyHead head = {200, "text/event-stream"}) {
        streams.front().onChunk(head, piece);
    }
    // A cancelled exchange ends as the real transport ends it, whatever the
    // test asks for.
    void end(HttpOutcome outcome = HttpReply{200, ""}) {
        OpenStream stream = std::move(streams.front());
        streams.pop_front();
        if (stream.cancel.isCancelled())
            outcome = TransportError{TransportError::Code::cancelled, "stopped"};
        stream.completion(std::move(outcome));
    }

    std::optional<std::string> header(std::size_t index, const std::string& name) const {
        for (const auto& [key, value] : requests.at(index).headers)
            if (key == name)
                return value;
        return std::nullopt;
    }
};

} // namespace scribeon
