#pragma once

#include "service/ServiceError.h"
#include "wire/Records.h"

namespace scribeon {

// The authenticated account call (GET /user). The completion may run on any
// thread.
class AccountAPI {
public:
    virtual ~AccountAPI() = default;
    virtual void fetchUser(Completion<UserResponse> completion) = 0;
};

} // namespace scribeon
