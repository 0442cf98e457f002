#pragma once

#include "server/processors/BlankTrimmer.h"
#include "server/processors/Processor.h"
#include "server/processors/ReasoningFilter.h"
#include "wire/EventStream.h"

#include <optional>
#include <string>
#include <string_view>

namespace scribeon::server {

// Reads a chat-completions reply as its bytes arrive, cut anywhere: an
// event stream (`data:` chunks with choices[0].delta.content, a last chunk
// with finish_reason, then `data: [DONE]`) or, from a back end that ignores
// "stream", one JSON body. Gives the answer's text as it completes, without
// reasoning blocks and outer blanks, so the pieces put together are what a
// whole reply would have given.
class ChatReplyDecoder {
public:
    // The text these bytes complete; `status` is the reply's HTTP status.
    std::string feed(std::string_view bytes, long status);
    // Once it failed (an error chunk, a reply cut short by length, too much),
    // the rest need not be read: finish() says why.
    bool failed() const { return failure_.has_value(); }
    bool textStarted() const { return textStarted_; }

    struct End {
        std::string text; // the last of the text
        std::optional<ProcessorFailure> failure;
    };
    // The reply ended (the connection closed or the stream said [DONE]).
    End finish();

private:
    enum class Form { unknown, events, whole };

    std::string readEvent(const StreamEvent& event);
    std::string cleaned(std::string_view text);
    End finishWhole();

    long status_ = 0;
    std::size_t received_ = 0; // bytes of the reply, bounded whichever its form
    Form form_ = Form::unknown;
    EventStreamReader events_;
    std::string whole_; // a reply that is not an event stream, or an error's body
    ReasoningFilter reasoning_;
    BlankTrimmer blanks_;
    bool done_ = false; // [DONE] or a finish_reason came
    bool textStarted_ = false;
    std::optional<ProcessorFailure> failure_;
};

} // namespace scribeon::server
