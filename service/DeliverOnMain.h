#pragma once

#include "platform/MainQueue.h"
#include "service/ServiceError.h"

namespace scribeon {

// Transports complete on their worker threads; whoever touches state wraps
// its completion with this so the result is applied on the main queue.
template <typename T> Completion<T> deliverOnMain(MainQueue& queue, Completion<T> completion) {
    return [&queue, completion = std::move(completion)](ServiceResult<T> result) {
        queue.post(
            [completion, result = std::move(result)]() mutable { completion(std::move(result)); });
    };
}

} // namespace scribeon
