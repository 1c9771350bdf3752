#pragma once

#include "app/abacus.h"

#include <QImage>
#include <QWidget>

namespace quorvel {

// The window's own drawing, the layer between its background colour and the abacus. It is kept as
// a picture, so what is drawn stays until cleared and the window restores it by itself whenever it
// is uncovered. Its vertical scale can be set to any number of units over the client height while
// the horizontal scale stays in pixels.
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
    bool isClear() const { return m_clear; }

    const QImage &picture() const { return m_picture; }

private:
    QImage m_picture;
    double m_scaleHeight;
    bool m_clear = true;
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

    QColor backgroundColour() const { return m_background; }
    void setBackgroundColour(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Abacus m_abacus;
    RuntimeDrawing m_drawing;
    QColor m_background;
};

} // namespace quorvel
