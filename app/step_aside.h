#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>

class QWidget;

namespace quorvel {

// The game places its window so that the wizard's place leaves the beads in sight, but a window
// manager may put the window elsewhere and ignore its moves (sway centres it). While the wizard
// stands where the game put him, he steps to the spot nearest his place that keeps him off the
// beads, whenever the window or he moves (a move queued before the window was placed included);
// once the pupil has dragged him elsewhere, he stays where the pupil left him.
class StepAside : public QObject
{
public:
    // `place`: where the game puts him on the screen; `beads`: where they lie in the window.
    StepAside(QWidget *wizard, QWidget *window, std::function<QPoint()> place,
              std::function<QRect()> beads);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void keepBeadsInSight();

    QPointer<QWidget> m_wizard;
    QPointer<QWidget> m_window;
    std::function<QPoint()> m_place;
    std::function<QRect()> m_beads;
    QPoint m_aside; // where he last stepped to
    bool m_stepped = false;
};

} // namespace quorvel
