#include "panels/WindowPositioning.h"

namespace scribeon::WindowPositioning {

PanelOrigin positionNearCursor(PanelSize windowSize, std::optional<ScreenRect> primaryScreen,
                               const std::vector<ScreenRect>& screens) {
    ScreenRect frame;
    if (primaryScreen)
        frame = *primaryScreen;
    else if (!screens.empty())
        frame = screens.front();
    return {frame.x + (frame.width - windowSize.width) * 0.5,
            frame.y + (frame.height - windowSize.height) * 0.5};
}

} // namespace scribeon::WindowPositioning
