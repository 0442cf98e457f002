#pragma once

#include "server/http/Exchange.h"
#include "server/http/LateReply.h"
#include "server/processors/Processor.h"
#include "server/storage/Storage.h"
#include "wire/Records.h"

#include <functional>
#include <memory>
#include <string>

namespace scribeon::server {

// One admitted process request whose processor answers later: streamed,
// its text goes out as `delta` events and it ends with `done` or `error`;
// plain, it ends with the whole reply a synchronous run would have given.
// The request was counted when admitted; the count is given back when the
// run fails before any text came (plain: when it fails at all, since the
// client then got nothing).
class ProcessRun : public LateReply,
                   public ProcessorListener,
                   public std::enable_shared_from_this<ProcessRun> {
public:
    struct Account {
        std::int64_t userId = 0;
        std::string month;
    };

    ProcessRun(Storage& storage, Account account, ProcessResult request, bool streamed,
               std::unique_ptr<Processor> processor);

    bool streams() const override { return streamed_; }
    void start(Delivery delivery) override;
    void cancel() override;

    void text(std::string_view piece) override;
    void ended(const std::optional<ProcessorFailure>& failure) override;

private:
    void refund();

    Storage& storage_;
    Account account_;
    ProcessResult result_; // processedText grows as the text comes
    bool streamed_;
    std::unique_ptr<Processor> processor_;
    Delivery delivery_;
    std::function<void()> cancel_;
    bool cancelled_ = false;
};

} // namespace scribeon::server
