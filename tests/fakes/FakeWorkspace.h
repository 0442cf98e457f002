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
        return !refusesActivation.contains(pid);
    }

    std::optional<RunningApplication> frontmost;
    std::set<int> refusesActivation;
    std::vector<int> activations;
};

} // namespace scribeon
