#pragma once

#include "platform/HttpTransport.h"

#include <deque>
#include <optional>

namespace scribeon {

// Records every request and answers each with the next scripted outcome
// (or a 200 with an empty object once the script runs out).
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

    std::optional<std::string> header(std::size_t index, const std::string& name) const {
        for (const auto& [key, value] : requests.at(index).headers)
            if (key == name)
                return value;
        return std::nullopt;
    }
};

} // namespace scribeon
