#include "app/abacus.h"

#include "app/design.h"

#include <QPainter>

#include <stdexcept>

namespace quorvel {

using design::box;
using design::rgb;

QRect Shape::outline() const
{
    if (kind == Kind::Rectangle)
        return box;
    const int diameter = std::min(box.width(), box.height());
    return QRect(box.x() + (box.width() - diameter) / 2, box.y() + (box.height() - diameter) / 2,
                 diameter, diameter);
}

namespace {

constexpr int BeadDiameter = 615;

// Top of bead k's box: beads are stacked 480 twips apart from just above the base bar.
constexpr int beadTop(int index)
{
    return 4440 - 480 * (index - 1);
}

QString beadArrayName(Abacus::Rod rod)
{
    switch (rod) {
    case Abacus::Rod::Units:
        return QStringLiteral("Shape3");
    case Abacus::Rod::Tens:
        return QStringLiteral("Shape4");
    case Abacus::Rod::Hundreds:
        return QStringLiteral("Shape5");
    case Abacus::Rod::Thousands:
        return QStringLiteral("Shape6");
    }
    return {};
}

int rodIndex(Abacus::Rod rod)
{
    return static_cast<int>(rod);
}

void checkBeadIndex(int index)
{
    if (index < 1 || index > Abacus::BeadsPerRod)
        throw std::out_of_range("bead index outside 1..9");
}

} // namespace

Abacus::Abacus(const QPalette &palette)
    : m_windowText(design::systemColour(design::SystemColour::WindowText, palette))
{
    const QColor black = rgb(0, 0, 0);
    const QColor cyan = rgb(0, 255, 255);

    m_rods[rodIndex(Rod::Thousands)]
        = {"Shape2(3)", Shape::Kind::Rectangle, box(3000, 600, 360, 4575),
           cyan,        rgb(255, 128, 255),     black};
    m_rods[rodIndex(Rod::Hundreds)]
        = {"Shape2(2)",  Shape::Kind::Rectangle, box(4920, 600, 375, 4575),
           std::nullopt, rgb(255, 0, 0),         black};
    m_rods[rodIndex(Rod::Tens)]
        = {"Shape2(1)",
           Shape::Kind::Rectangle,
           box(7200, 600, 375, 4575),
           design::systemColour(design::SystemColour::WindowBackground, palette),
           std::nullopt,
           std::nullopt};
    m_rods[rodIndex(Rod::Units)]
        = {"Shape2(0)",    Shape::Kind::Rectangle, box(9360, 600, 375, 4455),
           rgb(0, 255, 0), std::nullopt,           std::nullopt};
    m_baseBar
        = {"Shape1", Shape::Kind::Rectangle, box(2760, 5040, 7215, 735), cyan, cyan, std::nullopt};

    struct BeadLook
    {
        Rod rod;
        int left;
        std::optional<QColor> back;
        std::optional<QColor> fill;
    };
    const BeadLook looks[] = {
        {Rod::Thousands, 2880, std::nullopt, rgb(255, 255, 0)},
        {Rod::Hundreds, 4800, std::nullopt, rgb(0, 0, 255)},
        {Rod::Tens, 7080, rgb(0, 192, 192), std::nullopt},
        {Rod::Units, 9240, rgb(128, 128, 255), rgb(255, 0, 255)},
    };
    for (const BeadLook &look : looks) {
        for (int k = 1; k <= BeadsPerRod; ++k) {
            Shape &b = m_beads[rodIndex(look.rod)][k - 1];
            b.name = QStringLiteral("%1(%2)").arg(beadArrayName(look.rod)).arg(k);
            b.kind = Shape::Kind::Circle;
            b.box = box(look.left, beadTop(k), BeadDiameter, BeadDiameter);
            b.back = look.back;
            b.fill = look.fill;
        }
    }
    // Two boxes of another size that still draw the same circles as their neighbours.
    for (int k = 4; k <= BeadsPerRod; ++k)
        bead(Rod::Units, k).box = box(8520, beadTop(k), 2055, BeadDiameter);
    bead(Rod::Tens, 7).box = box(7080, 1440, BeadDiameter, 855);
}

Shape &Abacus::bead(Rod rod, int index)
{
    checkBeadIndex(index);
    return m_beads[rodIndex(rod)][index - 1];
}

const Shape &Abacus::bead(Rod rod, int index) const
{
    checkBeadIndex(index);
    return m_beads[rodIndex(rod)][index - 1];
}

void Abacus::showDigit(Rod rod, int digit)
{
    if (digit < 0 || digit > BeadsPerRod)
        throw std::out_of_range("digit outside 0..9");
    for (int k = digit + 1; k <= BeadsPerRod; ++k)
        bead(rod, k).visible = false;
    for (int k = 1; k <= digit; ++k)
        bead(rod, k).visible = true;
}

void Abacus::showAllBeads()
{
    for (auto &beads : m_beads)
        for (Shape &b : beads)
            b.visible = true;
}

int Abacus::digit(Rod rod) const
{
    int shown = 0;
    while (shown < BeadsPerRod && bead(rod, shown + 1).visible)
        ++shown;
    return shown;
}

std::vector<const Shape *> Abacus::paintOrder() const
{
    std::vector<const Shape *> order;
    order.reserve(41);
    // Rods at the back, then the base bar in front of their lower ends.
    for (int r = 3; r >= 0; --r)
        order.push_back(&m_rods[r]);
    order.push_back(&m_baseBar);
    // On the hundreds, tens and units rods the lower bead lies in front of the one above it.
    for (Rod rod : {Rod::Hundreds, Rod::Tens, Rod::Units})
        for (int k = BeadsPerRod; k >= 1; --k)
            order.push_back(&bead(rod, k));
    // The thousands rod stacks the other way round, except that its lowest bead lies in front of
    // the second; its topmost bead is the frontmost shape of all.
    for (int k : {2, 3, 4, 5, 6, 7, 8, 1, 9})
        order.push_back(&bead(Rod::Thousands, k));
    return order;
}

void Abacus::paint(QPainter &painter) const
{
    painter.save();
    for (const Shape *shape : paintOrder()) {
        if (!shape->visible)
            continue;
        const QRect outline = shape->outline();
        const bool circle = shape->kind == Shape::Kind::Circle;
        painter.setRenderHint(QPainter::Antialiasing, circle);
        // The fill covers the back colour where both are set, so only the front one is painted.
        const std::optional<QColor> interior = shape->fill ? shape->fill : shape->back;
        painter.setBrush(interior ? QBrush(*interior) : QBrush(Qt::NoBrush));
        // A one-pixel outline drawn inside the shape's box.
        painter.setPen(QPen(shape->border.value_or(m_windowText), 1));
        const QRectF inside = QRectF(outline).adjusted(0.5, 0.5, -0.5, -0.5);
        if (circle)
            painter.drawEllipse(inside);
        else
            painter.drawRect(inside);
    }
    painter.restore();
}

} // namespace quorvel
