#pragma once

#include "platform/GlobalShortcutsPortal.h"

#include <string>
#include <vector>

namespace scribeon {

// Records each request and keeps its reply for the test to answer.
class FakeGlobalShortcutsPortal : public GlobalShortcutsPortal {
public:
    struct Request {
        std::string method; // "CreateSession" or "BindShortcuts"
        std::vector<PortalShortcut> shortcuts;
        Reply reply;
    };

    void installSignalHandlers(Activated activated, Changed changed) override {
        activated_ = std::move(activated);
        changed_ = std::move(changed);
    }
    void createSession(const std::string&, const std::vector<PortalShortcut>& shortcuts,
                       Reply reply) override {
        requests.push_back({"CreateSession", shortcuts, std::move(reply)});
    }
    void bindShortcuts(const std::vector<PortalShortcut>& shortcuts, Reply reply) override {
        requests.push_back({"BindShortcuts", shortcuts, std::move(reply)});
    }
    void closeSession() override { ++closeCount; }

    // Answers the oldest unanswered request.
    void answer(std::uint32_t code, std::vector<PortalShortcut> shortcuts = {}) {
        Reply reply = std::move(requests.at(answered++).reply);
        reply({code, std::move(shortcuts)});
    }
    void activate(const std::string& id) {
        if (activated_)
            activated_(id);
    }
    void change(const std::vector<PortalShortcut>& shortcuts) {
        if (changed_)
            changed_(shortcuts);
    }

    std::vector<Request> requests;
    std::size_t answered = 0;
    int closeCount = 0;

private:
    Activated activated_;
    Changed changed_;
};

} // namespace scribeon
