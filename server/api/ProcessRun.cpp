#include "server/api/ProcessRun.h"

#include "server/http/LogText.h"
#include "wire/EventStream.h"
#include "wire/RecordCoding.h"
#include "wire/ServiceErrorCodes.h"

#include <cstdio>

namespace scribeon::server {

namespace {

std::string encoded(const nlohmann::json& json) {
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

ProcessRun::ProcessRun(Storage& storage, Account account, ProcessResult request, bool streamed,
                       std::unique_ptr<Processor> processor)
    : storage_(storage), account_(std::move(account)), result_(std::move(request)),
      streamed_(streamed), processor_(std::move(processor)) {}

void ProcessRun::start(Delivery delivery) {
    delivery_ = std::move(delivery);
    if (cancelled_) {
        ended(ProcessorFailure{503, std::string(ServiceErrorCode::serverError), "Cancelled."});
        return;
    }
    cancel_ = processor_->start(result_.originalText, shared_from_this());
}

void ProcessRun::cancel() {
    cancelled_ = true;
    if (cancel_)
        cancel_();
}

void ProcessRun::text(std::string_view piece) {
    result_.processedText.append(piece);
    if (streamed_)
        delivery_.piece(
            encodeStreamEvent("delta", encoded(toJson(ProcessDelta{std::string(piece)}))));
}

void ProcessRun::ended(const std::optional<ProcessorFailure>& failure) {
    const bool textCame = !result_.processedText.empty();
    if (failure && (!streamed_ || !textCame))
        refund();
    ApiReply reply;
    if (failure)
        reply = errorReply(failure->status, failure->error, failure->message);
    else
        reply.body = toJson(ProcessResponse{result_});
    if (streamed_) {
        delivery_.piece(
            failure ? encodeStreamEvent(
                          "error",
                          encoded(toJson(ProcessStreamError{
                              failure->status, {failure->error, failure->message, {}, {}, {}}})))
                    : encodeStreamEvent("done", encoded(reply.body)));
        reply = ApiReply{};
    }
    auto delivery = std::move(delivery_);
    delivery_ = {};
    delivery.end(std::move(reply));
}

// On the processor's thread: a database that went away must not take it down.
void ProcessRun::refund() {
    try {
        storage_.refund(account_.userId, account_.month);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "[scribeon-server] giving a request back failed: %s\n",
                     logSafe(failure.what()).c_str());
    }
}

} // namespace scribeon::server
