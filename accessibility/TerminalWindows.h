#pragma once

#include <string_view>

namespace scribeon {

// True for the window classes of the common terminal emulators. Ctrl+C and
// Ctrl+Z there interrupt or suspend the program the user is running.
bool isTerminalWindowClass(std::string_view windowClass);

} // namespace scribeon
