#pragma once

#include "platform/KeySynth.h"
#include "platform/Workspace.h"

namespace scribeon {

// Stand-ins without an X display: no application is in front and no key can
// be posted, so capture finds nothing and a paste is logged as not made.
class UnavailableWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() override { return std::nullopt; }
    bool activate(int) override { return false; }
};

class UnavailableKeySynth : public KeySynth {
public:
    bool canPost(EditKey) override { return false; }
    void keyDown(EditKey) override {}
    void keyUp(EditKey) override {}
};

} // namespace scribeon
