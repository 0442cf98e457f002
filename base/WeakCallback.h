#pragma once

#include <memory>
#include <utility>

namespace scribeon {

// Wraps `fn(owner, args...)` into a callable that holds the owner weakly and
// does nothing once the owner is gone.
template <typename Owner, typename Fn> auto weakly(const std::shared_ptr<Owner>& owner, Fn fn) {
    return [weak = std::weak_ptr<Owner>(owner), fn = std::move(fn)](auto&&... args) {
        if (auto strong = weak.lock())
            fn(*strong, std::forward<decltype(args)>(args)...);
    };
}

} // namespace scribeon
