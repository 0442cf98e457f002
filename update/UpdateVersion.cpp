#include "update/UpdateVersion.h"

#include <cctype>
#include <string>
#include <vector>

namespace scribeon {

namespace {

enum class PartKind { number, letters, separator };

struct Part {
    PartKind kind;
    std::string_view text;
};

PartKind kindOf(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isdigit(byte))
        return PartKind::number;
    if (std::ispunct(byte) || std::isspace(byte))
        return PartKind::separator;
    return PartKind::letters;
}

std::vector<Part> split(std::string_view version) {
    std::vector<Part> parts;
    for (std::size_t at = 0; at < version.size();) {
        const PartKind kind = kindOf(version[at]);
        std::size_t end = at + 1;
        if (kind != PartKind::separator) {
            while (end < version.size() && kindOf(version[end]) == kind)
                ++end;
        }
        parts.push_back({kind, version.substr(at, end - at)});
        at = end;
    }
    return parts;
}

// Digit runs of any length, compared without converting (no overflow).
std::strong_ordering compareNumbers(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.front() == '0')
        a.remove_prefix(1);
    while (b.size() > 1 && b.front() == '0')
        b.remove_prefix(1);
    if (a.size() != b.size())
        return a.size() <=> b.size();
    return a.compare(b) <=> 0;
}

std::strong_ordering compareParts(const Part& a, const Part& b) {
    if (a.kind == b.kind) {
        if (a.kind == PartKind::number)
            return compareNumbers(a.text, b.text);
        if (a.kind == PartKind::letters)
            return a.text.compare(b.text) <=> 0;
        return std::strong_ordering::equal;
    }
    // A number is later than letters or a separator; a separator is later
    // than letters ("1.0.1" > "1.0a").
    if (a.kind == PartKind::number || b.kind == PartKind::letters)
        return std::strong_ordering::greater;
    return std::strong_ordering::less;
}

} // namespace

std::strong_ordering compareVersions(std::string_view a, std::string_view b) {
    const auto partsA = split(a);
    const auto partsB = split(b);
    const std::size_t common = std::min(partsA.size(), partsB.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (const auto order = compareParts(partsA[i], partsB[i]); order != 0)
            return order;
    }
    if (partsA.size() == partsB.size())
        return std::strong_ordering::equal;
    const bool aLonger = partsA.size() > partsB.size();
    const Part& extra = aLonger ? partsA[common] : partsB[common];
    const bool longerIsLater = extra.kind != PartKind::letters;
    return aLonger == longerIsLater ? std::strong_ordering::greater : std::strong_ordering::less;
}

} // namespace scribeon
