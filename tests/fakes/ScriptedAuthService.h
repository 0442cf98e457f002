#pragma once

#include "service/AuthService.h"

#include <deque>
#include <utility>
#include <vector>

namespace scribeon::test {

// Records each sign-in and holds its completion until the test answers.
struct ScriptedAuthService : AuthService {
    std::vector<std::pair<std::string, std::string>> calls; // e-mail, password
    std::deque<Completion<std::string>> pending;

    void login(const std::string& email, const std::string& password,
               Completion<std::string> completion) override {
        calls.emplace_back(email, password);
        pending.push_back(std::move(completion));
    }
    void logout(std::function<void()>) override {}
    void logoutEverywhere(Completion<Done>) override {}

    void answer(ServiceResult<std::string> result) {
        auto completion = std::move(pending.front());
        pending.pop_front();
        completion(std::move(result));
    }
};

} // namespace scribeon::test
