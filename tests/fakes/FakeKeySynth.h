#pragma once

#include "platform/KeySynth.h"
#include "tests/fakes/FakeSleeper.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace scribeon {

// Records every key event with the virtual time it was posted at.
class FakeKeySynth : public KeySynth {
public:
    struct Event {
        std::chrono::microseconds at;
        std::string what; // "down copy", "up paste", …
        bool operator==(const Event&) const = default;
    };

    explicit FakeKeySynth(FakeSleeper& clock) : clock_(clock) {}

    bool canPost(EditKey key) override { return !unavailable.contains(key); }
    void keyDown(EditKey key) override { events.push_back({clock_.now, "down " + name(key)}); }
    void keyUp(EditKey key) override {
        events.push_back({clock_.now, "up " + name(key)});
        if (onKeyUp)
            onKeyUp(key);
    }

    static std::string name(EditKey key) {
        switch (key) {
        case EditKey::copy:
            return "copy";
        case EditKey::paste:
            return "paste";
        case EditKey::undo:
            return "undo";
        case EditKey::terminalPaste:
            return "terminalPaste";
        }
        return "?";
    }

    std::set<EditKey> unavailable;
    std::vector<Event> events;
    std::function<void(EditKey)> onKeyUp; // the target reacting to the key

private:
    FakeSleeper& clock_;
};

} // namespace scribeon
