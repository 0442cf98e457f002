#pragma once

#include <string>

namespace scribeon {

// The characters a downloaded file's name may keep: letters, digits and
// ". _ - +". Anything else could make it a path or an option.
constexpr bool isPlainFileNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-' || c == '+';
}

// The longest name downloadFileName gives, short of every file system's
// limit with room for a " (N)" that keeps it from an existing file.
constexpr std::size_t longestDownloadFileName = 100;

// The name a file fetched from `url` is saved under: the last path segment,
// kept to plain characters, never empty, hidden, ".." or longer than
// longestDownloadFileName (a long name keeps its extension).
std::string downloadFileName(const std::string& url);

// `name` for n == 0, else "stem (n).ext": the next name to try when `name`
// is taken.
std::string numberedFileName(const std::string& name, int n);

} // namespace scribeon
