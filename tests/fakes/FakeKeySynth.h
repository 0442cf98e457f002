#pragma once

#include "platform/KeySynth.h"
#include "tests/fakes/FakeSleeper.h"
#include "tests/fakes/FakeWorkspace.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace scribeon {

// Records every key event with the virtual time it was posted at and the
// window that had the keyboard, which is where the event lands.
class FakeKeySynth : public KeySynth {
public:
    struct Event {
        std::chrono::microseconds at;
        std::string what; // "down copy", "up paste", …
        int target = 0;   // the pid of the window with the keyboard
        bool operator==(const Event&) const = default;
    };

    FakeKeySynth(FakeSleeper& clock, FakeWorkspace& workspace)
        : clock_(clock), workspace_(workspace) {}

    bool canPost(EditKey key) override { return !unavailable.contains(key); }
    void keyDown(EditKey key) override { record("down " + name(key)); }
    void keyUp(EditKey key) override {
        record("up " + name(key));
        if (onKeyUp)
            onKeyUp(key);
    }

    static std::string name(EditKey key) {
        const char* names[] = {"copy", "paste", "undo", "terminalPaste"};
        return names[static_cast<int>(key)];
    }

    std::set<EditKey> unavailable;
    std::vector<Event> events;
    std::function<void(EditKey)> onKeyUp; // the target reacting to the key

private:
    void record(std::string what) {
        events.push_back({clock_.now, std::move(what), workspace_.keyboardPid()});
    }

    FakeSleeper& clock_;
    FakeWorkspace& workspace_;
};

} // namespace scribeon
