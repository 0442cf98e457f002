#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scribeon {

struct LoginRequest {
    std::string email;
    std::string password;
    bool operator==(const LoginRequest&) const = default;
};

struct AuthResponse {
    std::string message;
    std::optional<std::string> token;
    bool operator==(const AuthResponse&) const = default;
};

struct ProcessRequest {
    std::string text;
    bool operator==(const ProcessRequest&) const = default;
};

struct ProcessResult {
    std::string code;
    std::string name;
    std::string originalText;
    std::string processedText;
    bool operator==(const ProcessResult&) const = default;
};

struct ProcessResponse {
    ProcessResult data;
    bool operator==(const ProcessResponse&) const = default;
};

// The pieces of a streamed process reply: text as it arrives, then either the
// whole ProcessResponse or the error, with the status a plain reply would
// have had.
struct ProcessDelta {
    std::string text;
    bool operator==(const ProcessDelta&) const = default;
};

// Identified by `code`; equality compares every field.
struct Command {
    std::string code;
    std::string name;
    bool isActive = false;
    const std::string& id() const { return code; }
    bool operator==(const Command&) const = default;
};

struct CommandsResponse {
    std::vector<Command> data;
    bool operator==(const CommandsResponse&) const = default;
};

struct ToggleResponse {
    std::string message;
    Command data;
    bool operator==(const ToggleResponse&) const = default;
};

struct UserStatistics {
    std::int64_t monthlyUsage = 0;
    std::int64_t remainingRequests = 0;
    std::int64_t monthlyLimit = 0;
    std::optional<std::string> nextResetDate;
    bool operator==(const UserStatistics&) const = default;
};

struct User {
    std::int64_t id = 0;
    std::string name;
    std::string email;
    std::string plan;
    std::optional<std::string> emailVerifiedAt;
    std::string createdAt;
    UserStatistics statistics;
    bool operator==(const User&) const = default;
};

struct UserResponse {
    User user;
    bool operator==(const UserResponse&) const = default;
};

struct LimitInfo {
    std::optional<std::int64_t> currentUsage;
    std::optional<std::int64_t> monthlyLimit;
    std::optional<std::string> resetDate;
    bool operator==(const LimitInfo&) const = default;
};

struct APIErrorResponse {
    std::optional<std::string> error;
    std::optional<std::string> message;
    std::optional<std::int64_t> textLength;
    std::optional<std::int64_t> maxLength;
    std::optional<LimitInfo> limitInfo;
    bool operator==(const APIErrorResponse&) const = default;
};

struct ProcessStreamError {
    std::int64_t status = 0;
    APIErrorResponse body;
    bool operator==(const ProcessStreamError&) const = default;
};

} // namespace scribeon
