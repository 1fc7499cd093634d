// Twips (1/1440 inch) to pixels at a screen's resolution.
#pragma once

#include <QRect>

#include "app/window_definitions.h"

namespace app::qt {

// 15 twips to a pixel at 96 dots per inch.
inline int TwipsToPixels(int twips, int dpi) { return (twips * dpi + 720) / 1440; }

inline QRect ToPixels(const TwipRect& rect, int dpi) {
    return {TwipsToPixels(rect.left, dpi), TwipsToPixels(rect.top, dpi),
            TwipsToPixels(rect.width, dpi), TwipsToPixels(rect.height, dpi)};
}

}  // namespace app::qt
