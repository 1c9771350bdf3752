#include "app/resting_cursor.h"

#include <QGuiApplication>
#include <QStyleHints>

namespace quorvel {

RestingCursor::RestingCursor(QObject *parent)
    : QObject(parent)
    , m_flashTime(QGuiApplication::styleHints()->cursorFlashTime())
{
    m_rest.setSingleShot(true);
    m_rest.setInterval(kBlinkForMs);
    connect(&m_rest, &QTimer::timeout, this,
            [] { QGuiApplication::styleHints()->setCursorFlashTime(0); });
    m_rest.start();
    qApp->installEventFilter(this);
}

RestingCursor::~RestingCursor()
{
    QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
}

bool RestingCursor::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        if (!m_rest.isActive())
            QGuiApplication::styleHints()->setCursorFlashTime(m_flashTime);
        m_rest.start();
        break;
    default:
        break;
    }
    return false;
}

} // namespace quorvel
