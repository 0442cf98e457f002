#pragma once

namespace scribeon {

enum class PermissionAnswer { enableAccessibility, later };

// The modal alert that asks for accessibility; returns when answered.
class PermissionAlert {
public:
    virtual ~PermissionAlert() = default;
    virtual PermissionAnswer run() = 0;
};

} // namespace scribeon
