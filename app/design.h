#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>

// Measures and looks shared by the window and its abacus. The layout is written in twips, as
// teachers' printed worksheets of the original game gave it; 15 twips make one logical pixel, and
// Qt's high-DPI scaling keeps logical pixels the same physical size on denser screens.
namespace quorvel::design {

constexpr int TwipsPerPixel = 15;

constexpr int px(int twips)
{
    return twips / TwipsPerPixel;
}

// A box given as Left, Top, Width, Height in twips, in logical pixels.
constexpr QRect box(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

// The window's client area below the menu bar.
inline constexpr QSize ClientSize {px(11310), px(8340)};

// Colours are written as (red, green, blue) triples.
constexpr QColor rgb(int red, int green, int blue)
{
    return QColor(red, green, blue);
}

// The handful of desktop colours the layout names by their classic index. They come from the
// running desktop's palette, so the window follows the pupil's colour scheme.
enum class SystemColour {
    ScrollBar = 0,
    WindowBackground = 5,
    WindowText = 8,
    ButtonFace = 15,
    ButtonText = 18
};
QColor systemColour(SystemColour which, const QPalette &palette);

// A font of the layout, by the layout's family name ("Arial", "MS Sans Serif", "Times New Roman"):
// the metric-compatible Liberation face that stands in for it.
QFont font(const QString &family, qreal pointSize, bool bold = false, bool italic = false);

} // namespace quorvel::design
