#include "app/wayland_popups.h"

#include "app/platform.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace quorvel {

namespace {

// Keeps a floating window a popup of its owner's window on Wayland. The owner is tied to it at
// each show, when the owner is on the screen and before the compositor is told where the popup
// goes. So are the windows it opens (the wizard's context menu): a compositor may refuse a menu
// opened from a popup that does not hold the pointer (weston ends the program). Qt 6.4 cannot
// move a popup the compositor already shows, so one that moved (the balloon following the
// wizard) is shown afresh where it now is.
class FloatingPopup : public QObject
{
public:
    FloatingPopup(QWidget *floating, QWidget *owner, bool draggable)
        : QObject(floating)
        , m_floating(floating)
        , m_owner(owner)
        , m_draggable(draggable)
    {
        floating->installEventFilter(this);
        all().append(this);
    }
    ~FloatingPopup() override { all().removeOne(this); }

    static QList<FloatingPopup *> &all()
    {
        static QList<FloatingPopup *> popups;
        return popups;
    }

    // Off the screen, or back: shown afresh either way, to the pupil only when not held.
    void hold(bool held)
    {
        m_floating->setAttribute(Qt::WA_DontShowOnScreen, held);
        if (m_floating->isVisible()) {
            m_floating->hide();
            m_floating->show();
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_floating) {
            if (event->type() == QEvent::Show)
                tieToOwner(static_cast<QWidget *>(watched));
            return false;
        }
        switch (event->type()) {
        case QEvent::ChildAdded:
            if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
                child->installEventFilter(this);
            break;
        case QEvent::Show:
            tieToOwner(m_floating);
            break;
        case QEvent::Move:
            if (m_floating->isVisible())
                showAfresh();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            return m_draggable && drag(static_cast<QMouseEvent *>(event));
        default:
            break;
        }
        return false;
    }

private:
    void tieToOwner(QWidget *window)
    {
        QWindow *handle = window->isWindow() ? window->windowHandle() : nullptr;
        QWindow *owner = m_owner ? m_owner->window()->windowHandle() : nullptr;
        if (handle && owner)
            handle->setTransientParent(owner);
    }

    void showAfresh()
    {
        // Once for all the moves of one turn of the event loop, and not from inside the event
        // that reports one.
        if (m_showPending)
            return;
        m_showPending = true;
        QTimer::singleShot(0, this, [this] {
            m_showPending = false;
            if (m_floating->isVisible()) {
                m_floating->hide();
                m_floating->show();
            }
        });
    }

    // The popup stays where it is while the pupil drags it, and the pointer's global position is
    // only Qt's guess from where it thinks the popup is: the drag is measured on the popup itself
    // and carried out when the button is let go.
    bool drag(QMouseEvent *event)
    {
        if (event->type() == QEvent::MouseButtonPress && event->button() == Qt::LeftButton)
            m_grab = event->position().toPoint();
        else if (event->type() == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton
                 && m_grab) {
            m_floating->move(m_floating->pos() + event->position().toPoint() - *m_grab);
            m_grab.reset();
        } else if (event->type() != QEvent::MouseMove || !m_grab)
            return false;
        return true;
    }

    QWidget *m_floating;
    QPointer<QWidget> m_owner;
    bool m_draggable;
    std::optional<QPoint> m_grab;
    bool m_showPending = false;
};

// Releases the floating windows once the box has the keyboard or is gone.
class BoxOpening : public QObject
{
public:
    explicit BoxOpening(QWidget *box)
        : QObject(box)
    {
        for (FloatingPopup *popup : FloatingPopup::all())
            popup->hold(true);
        box->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *box, QEvent *event) override
    {
        if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Hide) {
            box->removeEventFilter(this);
            for (FloatingPopup *popup : FloatingPopup::all())
                popup->hold(false);
            deleteLater();
        }
        return false;
    }
};

} // namespace

void keepFloatingOffWhileOpening(QWidget *box)
{
    if (onWayland())
        new BoxOpening(box);
}

void floatOver(QWidget *floating, QWidget *owner, Dragging dragging)
{
    if (!onWayland())
        return;
    // A tool tip with a parent window becomes an xdg popup: placed relative to that window, and
    // never given the keyboard. The other flags keep what the floating window asked for.
    floating->setWindowFlags((floating->windowFlags() & ~Qt::WindowType_Mask) | Qt::ToolTip);
    new FloatingPopup(floating, owner, dragging == Dragging::ByThePupil);
}

QPoint popupPlace(const QRect &owner, const QSize &size, const QRect &keepClear,
                  const QPoint &wanted)
{
    QPoint best = wanted;
    qint64 bestDistance = -1;
    for (int y = owner.top(); y + size.height() <= owner.bottom() + 1; y += 4) {
        for (int x = owner.left(); x + size.width() <= owner.right() + 1; x += 4) {
            if (QRect(QPoint(x, y), size).intersects(keepClear))
                continue;
            const QPoint off = QPoint(x, y) - wanted;
            const qint64 distance = qint64(off.x()) * off.x() + qint64(off.y()) * off.y();
            if (bestDistance < 0 || distance < bestDistance) {
                best = QPoint(x, y);
                bestDistance = distance;
            }
        }
    }
    return best;
}

} // namespace quorvel
