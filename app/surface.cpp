#include "app/surface.h"

#include "app/design.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quorvel {

RuntimeDrawing::RuntimeDrawing(QSize size)
    : m_size(size)
    , m_scaleHeight(size.height())
{ }

void RuntimeDrawing::box(QPointF corner1, QPointF corner2, const QColor &colour)
{
    const double pixelsPerUnit = m_size.height() / m_scaleHeight;
    // Work in doubles and clip before converting: callers may pass corners far outside the
    // client area (the stripes reach past the right edge on purpose).
    auto clipX = [&](double x) {
        return std::clamp(x, -1.0, double(m_size.width()) + 1);
    };
    auto clipY = [&](double units) {
        return std::clamp(units * pixelsPerUnit, -1.0, double(m_size.height()) + 1);
    };
    const double left = clipX(std::min(corner1.x(), corner2.x()));
    const double right = clipX(std::max(corner1.x(), corner2.x()));
    const double top = clipY(std::min(corner1.y(), corner2.y()));
    const double bottom = clipY(std::max(corner1.y(), corner2.y()));
    // Rounding both edges the same way makes neighbouring boxes tile without gaps or overlaps.
    const QRect pixels(QPoint(int(std::lround(left)), int(std::lround(top))),
                       QPoint(int(std::lround(right)) - 1, int(std::lround(bottom)) - 1));
    // With the pen inside the outline, a filled box covers exactly its corners' rectangle
    // whatever the pen width, so the pen adds nothing but its colour.
    const QRect shown = pixels.intersected(QRect(QPoint(0, 0), m_size));
    if (shown.isEmpty())
        return;
    // Every exercise draws its 256 stripes one below the other, none over another: a box outside
    // all those kept so far can cover none of them, and need not be checked against each.
    if (colour.alpha() == 255 && shown.intersects(m_bounds))
        m_boxes.removeIf([&](const Box &under) { return shown.contains(under.pixels); });
    m_boxes.append({shown, colour});
    m_bounds |= shown;
}

void RuntimeDrawing::clear()
{
    m_boxes.clear();
    m_bounds = QRect();
}

void RuntimeDrawing::paint(QPainter &painter) const
{
    for (const Box &box : m_boxes)
        painter.fillRect(box.pixels, box.colour);
}

Surface::Surface(QWidget *parent)
    : QWidget(parent)
    , m_abacus(palette())
    , m_drawing(design::ClientSize)
    , m_background(design::systemColour(design::SystemColour::ScrollBar, palette()))
{
    setFixedSize(design::ClientSize);
    // Everything is painted here, so Qt need not erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Surface::setBackgroundColour(const QColor &colour)
{
    m_background = colour;
    update();
}

void Surface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_background);
    m_drawing.paint(painter);
    m_abacus.paint(painter);
}

} // namespace quorvel
