#pragma once

#include <compare>
#include <string_view>

namespace scribeon {

// Orders versions as update feeds do: each text is split into runs of
// digits, of letters and single separators; digit runs compare as numbers
// ("1.10" > "1.9"), a number beats letters at the same place, and a version
// that goes on with letters where the other ends is a pre-release of it
// ("2.0b1" < "2.0"), while one that goes on with a separator is later
// ("1.0.1" > "1.0").
std::strong_ordering compareVersions(std::string_view a, std::string_view b);

} // namespace scribeon
