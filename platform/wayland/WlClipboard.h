#pragma once

#include "platform/Clipboard.h"

#include <memory>

namespace scribeon {

// The clipboard through the compositor's data-control protocol (wlroots),
// with wl-copy and wl-paste. Unlike Qt's clipboard on Wayland it reads and
// writes while none of our windows has the keyboard, which the capture and
// the paste need.
//
// wl-copy offers one format per selection, so a restore brings back the
// text the user had, or the first format when there was no text.
class WlClipboard : public Clipboard {
public:
    // Absent when wl-copy or wl-paste is not installed.
    static std::unique_ptr<WlClipboard> open();

    std::optional<std::string> text() override;
    void setText(const std::string& text) override;
    void clear() override;
    std::unique_ptr<ClipboardContents> contents() override;
    void restore(const ClipboardContents& contents) override;
    std::optional<std::string> primarySelectionText() override;
    void setPrimarySelectionText(const std::string& text) override;
    // The protocol does not name the owner of a selection.
    std::optional<int> primarySelectionOwnerPid() override { return std::nullopt; }
    bool namesPrimarySelectionOwner() override { return false; }
};

} // namespace scribeon
