#include "character/agent.h"

#include "character/format/character_file.h"
#include "character/owner_window.h"
#include "character/request_queue.h"
#include "character/view/animation_player.h"
#include "character/view/character_window.h"
#include "character/voice/voice.h"
#include "engine/runtime_error.h"

#include <QTimer>

namespace quorvel {

namespace {

constexpr int kMinHeight = 16;
constexpr int kMaxHeight = 2048;
constexpr int kMaxCoordinate = 32767; // what an X11 window position can hold
// How long the balloon stays once the voice has finished, so that the last words can be read.
constexpr int kBalloonLingerMs = 1200;

[[noreturn]] void fail(RuntimeError::Code code, const QString &detail)
{
    throw RuntimeError::withDetail(code, detail.toStdString());
}

} // namespace

struct Character::Private
{
    Character *q = nullptr;
    QString id;
    std::shared_ptr<const LoadedCharacter> loaded;
    AgentControl *control = nullptr; // our parent
    std::unique_ptr<CharacterWindow> window;
    std::unique_ptr<BalloonWindow> balloon;
    std::unique_ptr<AnimationPlayer> animator; // draws on window
    OwnerWindow *owner = nullptr; // a child
    QTimer balloonLinger;
    QTimer starter;

    RequestQueue queue;

    bool passEndsRequest = false; // the current request is one pass of this animation
    bool speaking = false;
    quint64 placedAhead = 0; // the move carried out as he appeared

    // Declared last so that it goes first: it must not report into a half-destroyed character.
    std::unique_ptr<Voice> voice;

