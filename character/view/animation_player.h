#pragma once

#include "character/format/manifest.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace quorvel {

class CharacterWindow;

// Plays a character's animations frame by frame on his window. After each pass he goes on with
// the animation `home` names (resting, or speaking), or repeats a looping one. Once nothing has
// been asked of him for a while, resting slows down to a pass now and then (a blink, a sway)
// with the resting frame held in between, so that a character nobody talks to costs nothing.
class AnimationPlayer : public QObject
{
    Q_OBJECT
public:
    AnimationPlayer(const CharacterModel &model, CharacterWindow *window, std::function<int()> home,
                    QObject *parent = nullptr);

    // Starts a pass of the animation from its first frame.
    void play(int animation);
    void stop();
    // Something was asked of him: he is lively again for a while.
    void wake();

    bool isResting() const { return m_resting; }

    // How long after the last request he starts resting, and how long he holds still between
    // two passes then (the pause varies between these bounds).
    static constexpr int kRestAfterMs = 4000;
    static constexpr int kMinPauseMs = 10000;
    static constexpr int kMaxPauseMs = 20000;

signals:
    // A pass of the animation has just shown its last frame for its whole duration.
    void passEnded(int animation);

private:
    void showFrame();
    void nextFrame();

    const CharacterModel &m_model;
    CharacterWindow *m_window;
    std::function<int()> m_home;
    QTimer m_timer;
    QElapsedTimer m_quiet; // since the last request
    int m_animation = -1;
    int m_frame = 0;
    int m_lastOfShown = 0; // frames drawn alike are shown as one: the last of them
    quint64 m_plays = 0;
    bool m_resting = false;
};

} // namespace quorvel
