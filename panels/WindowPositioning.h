#pragma once

#include <optional>
#include <vector>

namespace scribeon {

struct PanelSize {
    double width = 0;
    double height = 0;
};

struct ScreenRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

struct PanelOrigin {
    double x = 0;
    double y = 0;
    bool operator==(const PanelOrigin&) const = default;
};

// Where every floating panel goes: centred in the available area of the
// primary screen (else the first screen), whatever the pointer does, and not
// clamped. With no screen at all it is centred on (0, 0).
namespace WindowPositioning {
PanelOrigin positionNearCursor(PanelSize windowSize, std::optional<ScreenRect> primaryScreen,
                               const std::vector<ScreenRect>& screens);
} // namespace WindowPositioning

} // namespace scribeon