    const CharacterModel &model() const { return loaded->model; }
    CharacterRequest enqueue(const CharacterAction &action);
    void startNext();
    bool startOne(); // true when the request started is already over
    bool finishCurrent(); // false if a handler destroyed the character
    void play(int animation, bool endsRequest);
    void hideCharacter();
    void placeBalloon();
};

CharacterRequest Character::Private::enqueue(const CharacterAction &action)
{
    const CharacterRequest request {control->nextRequestNumber(), action};
    queue.push(request);
    // A handler of these signals may destroy the control, and this character with it.
    const QPointer<Character> alive(q);
    emit control->requested(action);
    if (alive && !queue.current())
        starter.start();
    return request;
}

void Character::Private::startNext()
{
    if (owner->holdsBack())
        return;
    // Requests that are over at once follow each other here, without a turn of the event loop
    // between them, where a repaint of the window could hold up the voice behind them.
    while (startOne()) { }
}

bool Character::Private::startOne()
{
    const std::optional<CharacterRequest> started = queue.next();
    if (!started)
        return false;
    const CharacterAction action = started->action;
    const QPointer<Character> alive(q);
    emit control->started(action);
    if (!alive)
        return false;
    const bool visible = window->isVisible();
    switch (action.kind) {
    case CharacterAction::Kind::Load:
    case CharacterAction::Kind::Stop:
        break;
    case CharacterAction::Kind::Show:
        if (!visible) {
            // With a move queued right behind, appear where it leads rather than appear elsewhere
            // and jump there once the appearing is over (the game shows, then places him).
            const CharacterRequest *following = queue.peek();
            if (following && following->action.kind == CharacterAction::Kind::MoveTo) {
                window->move(following->action.position);
                placedAhead = following->number;
            }
            window->show();
            window->raise();
            play(model().appear, true);
            return false;
        }
        break;
    case CharacterAction::Kind::MoveTo:
        // Done already as he appeared: a pupil who dragged him meanwhile put him where he is.
        if (started->number != placedAhead)
            window->move(action.position);
        break;
    case CharacterAction::Kind::Height:
        window->setCharacterHeight(action.height);
        placeBalloon();
        break;
    case CharacterAction::Kind::Play:
        // A hidden character has nothing to show; the queue goes on.
        if (visible) {
            play(model().findAnimation(action.text), true);
            return false;
        }
        break;
    case CharacterAction::Kind::Speak:
        if (visible && !action.text.trimmed().isEmpty()) {
            balloonLinger.stop();
            balloon->setText(action.text);
            speaking = true;
            // The sound first: showing the balloon costs a few milliseconds.
            voice->say(action.text, model().voice, action.aloud);
            if (!alive) // a ready sound may begin, and report, at once
                return false;
            placeBalloon();
            balloon->show();
            return false;
        }
        break;
    }
    return finishCurrent();
}

bool Character::Private::finishCurrent()
{
    const std::optional<CharacterRequest> over = queue.finish();
    if (!over)
        return true;
    const CharacterAction action = over->action;
    passEndsRequest = false;
    animator->wake();
    const QPointer<Character> alive(q);
    emit control->carriedOut(action);
    if (!alive)
        return false;
    // Through the event loop, not recursively: a long queue must not deepen the stack.
    if (queue.hasWaiting())
        starter.start();
    return true;
}

void Character::Private::play(int index, bool endsRequest)
{
    passEndsRequest = endsRequest;
    animator->play(index);
}

void Character::Private::hideCharacter()
{
    animator->stop();
    balloonLinger.stop();
    voice->stop();
    speaking = false;
    balloon->hide();
    window->hide();
    const CharacterRequest *current = queue.current();
    if (current && current->action.kind != CharacterAction::Kind::MoveTo
        && current->action.kind != CharacterAction::Kind::Height)
        finishCurrent();
}

void Character::Private::placeBalloon()
{
    if (balloon->isVisible() || speaking)
        balloon->placeBeside(window->figureGeometry());
}

Character::Character(const QString &id, std::shared_ptr<const LoadedCharacter> loaded,
                     AgentControl *control)
    : QObject(control)
    , d(std::make_unique<Private>())
{
    d->q = this;
    d->id = id;
    d->loaded = std::move(loaded);
    d->control = control;
    d->window = std::make_unique<CharacterWindow>(d->loaded);
    d->balloon = std::make_unique<BalloonWindow>(d->model().balloon);
    // A child too, so that a probe can find it.
    d->animator = std::make_unique<AnimationPlayer>(
        d->model(), d->window.get(),
        [this] { return d->speaking ? d->model().speak : d->model().idle; }, this);
    d->voice = std::make_unique<Voice>(this); // a child, so that a probe can find it
    d->owner = new OwnerWindow(control, this);
    connect(d->owner, &OwnerWindow::ready, this, [this] { d->startNext(); });

    d->starter.setSingleShot(true);
    d->starter.setInterval(0);
    connect(&d->starter, &QTimer::timeout, this, [this] { d->startNext(); });
    connect(d->animator.get(), &AnimationPlayer::passEnded, this, [this] {
        if (d->passEndsRequest)
            d->finishCurrent();
    });
    d->balloonLinger.setSingleShot(true);
    d->balloonLinger.setInterval(kBalloonLingerMs);
    connect(&d->balloonLinger, &QTimer::timeout, d->balloon.get(), &QWidget::hide);

    connect(d->window.get(), &CharacterWindow::hideRequested, this, [this] { d->hideCharacter(); });
    connect(d->window.get(), &CharacterWindow::moved, this, [this] { d->placeBalloon(); });

    Voice *voice = d->voice.get();
    connect(voice, &Voice::voiceStarted, this, [this] { d->play(d->model().speak, false); });
    connect(voice, &Voice::revealed, d->balloon.get(), &BalloonWindow::setRevealed);
    connect(voice, &Voice::finished, this, [this] {
        d->speaking = false;
        d->balloonLinger.start();
        d->play(d->model().idle, false);
        d->finishCurrent();
    });
}

Character::~Character() = default;

CharacterRequest Character::Show()
{
    // The game shows him at every exercise and every answer: without merging, a pupil quicker
    // than the wizard would grow the queue by two requests an exercise.
    const CharacterRequest *latest = d->queue.latest();
    if (latest && latest->action.kind == CharacterAction::Kind::Show) {
        const CharacterRequest merged = *latest;
        emit d->control->requested(merged.action);
        return merged;
    }
    return d->enqueue(CharacterAction::show(d->id));
}

CharacterRequest Character::MoveTo(int x, int y)
{
    if (qAbs(x) > kMaxCoordinate || qAbs(y) > kMaxCoordinate)
        fail(RuntimeError::InvalidProcedureCall,
             QStringLiteral("%1: la posizione %2, %3 è fuori dallo schermo")
                 .arg(d->id)
                 .arg(x)
                 .arg(y));
    return d->enqueue(CharacterAction::moveTo(d->id, x, y));
}

CharacterRequest Character::Play(const QString &animation)
{
    if (d->model().findAnimation(animation) < 0)
        fail(RuntimeError::InvalidProcedureCall,
             QStringLiteral("%1: l'animazione «%2» non esiste").arg(d->id, animation));
    return d->enqueue(CharacterAction::play(d->id, animation));
}

CharacterRequest Character::setHeight(int pixels)
{
    if (pixels < kMinHeight || pixels > kMaxHeight)
        fail(RuntimeError::InvalidProcedureCall,
             QStringLiteral("%1: l'altezza %2 non è tra %3 e %4 pixel")
                 .arg(d->id)
                 .arg(pixels)
                 .arg(kMinHeight)
                 .arg(kMaxHeight));
    return d->enqueue(CharacterAction::setHeight(d->id, pixels));
}

CharacterRequest Character::Speak(const QString &text, bool aloud)
{
    if (aloud && !text.trimmed().isEmpty())
        d->voice->prepare(text, d->model().voice);
    return d->enqueue(CharacterAction::speak(d->id, text, aloud));
}

CharacterRequest Character::Stop(const CharacterRequest &request)
{
    const CharacterRequest stop {d->control->nextRequestNumber(),
                                 CharacterAction::stop(d->id, request.number)};
    // Each handler may destroy the control, and this character with it.
    const QPointer<Character> alive(this);
    const QPointer<AgentControl> control(d->control);
    emit control->requested(stop.action);
    if (control)
        emit control->started(stop.action);
    if (!alive)
        return stop;
    const std::optional<CharacterRequest> withdrawn
        = request.action.character == d->id ? d->queue.withdraw(request.number) : std::nullopt;
    if (withdrawn) {
        // Shows the withdrawn request stood between are repeats now.
        d->queue.mergeRepeated(CharacterAction::Kind::Show);
        if (control)
            emit control->withdrawn(withdrawn->action);
    }
    if (control)
        emit control->carriedOut(stop.action);
    return stop;
}

QString Character::id() const
{
    return d->id;
}

bool Character::isIdle() const
{
    return d->queue.isIdle();
}

bool Character::isWaiting(const CharacterRequest &request) const
{
    return request.action.character == d->id && d->queue.isWaiting(request.number);
}

int Character::waitingCount() const
{
    return int(d->queue.waitingCount());
}

QWidget *Character::window() const
{
    return d->window.get();
}

QWidget *Character::balloon() const
{
    return d->balloon.get();
}

const LoadedCharacter &Character::loaded() const
{
    return *d->loaded;
}

CharacterHandle::CharacterHandle(Character *character)
    : m_character(character)
    , m_id(character->id())
{ }

Character &CharacterHandle::get() const
{
    if (!m_character)
        fail(RuntimeError::InvalidProcedureCall,
             QStringLiteral("il personaggio «%1» non esiste più").arg(m_id));
    return *m_character;
}

} // namespace quorvel
