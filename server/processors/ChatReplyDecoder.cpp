#include "server/processors/ChatReplyDecoder.h"

#include "server/http/LogText.h"
#include "wire/ServiceErrorCodes.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace scribeon::server {

namespace {

// The most a reply may carry, whichever its form.
constexpr std::size_t maximumReply = std::size_t{8} * 1024 * 1024;

ProcessorFailure upstreamFailure(const std::string& message) {
    return {502, std::string(ServiceErrorCode::upstreamError), message};
}

ProcessorFailure incomplete() {
    return {422, std::string(ServiceErrorCode::responseIncomplete),
            "The AI response was incomplete. Please try with shorter text."};
}

// The back end's own words may name its models, keys or accounts: they go
// to our log, the client gets ours.
ProcessorFailure refusedUpstream(long status, const nlohmann::json& reply) {
    std::string detail = "status " + std::to_string(status);
    if (reply.is_object() && reply.contains("error")) {
        const auto& error = reply["error"];
        if (error.is_object() && error.contains("message") && error["message"].is_string())
            detail += ": " + error["message"].get<std::string>();
        else if (error.is_string())
            detail += ": " + error.get<std::string>();
    }
    std::fprintf(stderr, "[scribeon-server] language model: %s\n", logSafe(detail).c_str());
    return upstreamFailure("The language model could not answer. Try again later.");
}

const nlohmann::json* firstChoice(const nlohmann::json& reply) {
    if (!reply.is_object() || !reply.contains("choices"))
        return nullptr;
    const auto& choices = reply["choices"];
    if (!choices.is_array() || choices.empty() || !choices[0].is_object())
        return nullptr;
    return &choices[0];
}

bool cutShort(const nlohmann::json& choice) {
    const auto reason = choice.find("finish_reason");
    return reason != choice.end() && reason->is_string() && *reason == "length";
}

} // namespace

std::string ChatReplyDecoder::feed(std::string_view bytes, long status) {
    status_ = status;
    if (failure_ || done_)
        return {};
    received_ += bytes.size();
    if (received_ > maximumReply) {
        failure_ = upstreamFailure("The language model's answer was too long.");
        return {};
    }
    std::string joined; // blanks that came before the stream's first line, with these bytes
    if (form_ == Form::unknown) {
        const auto first = bytes.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) {
            whole_.append(bytes);
            return {};
        }
        form_ = status == 200 && bytes[first] != '{' && bytes[first] != '[' ? Form::events
                                                                            : Form::whole;
        if (form_ == Form::events) {
            joined = std::move(whole_);
            joined.append(bytes);
            whole_.clear();
            bytes = joined;
        }
    }
    if (form_ == Form::whole) {
        whole_.append(bytes);
        return {};
    }
    std::string text;
    for (const auto& event : events_.feed(bytes)) {
        text += readEvent(event);
        if (failure_ || done_)
            break;
    }
    if (events_.failed() && !failure_)
        failure_ = upstreamFailure("The language model sent an answer that could not be read.");
    return text;
}

std::string ChatReplyDecoder::readEvent(const StreamEvent& event) {
    if (event.data == "[DONE]") {
        done_ = true;
        return {};
    }
    const auto chunk = nlohmann::json::parse(event.data, nullptr, false);
    if (chunk.is_object() && chunk.contains("error")) {
        failure_ = refusedUpstream(status_, chunk);
        return {};
    }
    const auto* choice = firstChoice(chunk);
    if (!choice) {
        failure_ = upstreamFailure("The language model sent an answer that could not be read.");
        return {};
    }
    if (cutShort(*choice)) {
        failure_ = incomplete();
        return {};
    }
    std::string text;
    const auto delta = choice->find("delta");
    if (delta != choice->end() && delta->is_object()) {
        const auto content = delta->find("content");
        if (content != delta->end() && content->is_string())
            text = cleaned(content->get_ref<const std::string&>());
    }
    const auto reason = choice->find("finish_reason");
    if (reason != choice->end() && reason->is_string())
        done_ = true;
    return text;
}

std::string ChatReplyDecoder::cleaned(std::string_view text) {
    std::string out = blanks_.feed(reasoning_.feed(text));
    textStarted_ = textStarted_ || !out.empty();
    return out;
}

ChatReplyDecoder::End ChatReplyDecoder::finish() {
    if (failure_)
        return {{}, failure_};
    if (form_ != Form::events)
        return finishWhole();
    if (!done_)
        return {{}, upstreamFailure("The language model stopped in the middle of its answer.")};
    return {cleaned(reasoning_.finish()), std::nullopt};
}

ChatReplyDecoder::End ChatReplyDecoder::finishWhole() {
    const auto reply = nlohmann::json::parse(whole_, nullptr, false);
    if (status_ != 200)
        return {{}, refusedUpstream(status_, reply)};
    const auto* choice = firstChoice(reply);
    if (!choice)
        return {{}, upstreamFailure("The language model sent an answer without choices.")};
    if (cutShort(*choice))
        return {{}, incomplete()};
    const auto message = choice->value("message", nlohmann::json::object());
    if (!message.is_object() || !message.contains("content") || !message["content"].is_string())
        return {{}, upstreamFailure("The language model sent an answer without text.")};
    std::string text = cleaned(message["content"].get_ref<const std::string&>());
    text += cleaned(reasoning_.finish());
    return {std::move(text), std::nullopt};
}

} // namespace scribeon::server
