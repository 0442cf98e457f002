#include "server/processors/ChatCompletionsProcessor.h"

#include "server/http/LogText.h"
#include "server/processors/ChatReplyDecoder.h"
#include "wire/ServiceErrorCodes.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <future>

namespace scribeon::server {

namespace {

ProcessorFailure unavailable(const std::string& why) {
    return {503, "processor unavailable", "The language model is not available: " + why};
}

// Bridges the request's bytes to the decoder and the decoder's text to the run.
class ChatRun : public UpstreamListener {
public:
    explicit ChatRun(std::shared_ptr<ProcessorListener> listener)
        : listener_(std::move(listener)) {}

    Flow received(std::string_view bytes, long status) override {
        if (const std::string text = decoder_.feed(bytes, status); !text.empty())
            listener_->text(text);
        if (decoder_.failed())
            return Flow::enough;
        return decoder_.textStarted() ? Flow::flowing : Flow::waiting;
    }

    void ended(const UpstreamEnd& end) override {
        if (end.how == UpstreamEnd::How::complete) {
            auto last = decoder_.finish();
            if (!last.text.empty())
                listener_->text(last.text);
            listener_->ended(last.failure);
            return;
        }
        if (end.how != UpstreamEnd::How::cancelled)
            std::fprintf(stderr, "[scribeon-server] language model: %s\n",
                         logSafe(end.reason).c_str());
        listener_->ended(failureOf(end));
    }

private:
    ProcessorFailure failureOf(const UpstreamEnd& end) const {
        if (decoder_.textStarted())
            return {502, std::string(ServiceErrorCode::upstreamError),
                    "The language model stopped in the middle of its answer."};
        if (end.how == UpstreamEnd::How::timedOut)
            return unavailable("it did not answer in time.");
        if (end.how == UpstreamEnd::How::cancelled)
            return unavailable("the request was cancelled.");
        return unavailable(end.reason + ".");
    }

    std::shared_ptr<ProcessorListener> listener_;
    ChatReplyDecoder decoder_;
};

std::function<void()> ask(const LanguageModelSettings& settings, UpstreamRequests& requests,
                          const nlohmann::json& body,
                          const std::shared_ptr<ProcessorListener>& listener) {
    if (settings.url.empty()) {
        listener->ended(unavailable("no model is configured (--llm-url)."));
        return [] {};
    }
    UpstreamRequest request;
    request.url = settings.url + "/chat/completions";
    request.headers = {"Content-Type: application/json", "Accept: text/event-stream"};
    if (!settings.apiKey.empty())
        request.headers.push_back("Authorization: Bearer " + settings.apiKey);
    request.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    request.firstTextTimeout = settings.firstTextTimeout;
    request.idleTimeout = settings.idleTimeout;
    const auto id = requests.start(std::move(request), std::make_shared<ChatRun>(listener));
    return [&requests, id] { requests.cancel(id); };
}

// Waits for a run's end, for the warm-up.
class Waiter : public ProcessorListener {
public:
    void text(std::string_view) override {}
    void ended(const std::optional<ProcessorFailure>& failure) override { end.set_value(failure); }
    std::promise<std::optional<ProcessorFailure>> end;
};

} // namespace

ChatCompletionsProcessor::ChatCompletionsProcessor(const LanguageModelSettings& settings,
                                                   UpstreamRequests& requests,
                                                   std::string systemPrompt)
    : settings_(settings), requests_(requests), systemPrompt_(std::move(systemPrompt)) {}

std::function<void()> ChatCompletionsProcessor::start(const std::string& text,
                                                      std::shared_ptr<ProcessorListener> listener) {
    return ask(settings_, requests_,
               {{"model", settings_.model},
                {"stream", true},
                {"messages",
                 {{{"role", "system"}, {"content", systemPrompt_}},
                  {{"role", "user"}, {"content", text}}}}},
               listener);
}

std::optional<ProcessorFailure>
ChatCompletionsProcessor::warmUp(const LanguageModelSettings& settings,
                                 UpstreamRequests& requests) {
    auto waiter = std::make_shared<Waiter>();
    auto end = waiter->end.get_future();
    ask(settings, requests,
        {{"model", settings.model},
         {"stream", false},
         {"max_tokens", 1},
         {"messages", {{{"role", "user"}, {"content", "Hi"}}}}},
        waiter);
    return end.get();
}

} // namespace scribeon::server
