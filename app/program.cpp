#include "app/program.h"

#include "app/translations.h"
#include "app/platform.h"
#include "app/resting_cursor.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

namespace quorvel {

Program::Program(const Tavola::Seams &seams, QObject *parent)
    : QObject(parent)
    , m_seams(seams)
{
    // The window is unloaded and loaded again for a new contest, and the wizard's own windows
    // come and go: only this object decides when the program ends.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    installQtItalian();
    new RestingCursor(this);
}

Program::~Program()
{
    delete m_window;
}

void Program::start()
{
    load();
}

void Program::load()
{
    m_window = new Tavola(m_seams);
    connect(m_window, &Tavola::newContestRequested, this, &Program::newContest,
            Qt::QueuedConnection);
    connect(m_window, &Tavola::programEnds, this, &Program::ended);
    connect(m_window, &Tavola::closed, this, [this] { emit ended(0); });

    m_window->adjustSize();
    // Wayland leaves the place to the compositor, and Qt counts the window's popups (the wizard)
    // from its corner, wherever it is.
    if (!onWayland())
        m_window->move(placeFor(*m_window));
    m_window->show();
    // Without a window manager nothing activates a window by itself; the game starts at the
    // window's first activation, so ask for it.
    m_window->raise();
    m_window->activateWindow();
    // A Wayland compositor need not give the keyboard to a window that asks for it, nor say that
    // it will not: after a short wait the window counts as activated anyway, so the first
    // exercise is there when the pupil clicks into it.
    if (onWayland())
        QTimer::singleShot(ActivationWait, m_window.data(), &Tavola::countAsActivated);
}

QPoint Program::placeFor(const Tavola &window)
{
    // The wizard greets from a fixed place on the screen. Where the screen allows it the window
    // goes where he does not hide the beads, as close to the centre as can be; otherwise it is
    // centred, and the pupil can drag him aside.
    const QRect screen = window.screen()->availableGeometry();
    const QSize size = window.frameGeometry().size();
    const QPoint centred = screen.center() - QPoint(size.width() / 2, size.height() / 2);
    const QRect wizard = window.characterArea().adjusted(-8, -8, 8, 8);
    const QRect beads = window.abacusArea();

    QPoint best = centred;
    qint64 bestDistance = -1;
    for (int y = screen.top(); y + size.height() <= screen.bottom() + 1; y += 4) {
        for (int x = screen.left(); x + size.width() <= screen.right() + 1; x += 4) {
            if (beads.translated(x, y).intersects(wizard))
                continue;
            const QPoint off = QPoint(x, y) - centred;
            const qint64 distance = qint64(off.x()) * off.x() + qint64(off.y()) * off.y();
            if (bestDistance < 0 || distance < bestDistance) {
                best = QPoint(x, y);
                bestDistance = distance;
            }
        }
    }
    return best;
}

void Program::newContest()
{
    // Runs from the event loop, after the handler that asked for it has returned: the window,
    // its controls and the wizard go, and a fresh window loads as at start-up.
    delete m_window;
    load();
}

} // namespace quorvel
