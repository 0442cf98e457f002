#include "server/processors/ChatCompletionsProcessor.h"

#include "server/http/LogText.h"

#include "wire/ServiceErrorCodes.h"

#include <curl/curl.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include <memory>

namespace scribeon::server {

namespace {

constexpr std::size_t maximumReply = std::size_t{8} * 1024 * 1024;

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target) {
    auto* body = static_cast<std::string*>(target);
    if (body->size() + size * count > maximumReply)
        return 0;
    body->append(data, size * count);
    return size * count;
}

ProcessorFailure unavailable(const std::string& why) {
    return {503, "processor unavailable", "The language model is not available: " + why};
}

std::string trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

ProcessorOutcome complete(const LanguageModelSettings& settings, const nlohmann::json& request) {
    if (settings.url.empty())
        return unavailable("no model is configured (--llm-url).");
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl)
        return unavailable("the HTTP client could not start.");
    const std::string url = settings.url + "/chat/completions";
    const std::string body = request.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string reply;
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: application/json");
    if (!settings.apiKey.empty())
        headers = curl_slist_append(headers, ("Authorization: Bearer " + settings.apiKey).c_str());
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers,
                                                                           curl_slist_free_all);
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &reply);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(settings.timeout.count()));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    const CURLcode code = curl_easy_perform(h);
    if (code != CURLE_OK)
        return unavailable(std::string(curl_easy_strerror(code)) + ".");
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);

    const auto json = nlohmann::json::parse(reply, nullptr, false);
    if (status != 200) {
        // The back end's own words may name its models, keys or accounts:
        // they go to our log, the client gets ours.
        std::string detail = "status " + std::to_string(status);
        if (json.is_object() && json.contains("error")) {
            const auto& error = json["error"];
            if (error.is_object() && error.contains("message") && error["message"].is_string())
                detail += ": " + error["message"].get<std::string>();
            else if (error.is_string())
                detail += ": " + error.get<std::string>();
        }
        std::fprintf(stderr, "[scribeon-server] language model: %s\n", logSafe(detail).c_str());
        return ProcessorFailure{502, std::string(ServiceErrorCode::upstreamError),
                                "The language model could not answer. Try again later."};
    }
    const auto* choices = json.is_object() && json.contains("choices") ? &json["choices"] : nullptr;
    if (!choices || !choices->is_array() || choices->empty() || !(*choices)[0].is_object())
        return ProcessorFailure{502, std::string(ServiceErrorCode::upstreamError),
                                "The language model sent an answer without choices."};
    const auto& choice = (*choices)[0];
    if (choice.value("finish_reason", nlohmann::json()).is_string() &&
        choice["finish_reason"] == "length")
        return ProcessorFailure{422, std::string(ServiceErrorCode::responseIncomplete),
                                "The AI response was incomplete. Please try with shorter text."};
    const auto message = choice.value("message", nlohmann::json::object());
    if (!message.is_object() || !message.contains("content") || !message["content"].is_string())
        return ProcessorFailure{502, std::string(ServiceErrorCode::upstreamError),
                                "The language model sent an answer without text."};
    return trim(withoutReasoning(message["content"].get<std::string>()));
}

} // namespace

std::string withoutReasoning(const std::string& text) {
    std::string out;
    std::size_t at = 0;
    while (true) {
        const auto open = text.find("<think>", at);
        if (open == std::string::npos) {
            out.append(text, at);
            return out;
        }
        out.append(text, at, open - at);
        const auto close = text.find("</think>", open);
        if (close == std::string::npos)
            return out; // an unclosed block is reasoning to the end
        at = close + 8;
    }
}

ChatCompletionsProcessor::ChatCompletionsProcessor(const LanguageModelSettings& settings,
                                                   std::string systemPrompt)
    : settings_(settings), systemPrompt_(std::move(systemPrompt)) {}

ProcessorOutcome ChatCompletionsProcessor::process(const std::string& text) {
    return complete(settings_, {{"model", settings_.model},
                                {"stream", false},
                                {"messages",
                                 {{{"role", "system"}, {"content", systemPrompt_}},
                                  {{"role", "user"}, {"content", text}}}}});
}

ProcessorOutcome ChatCompletionsProcessor::warmUp(const LanguageModelSettings& settings) {
    return complete(settings, {{"model", settings.model},
                               {"stream", false},
                               {"max_tokens", 1},
                               {"messages", {{{"role", "user"}, {"content", "Hi"}}}}});
}

} // namespace scribeon::server
