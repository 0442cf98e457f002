#pragma once

#include <functional>
#include <string>

namespace scribeon::server {

struct ApiReply;

// A reply whose body comes after the handler returned, from a language
// model answering: a stream of pieces, or one whole reply at its end. The
// front end starts it once the connection is ready for it and cancels it
// when the client goes away.
class LateReply {
public:
    virtual ~LateReply() = default;
    // The delivery may be called from any thread, one call at a time, in order.
    struct Delivery {
        std::function<void(std::string)> piece; // the next piece of a streamed body
        std::function<void(ApiReply)> end;      // once, last: the whole reply, or a stream's status
    };
    // A streamed body goes out piece by piece after a 200 head; otherwise
    // only the end's reply is sent.
    virtual bool streams() const = 0;
    virtual void start(Delivery delivery) = 0;
    virtual void cancel() = 0;
};

} // namespace scribeon::server
