#include "platform/wayland/WtypeKeySynth.h"

#include "platform/wayland/ToolProcess.h"

#include <string>
#include <vector>

namespace scribeon {

namespace {

const std::string wtype = "wtype";

// Each run is a new virtual keyboard with a keymap of its own; a client
// still loading that keymap, or one that reads the modifier state a moment
// late, can take a key sent at once as a plain one. The pauses cost 60 ms.
std::vector<std::string> chord(const char* modifier, const char* key) {
    return {"-s", "20", "-M", modifier, "-s", "20", "-k", key, "-s", "20", "-m", modifier};
}

std::vector<std::string> keystroke(EditKey key) {
    switch (key) {
    case EditKey::copy:
        return chord("ctrl", "c");
    case EditKey::paste:
        return chord("ctrl", "v");
    case EditKey::undo:
        return chord("ctrl", "z");
    case EditKey::terminalPaste:
        return chord("shift", "Insert");
    }
    return {};
}

} // namespace

std::unique_ptr<WtypeKeySynth> WtypeKeySynth::open() {
    if (!ToolProcess::isInstalled(wtype))
        return nullptr;
    return std::make_unique<WtypeKeySynth>();
}

bool WtypeKeySynth::canPost(EditKey /*key*/) {
    return true;
}

void WtypeKeySynth::keyDown(EditKey /*key*/) {}

void WtypeKeySynth::keyUp(EditKey key) {
    ToolProcess::run(wtype, keystroke(key), std::nullopt, false);
}

} // namespace scribeon
