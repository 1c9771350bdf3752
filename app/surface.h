#pragma once

#include "app/abacus.h"

#include <QColor>
#include <QList>
#include <QRect>
#include <QWidget>

class QPainter;

namespace quorvel {

// The window's own drawing, the layer between its background colour and the abacus. It is kept as
// the boxes drawn, so what is drawn stays until cleared and the window restores it by itself
// whenever it is uncovered; a box hidden under a later opaque one is forgotten, so that drawing
// the same picture again and again costs nothing more. (Kept as boxes rather than a picture of
// the whole client area: that was 1.7 MB, and blending it over the background at every repaint
// cost more than filling the boxes.) Its vertical scale can be set to any number of units over
// the client height while the horizontal scale stays in pixels.
class RuntimeDrawing
{
public:
    explicit RuntimeDrawing(QSize size);

    // From now on the client height counts `units` from 0 at the top.
    void setScaleHeight(double units) { m_scaleHeight = units; }

    // A filled box between two corners (x in pixels, y in scale units). The pen is kept inside the
    // outline, so its width never widens a box; anything beyond the client area is clipped.
    void box(QPointF corner1, QPointF corner2, const QColor &colour);
    // Wipes the drawing, so that only the background colour shows.
    void clear();
    bool isClear() const { return m_boxes.isEmpty(); }
    qsizetype boxCount() const { return m_boxes.size(); }
    void paint(QPainter &painter) const;

private:
    struct Box
    {
        QRect pixels;
        QColor colour;
    };
    QSize m_size;
    double m_scaleHeight;
    QList<Box> m_boxes; // back to front
    QRect m_bounds; // of all the boxes kept
};

// The client area's back layers: the background colour, the run-time drawing over it, and the
// abacus in front of both. The labels, text boxes and buttons are child widgets and so lie in
// front of all three.
class Surface : public QWidget
{
    Q_OBJECT
public:
    explicit Surface(QWidget *parent = nullptr);

    Abacus &abacus() { return m_abacus; }
    const Abacus &abacus() const { return m_abacus; }
    RuntimeDrawing &drawing() { return m_drawing; }

    void setBackgroundColour(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Abacus m_abacus;
    RuntimeDrawing m_drawing;
    QColor m_background;
};

} // namespace quorvel
