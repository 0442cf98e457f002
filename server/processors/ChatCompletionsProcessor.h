#pragma once

#include "server/processors/Processor.h"

#include <chrono>
#include <string>

namespace scribeon::server {

struct LanguageModelSettings {
    std::string url; // base of an OpenAI-compatible API, e.g. http://127.0.0.1:11434/v1
    std::string model;
    std::string apiKey; // from the environment only
    // Below the client's 60 s, so the client sees our answer, not its own time-out.
    std::chrono::milliseconds timeout{55000};
};

// Runs a text through a chat-completions endpoint with a system prompt.
class ChatCompletionsProcessor : public Processor {
public:
    ChatCompletionsProcessor(const LanguageModelSettings& settings, std::string systemPrompt);
    ProcessorOutcome process(const std::string& text) override;

    // A one-token request so that a local model is loaded before the first user asks.
    static ProcessorOutcome warmUp(const LanguageModelSettings& settings);

private:
    const LanguageModelSettings& settings_;
    std::string systemPrompt_;
};

// Removes <think>…</think> blocks that reasoning models put before the answer.
std::string withoutReasoning(const std::string& text);

} // namespace scribeon::server
