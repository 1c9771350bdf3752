#include "character/view/animation_player.h"

#include "character/view/character_window.h"

#include <QPointer>
#include <QRandomGenerator>

namespace quorvel {

AnimationPlayer::AnimationPlayer(const CharacterModel &model, CharacterWindow *window,
                                 std::function<int()> home, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_window(window)
    , m_home(std::move(home))
    , m_animation(model.idle)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AnimationPlayer::nextFrame);
    m_quiet.start();
}

void AnimationPlayer::play(int animation)
{
    ++m_plays;
    m_resting = false;
    m_animation = animation;
    m_frame = 0;
    showFrame();
}

void AnimationPlayer::stop()
{
    m_timer.stop();
    m_resting = false;
}

void AnimationPlayer::wake()
{
    m_quiet.restart();
    if (m_resting)
        play(m_animation);
}

void AnimationPlayer::showFrame()
{
    // Frames that follow each other with the same pictures are one still picture: one timer for
    // all of them, and nothing to draw.
    const QList<CharacterFrame> &frames = m_model.animations[m_animation].frames;
    int duration = frames[m_frame].durationMs;
    m_lastOfShown = m_frame;
    while (m_lastOfShown + 1 < frames.size()
           && frames[m_lastOfShown + 1].layers == frames[m_frame].layers)
        duration += frames[++m_lastOfShown].durationMs;
    m_window->showFrame(m_animation, m_frame);
    m_timer.start(duration);
}

void AnimationPlayer::nextFrame()
{
    if (m_resting) {
        play(m_animation);
        return;
    }
    const CharacterAnimation &running = m_model.animations[m_animation];
    if (m_lastOfShown + 1 < running.frames.size()) {
        m_frame = m_lastOfShown + 1;
        showFrame();
        return;
    }
    // A handler may start another animation, or destroy the character with this player.
    const QPointer<AnimationPlayer> alive(this);
    const quint64 plays = m_plays;
    emit passEnded(m_animation);
    if (!alive || m_plays != plays)
        return;

    const int home = m_home();
    const int next = (m_animation == home || running.loop) ? m_animation : home;
    if (next == m_model.idle && m_quiet.hasExpired(kRestAfterMs)) {
        m_animation = next;
        m_frame = 0;
        m_window->showFrame(m_animation, 0);
        m_resting = true;
        m_timer.start(QRandomGenerator::global()->bounded(kMinPauseMs, kMaxPauseMs + 1));
        return;
    }
    play(next);
}

} // namespace quorvel
