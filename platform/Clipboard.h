#pragma once

#include <memory>
#include <optional>
#include <string>

namespace scribeon {

// Everything the clipboard held at one moment, every format of it, so that
// putting it back does not turn a copied image into nothing.
class ClipboardContents {
public:
    virtual ~ClipboardContents() = default;
    virtual bool isEmpty() const = 0;
};

// The desktop clipboard (on X11 the CLIPBOARD selection) and the primary
// selection, which terminals fill with whatever is selected.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual std::optional<std::string> text() = 0;
    // Clears every format and sets one plain-text item.
    virtual void setText(const std::string& text) = 0;
    virtual void clear() = 0;
    virtual std::unique_ptr<ClipboardContents> contents() = 0;
    virtual void restore(const ClipboardContents& contents) = 0;
    virtual std::optional<std::string> primarySelectionText() = 0;
    // Sets the primary selection too, for a paste into a terminal, which
    // may paste either selection.
    virtual void setPrimarySelectionText(const std::string& text) = 0;
    // The process that owns the primary selection, when it can be told.
    virtual std::optional<int> primarySelectionOwnerPid() = 0;
    // False where the protocol never names the owner (data-control on
    // Wayland): an unknown owner then says nothing about whose text it is.
    virtual bool namesPrimarySelectionOwner() { return true; }
    // How often another client has taken the clipboard since this process
    // started watching, read without asking the owner for its data: a copy
    // keystroke's result can then be read as soon as it lands. Absent where
    // such changes cannot be seen; only a fixed wait is left there.
    virtual std::optional<unsigned long> ownerChanges() { return std::nullopt; }
};

} // namespace scribeon
