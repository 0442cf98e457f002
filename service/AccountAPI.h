#pragma once

#include "service/Records.h"
#include "service/Result.h"

namespace scribeon {

// The authenticated account call (GET /user). The completion may run on any
// thread.
class AccountAPI {
public:
    virtual ~AccountAPI() = default;
    virtual void fetchUser(Completion<UserResponse> completion) = 0;
};

} // namespace scribeon
