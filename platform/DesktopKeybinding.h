#pragma once

#include <string>

namespace scribeon {

// A key binding kept in the desktop's own keyboard settings that runs a
// command. Written only when the user asks for it.
struct CustomKeybinding {
    std::string name;
    std::string command;
    // In the desktop's accelerator syntax ("<Super><Shift>i").
    std::string binding;
};

class DesktopKeybinding {
public:
    virtual ~DesktopKeybinding() = default;
    // False where the desktop's settings cannot be written at all.
    virtual bool isAvailable() const = 0;
    virtual bool isInstalled() const = 0;
    // Writing again replaces ours and never duplicates it; the user's other
    // bindings are kept. False when the desktop's settings refused it.
    virtual bool install(const CustomKeybinding& binding) = 0;
    virtual bool remove() = 0;
};

} // namespace scribeon
