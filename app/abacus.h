#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>
#include <QString>

#include <array>
#include <optional>
#include <vector>

class QPainter;

namespace quorvel {

// One of the abacus's simple shapes. Colours left empty take the desktop's window-text colour
// (the border) at paint time, so the drawing follows the palette like the rest of the window.
struct Shape
{
    enum class Kind { Rectangle, Circle };

    QString name; // e.g. "Shape3(4)", for tests and debugging
    Kind kind = Kind::Rectangle;
    QRect box; // logical pixels in the client area
    std::optional<QColor> back; // painted only when the back style is opaque
    std::optional<QColor> fill; // painted only when the fill style is solid
    std::optional<QColor> border; // empty: window text
    bool visible = true;

    // A circle is the largest circle that fits its box, centred in it.
    QRect outline() const;
};

// The abacus of four rods with nine beads each, standing on a base bar: 41 shapes painted in a
// fixed order. Only bead visibility ever changes.
class Abacus
{
public:
    // The rods by place; the value is the index of the rod in the design's rod array.
    enum class Rod { Units = 0, Tens = 1, Hundreds = 2, Thousands = 3 };
    static constexpr int BeadsPerRod = 9;

    explicit Abacus(const QPalette &palette);

    // Shows the digit d (0..9) on a rod: beads 1..d visible, the others hidden.
    void showDigit(Rod rod, int digit);
    // Makes every bead of every rod visible, as the abacus is at load.
    void showAllBeads();
    // The digit a rod shows now (beads form one stack from bead 1 up).
    int digit(Rod rod) const;

    // Bead k (1..9) of a rod; bead 1 is the lowest.
    const Shape &bead(Rod rod, int index) const;
    Shape &bead(Rod rod, int index);
    const Shape &baseBar() const { return m_baseBar; }

    // Every shape from the backmost to the frontmost.
    std::vector<const Shape *> paintOrder() const;
    void paint(QPainter &painter) const;

private:
    std::array<std::array<Shape, BeadsPerRod>, 4> m_beads;
    std::array<Shape, 4> m_rods;
    Shape m_baseBar;
    QColor m_windowText;
};

} // namespace quorvel
