#pragma once

#include "app/tavola.h"

#include <QMargins>
#include <QObject>
#include <QPointer>

namespace quorvel {

// The program's life around its one window: loading and showing it, loading it afresh for a new
// contest, and ending when the pupil says goodbye or closes it.
class Program : public QObject
{
    Q_OBJECT
public:
    explicit Program(const Tavola::Seams &seams = {}, QObject *parent = nullptr);
    ~Program() override;

    // Loads and shows the window; its Load handler runs first, its Activate handler as it shows.
    void start();
    Tavola *window() const { return m_window; }

    // Where a window of this size goes on this screen (available area), given where the wizard
    // greets (screen coordinates) and where the beads lie (window coordinates).
    static QPoint placement(const QRect &screen, const QSize &window, const QRect &wizard,
                            const QRect &beads);

signals:
    void ended(int status);

private:
    void load();
    // Places the window by its frame: the window manager's title bar and borders are part of what
    // must stay on the screen.
    void place();
    void newContest();

    Tavola::Seams m_seams;
    QPointer<Tavola> m_window;
    QMargins m_frame; // the window manager's, as last seen
};

} // namespace quorvel
