#include "app/program.h"

#include "app/platform.h"
#include "app/resting_cursor.h"
#include "app/translations.h"

#include <QGuiApplication>
#include <QScreen>

#include <functional>
#include <optional>

namespace quorvel {

namespace {

// Calls back once, at the first move that shows the window in a frame.
class FramedWatch : public QObject
{
public:
    FramedWatch(QWidget *window, std::function<void()> framed)
        : QObject(window)
        , m_framed(std::move(framed))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Move && window->frameGeometry() != window->geometry()) {
            window->removeEventFilter(this);
            deleteLater();
            m_framed();
        }
        return false;
    }

private:
    std::function<void()> m_framed;
};

} // namespace

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
    const bool placed = !onWayland();
    if (placed)
        place();
    m_window->show();
    // Before it shows, a window has no frame: the title bar and borders come with the window
    // manager's first move of it (none without a window manager), and push it down and right.
    if (placed)
        new FramedWatch(m_window, [this] { place(); });
    // On the desktop the game was made for, showing the window made it the active one at once,
    // before its first paint: the window's first picture on the screen holds the first exercise.
    // The window system's own activation comes a round trip later (or never: a Wayland compositor
    // need not give the keyboard to a window, nor say that it will not) and starts nothing more.
    m_window->countAsActivated();
    // Without a window manager nothing gives a window the keyboard by itself: ask for it. Not
    // raised: a window just mapped is on top already, and restacking it would cost the first
    // picture four round trips to the display server (Qt measures the frame anew).
    m_window->activateWindow();
}

void Program::place()
{
    // A window of a new contest shows in the frame its predecessor had.
    const QRect frame = m_window->frameGeometry(), inside = m_window->geometry();
    if (frame != inside)
        m_frame = QMargins(inside.left() - frame.left(), inside.top() - frame.top(),
                           frame.right() - inside.right(), frame.bottom() - inside.bottom());
    m_window->move(placement(m_window->screen()->availableGeometry(),
                             inside.size().grownBy(m_frame), m_window->characterArea(),
                             m_window->abacusArea().translated(m_frame.left(), m_frame.top())));
}

namespace {

// The place nearest the screen's centre, the window wholly on the screen, where the wizard does
// not hide the beads; none where the screen is too small for that.
std::optional<QPoint> nearestClearPlace(const QRect &screen, const QSize &size, const QRect &wizard,
                                        const QRect &beads)
{
    const QPoint centred = screen.center() - QPoint(size.width() / 2, size.height() / 2);
    const QRect clear = wizard.adjusted(-8, -8, 8, 8);
    std::optional<QPoint> best;
    qint64 bestDistance = 0;
    for (int y = screen.top(); y + size.height() <= screen.bottom() + 1; y += 4) {
        for (int x = screen.left(); x + size.width() <= screen.right() + 1; x += 4) {
            if (beads.translated(x, y).intersects(clear))
                continue;
            const QPoint off = QPoint(x, y) - centred;
            const qint64 distance = qint64(off.x()) * off.x() + qint64(off.y()) * off.y();
            if (!best || distance < bestDistance) {
                best = QPoint(x, y);
                bestDistance = distance;
            }
        }
    }
    return best;
}

} // namespace

QPoint Program::placement(const QRect &screen, const QSize &window, const QRect &wizard,
                          const QRect &beads)
{
    // The game was made for 1280 x 1024, where the wizard greets from beside the window's upper
    // right corner, close to the pupil's eyes. Wherever the screen is large enough the window
    // keeps that same arrangement with him, rather than drifting to a centre far from him.
    const QRect classicScreen(0, 0, 1280, 1024);
    const QRect classicWizard(Tavola::CharacterPlace, wizard.size());
    if (const auto classic = nearestClearPlace(classicScreen, window, classicWizard, beads)) {
        const QRect beside(wizard.topLeft() - (classicWizard.topLeft() - *classic), window);
        if (screen.contains(beside))
            return beside.topLeft();
    }
    if (const auto clear = nearestClearPlace(screen, window, wizard, beads))
        return *clear;
    // Too small a screen: centred, but never past its top or left edge, so that the menu bar
    // ("nuovo", "INFORMAZIONI") stays within reach even where no window manager could move it.
    const QPoint centred = screen.center() - QPoint(window.width() / 2, window.height() / 2);
    return {qMax(screen.left(), qMin(centred.x(), screen.right() + 1 - window.width())),
            qMax(screen.top(), qMin(centred.y(), screen.bottom() + 1 - window.height()))};
}

void Program::newContest()
{
    // Runs from the event loop, after the handler that asked for it has returned: the window,
    // its controls and the wizard go, and a fresh window loads as at start-up.
    delete m_window;
    load();
}

} // namespace quorvel
