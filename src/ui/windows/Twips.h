// Window layouts are designed in twips (1/1440 inch); widgets are placed in pixels.
#pragma once

#include <QRect>

namespace qle::ui {

inline constexpr int kTwipsPerInch = 1440;

// Rounds to the nearest pixel at the given dots per inch.
inline int TwipsToPixels(int twips, int dpi)
{
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

inline QRect TwipsRect(int left, int top, int width, int height, int dpi)
{
    return {TwipsToPixels(left, dpi), TwipsToPixels(top, dpi), TwipsToPixels(width, dpi), TwipsToPixels(height, dpi)};
}

} // namespace qle::ui
