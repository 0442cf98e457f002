#pragma once

namespace scribeon {

// The characters a downloaded file's name may keep: letters, digits and
// ". _ - +". Anything else could make it a path or an option.
constexpr bool isPlainFileNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-' || c == '+';
}

} // namespace scribeon
