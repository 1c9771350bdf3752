#include "character/owner_window.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace quorvel {

OwnerWindow::OwnerWindow(const QObject *control, QObject *parent)
    : QObject(parent)
{
    for (const QObject *o = control; o && !m_owner; o = o->parent()) {
        if (o->isWidgetType())
            m_owner = static_cast<const QWidget *>(o)->window();
    }
    m_maxWait.setSingleShot(true);
    m_maxWait.setInterval(MaxWaitMs);
    connect(&m_maxWait, &QTimer::timeout, this, [this] {
        release();
        emit ready();
    });
}

bool OwnerWindow::holdsBack()
{
    if (m_released)
        return false;
    QWindow *window = m_owner && m_owner->isVisible() ? m_owner->windowHandle() : nullptr;
    // A window not shown (yet) is not waited for: he may be shown on his own.
    if (!window || window->isExposed()) {
        release();
        return false;
    }
    if (!m_watched) {
        m_watched = window;
        window->installEventFilter(this);
        m_maxWait.start();
    }
    return true;
}

bool OwnerWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_watched && event->type() == QEvent::Expose && m_watched->isExposed()) {
        release();
        // After the window has handled the exposure: painted, and its picture sent.
        QMetaObject::invokeMethod(this, &OwnerWindow::ready, Qt::QueuedConnection);
    }
    return false;
}

void OwnerWindow::release()
{
    m_released = true;
    m_maxWait.stop();
    if (m_watched)
        m_watched->removeEventFilter(this);
    m_watched = nullptr;
}

} // namespace quorvel
