#include "app/step_aside.h"

#include "app/wayland_popups.h"

#include <QEvent>
#include <QScreen>
#include <QWidget>

namespace quorvel {

StepAside::StepAside(QWidget *wizard, QWidget *window, std::function<QPoint()> place,
                     std::function<QRect()> beads)
    : QObject(window)
    , m_wizard(wizard)
    , m_window(window)
    , m_place(std::move(place))
    , m_beads(std::move(beads))
{
    wizard->installEventFilter(this);
    window->installEventFilter(this);
}

bool StepAside::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::Move)
        keepBeadsInSight();
    return false;
}

void StepAside::keepBeadsInSight()
{
    if (!m_wizard || !m_window || !m_wizard->isVisible() || !m_window->isVisible())
        return;
    const QPoint place = m_place(), now = m_wizard->pos();
    if (now != place && !(m_stepped && now == m_aside))
        return; // the pupil's choice
    const QRect beads = m_beads();
    // A spot 8 pixels off, as where the game places its window: his outline is not his window's.
    const QRect clear
        = QRect(m_window->mapToGlobal(beads.topLeft()), beads.size()).adjusted(-8, -8, 8, 8);
    const QRect there(place, m_wizard->size());
    const QPoint spot = there.intersects(clear)
        ? popupPlace(m_window->screen()->availableGeometry(), there.size(), clear, place)
        : place;
    if (spot == now)
        return;
    m_aside = spot;
    m_stepped = true;
    m_wizard->move(spot);
}

} // namespace quorvel
