#pragma once

#include <string>
#include <string_view>

namespace scribeon {

// User-visible wording that names desktop things, as a Linux user knows them.
namespace KeyText {

inline constexpr std::string_view editingModifier = "Ctrl";

inline constexpr std::string_view accessibilityAlertTitle = "Accessibility Permission Required";
inline constexpr std::string_view enableAccessibilityButton = "Enable Accessibility";
inline constexpr std::string_view laterButton = "Later";

// Six lines joined by line feeds, no final line feed. Names the default
// shortcut whatever is stored.
std::string accessibilityAlertText();

} // namespace KeyText

} // namespace scribeon
