#pragma once

#include "platform/Clipboard.h"
#include "platform/x11/X11SelectionReader.h"

#include <QClipboard>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace scribeon {

// The X11 CLIPBOARD and PRIMARY selections through QClipboard. What this
// process sets stays available to other applications for as long as it runs.
// Text owned by another application is read over an X connection of our
// own (see X11SelectionReader).
class QtClipboard : public Clipboard {
public:
    QtClipboard();

    std::optional<std::string> text() override;
    void setText(const std::string& text) override;
    void clear() override;
    std::unique_ptr<ClipboardContents> contents() override;
    void restore(const ClipboardContents& contents) override;
    std::optional<std::string> primarySelectionText() override;
    void setPrimarySelectionText(const std::string& text) override;
    std::optional<int> primarySelectionOwnerPid() override;
    std::optional<unsigned long> ownerChanges() override;
    // The X server's time now, as fresh as a claim needs it; absent
    // without X11.
    std::optional<unsigned long> serverTime();

private:
    using Formats = std::vector<std::pair<std::string, std::string>>;
    void place(const Formats& formats, QClipboard::Mode mode);
    void stampWithServerTime();

    std::unique_ptr<X11SelectionReader> reader_;
};

} // namespace scribeon
