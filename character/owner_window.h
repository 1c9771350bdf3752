#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;
class QWindow;

namespace quorvel {

// The window a character greets from: the window of the widget that holds his control. He
// appears only once it is on the screen and painted, so that he never stands alone beside a
// window still to come (a window manager may take its time mapping it), and so that his first
// frame, the dearest to draw, does not hold up the window's own first picture. Only his first
// appearance waits, and at most MaxWait: a window the desktop keeps off the screen (minimised,
// on another workspace) must not leave him mute.
class OwnerWindow : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxWaitMs = 500;

    // control: the character's control; its nearest widget ancestor gives the window. None: he
    // never waits.
    OwnerWindow(const QObject *control, QObject *parent);

    // Whether the character must wait now; if so, ready() follows once he need not.
    bool holdsBack();

signals:
    void ready();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void release();

    QPointer<QWidget> m_owner;
    QPointer<QWindow> m_watched;
    QTimer m_maxWait;
    bool m_released = false;
};

} // namespace quorvel
