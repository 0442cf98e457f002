#pragma once

#include "platform/Workspace.h"

#include <set>
#include <vector>

namespace scribeon {

class FakeWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return frontmost; }
    bool activate(int pid) override {
        activations.push_back(pid);
        if (refusesActivation.contains(pid))
            return false;
        active = pid;
        return true;
    }
    // The window last activated, else the one in front.
    int keyboardPid() const { return active ? *active : frontmost ? frontmost->pid : 0; }

    std::optional<RunningApplication> frontmost;
    std::optional<int> active;
    std::set<int> refusesActivation;
    std::vector<int> activations;
};

} // namespace scribeon
