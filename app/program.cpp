#include "app/program.h"

#include <QGuiApplication>
#include <QScreen>

namespace quorvel {

Program::Program(const Tavola::Seams &seams, QObject *parent)
    : QObject(parent)
    , m_seams(seams)
{
    // The window is unloaded and loaded again for a new contest, and the wizard's own windows
    // come and go: only this object decides when the program ends.
    QGuiApplication::setQuitOnLastWindowClosed(false);
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
    const QRect screen = m_window->screen()->availableGeometry();
    m_window->move(screen.center() - m_window->rect().center());
    m_window->show();
    // Without a window manager nothing activates a window by itself; the game starts at the
    // window's first activation, so ask for it.
    m_window->raise();
    m_window->activateWindow();
}

void Program::newContest()
{
    // Runs from the event loop, after the handler that asked for it has returned: the window,
    // its controls and the wizard go, and a fresh window loads as at start-up.
    delete m_window;
    load();
}

} // namespace quorvel
