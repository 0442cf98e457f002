#include "platform/wayland/WtypeKeySynth.h"

#include "platform/wayland/ToolProcess.h"

#include <string>
#include <vector>

namespace scribeon {

namespace {

const std::string wtype = "wtype";

std::vector<std::string> keystroke(EditKey key) {
    switch (key) {
    case EditKey::copy:
        return {"-M", "ctrl", "-k", "c", "-m", "ctrl"};
    case EditKey::paste:
        return {"-M", "ctrl", "-k", "v", "-m", "ctrl"};
    case EditKey::undo:
        return {"-M", "ctrl", "-k", "z", "-m", "ctrl"};
    case EditKey::terminalPaste:
        return {"-M", "shift", "-k", "Insert", "-m", "shift"};
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
