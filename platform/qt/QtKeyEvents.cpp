#include "platform/qt/QtKeyEvents.h"

#include "platform/HotkeyPair.h"
#include "platform/KeyCodeTable.h"

namespace scribeon {

std::uint32_t carbonModifiers(Qt::KeyboardModifiers modifiers) {
    std::uint32_t mask = 0;
    if (modifiers & Qt::MetaModifier)
        mask |= CarbonModifier::command;
    if (modifiers & Qt::ShiftModifier)
        mask |= CarbonModifier::shift;
    if (modifiers & Qt::AltModifier)
        mask |= CarbonModifier::option;
    if (modifiers & Qt::ControlModifier)
        mask |= CarbonModifier::control;
    return mask;
}

std::optional<std::uint32_t> virtualKeyCodeFromScanCode(std::uint32_t nativeScanCode) {
    if (nativeScanCode < KeyCodeTable::xKeycodeOffset)
        return std::nullopt;
    return KeyCodeTable::virtualKeyFromEvdev(nativeScanCode - KeyCodeTable::xKeycodeOffset);
}

} // namespace scribeon
