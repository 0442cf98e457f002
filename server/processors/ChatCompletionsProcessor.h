#pragma once

#include "server/processors/Processor.h"
#include "server/processors/UpstreamRequests.h"

#include <chrono>
#include <string>

namespace scribeon::server {

struct LanguageModelSettings {
    std::string url; // base of an OpenAI-compatible API, e.g. http://127.0.0.1:11434/v1
    std::string model;
    std::string apiKey; // from the environment only
    // A model may first have to load; once it writes, pauses are short. Two
    // bounds rather than one total, which would cut a long, healthy answer.
    std::chrono::milliseconds firstTextTimeout{120000};
    std::chrono::milliseconds idleTimeout{30000};
};

// Runs a text through a chat-completions endpoint with a system prompt,
// asking for a stream and passing the answer on as it comes.
class ChatCompletionsProcessor : public Processor {
public:
    ChatCompletionsProcessor(const LanguageModelSettings& settings, UpstreamRequests& requests,
                             std::string systemPrompt);
    std::function<void()> start(const std::string& text,
                                std::shared_ptr<ProcessorListener> listener) override;

    // A one-token request so that a local model is loaded before the first
    // user asks; waits for its end.
    static std::optional<ProcessorFailure> warmUp(const LanguageModelSettings& settings,
                                                  UpstreamRequests& requests);

private:
    const LanguageModelSettings& settings_;
    UpstreamRequests& requests_;
    std::string systemPrompt_;
};

} // namespace scribeon::server
