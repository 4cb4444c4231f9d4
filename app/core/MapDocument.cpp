#include "MapDocument.h"

namespace tw {

void MapDocument::setLimitsFromFrame(std::int32_t borderWidth, std::int32_t borderHeight) {
    BorderWidth = borderWidth;
    BorderHeight = borderHeight;
    MinWidth = borderWidth + kMinGridsWide;
    MinHeight = borderHeight + kMinGridsHigh;
    MaxWidth = borderWidth + kMaxGrids;
    MaxHeight = borderHeight + kMaxGrids;
}

} // namespace tw
