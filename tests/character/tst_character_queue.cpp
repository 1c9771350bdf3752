// The request queue and the character's windows, offscreen: order, asynchrony, speech in turn,
// the balloon, the shape, hiding, resting when left alone, and the control destroyed at awkward
// moments.

#include "character/owner_window.h"
#include "character/view/animation_player.h"
#include "character/view/character_window.h"
#include "fixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>

using namespace quorvel;
using Action = CharacterAction;

namespace {

const QString kGreeting = QStringLiteral("Ciao. Vuoi giocare con me con l'abaco? E allora che il "
                                         "gioco abbia inizio. Che la magia sia con te");

// A line per signal of the control: "requested Tiny.Show()", "started …", "done …", "withdrawn …".
struct Recorder : QStringList
{
    explicit Recorder(AgentControl &agent)
    {
        const std::pair<QString, void (AgentControl::*)(const Action &)> sources[]
            = {{"requested", &AgentControl::requested},
               {"started", &AgentControl::started},
               {"done", &AgentControl::carriedOut},
               {"withdrawn", &AgentControl::withdrawn}};
        for (const auto &[kind, signal] : sources)
            QObject::connect(&agent, signal, [this, kind = kind](const Action &a) {
                append(kind + ' ' + describe(a));
            });
    }
    QStringList with(const QString &kinds) const // "done", "started|done"
    {
        return filter(QRegularExpression("^(" + kinds + ") "));
    }
};

// The lines of the actions in turn: with "started|done", each starts once the one before is done.
QStringList inTurn(const QList<Action> &actions, const QString &kinds = "started|done")
{
    QStringList lines;
    for (const Action &action : actions)
        for (const QString &kind : kinds.split(u'|'))
            lines << kind + ' ' + describe(action);
    return lines;
}

// What the platform holds of the window at a point (offscreen: its backing store), not a new paint.
QColor held(QWidget *window, QPoint at)
{
    return window->screen()->grabWindow(window->winId()).toImage().pixelColor(at);
}

} // namespace

class TestCharacterQueue : public QObject
{
    Q_OBJECT

private slots:
    void startUpOrderIsCarriedOutInOrder()
    {
        fixture::Loaded loaded(fixture::kManifest, nullptr, false);
        AgentControl &agent = *loaded.agent;
        Recorder recorder(agent);
        QPoint appearedAt;
        connect(&agent, &AgentControl::started, this, [&](const Action &action) {
            if (action.kind == Action::Kind::MoveTo) // the appearing is over
                appearedAt = loaded.tiny()->window()->pos();
        });
        // As the window's load handler does it: load, fetch, then the calls in the same handler.
        agent.Characters().Load("Tiny", "C:\\WINDOWS\\msagent\\chars\\Tiny.acs");
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        tiny->MoveTo(630, 175);
        tiny->Play("Announce");
        tiny->setHeight(205);
        tiny->Speak(kGreeting);
        const QList<Action> expected {
            Action::load("Tiny", "C:\\WINDOWS\\msagent\\chars\\Tiny.acs"),
            Action::show("Tiny"),
            Action::moveTo("Tiny", 630, 175),
            Action::play("Tiny", "Announce"),
            Action::setHeight("Tiny", 205),
            Action::speak("Tiny", kGreeting),
        };
        // Every call returned before anything but the load started.
        QCOMPARE(recorder.with("requested"), inTurn(expected, "requested"));
        QCOMPARE(recorder.with("started|done"), inTurn(expected.mid(0, 1)));
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 30000);
        QCOMPARE(recorder.with("started|done"), inTurn(expected));

        QWidget *window = tiny->window();
        QVERIFY(window->isVisible());
        QCOMPARE(window->pos(), QPoint(630, 175));
        QCOMPARE(appearedAt, QPoint(630, 175)); // he appeared there instead of jumping there
        QCOMPARE(window->size(), QSize(103, 205)); // the width follows the 100×200 artwork
        // The red body (x 20..80, y 20..180 of 100×200), and nothing outside the window's
        // shape, not even the faint edge of the scaled body: a compositor that ignores the shape
        // would show it, and keep it once the shape has moved on.
        const QImage image = window->grab().toImage();
        const QRegion shape = window->windowHandle()->mask();
        for (const QPoint inside : {QPoint(23, 23), QPoint(51, 150), QPoint(80, 182)})
            QCOMPARE(image.pixelColor(inside), QColor(Qt::red));
        QRegion painted;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += qAlpha(image.pixel(x, y)) ? QRect(x, y, 1, 1) : QRect();
        QCOMPARE(painted, shape);
        // The balloon spoke beside him: left of his figure, level with his head.
        const QRect balloon = tiny->balloon()->geometry();
        QCOMPARE(balloon.right() + 1, window->x() + 21);
        const int head = window->y() + 20 + 165 / 4;
        QVERIFY(balloon.top() < head && balloon.bottom() > head);
    }

    // The move behind his Show was made as he appeared: where the pupil drags him meanwhile stays
    // his place, and only a later move takes him elsewhere.
    void aDragWhileHeAppearsStands()
    {
        fixture::Loaded loaded;
        CharacterHandle tiny = loaded.tiny();
        QList<QPoint> placesAtStart;
        connect(loaded.agent.get(), &AgentControl::started, this, [&](const Action &action) {
            if (action.kind == Action::Kind::MoveTo && placesAtStart.size() == 1)
                tiny->window()->move(700, 400); // dragged as the appearing ends
            placesAtStart << tiny->window()->pos();
        });
        tiny->Show();
        tiny->MoveTo(630, 175);
        tiny->Play("Announce");
        tiny->MoveTo(100, 120);
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 20000);
        QCOMPARE(placesAtStart.value(2), QPoint(700, 400)); // as Announce starts
        QCOMPARE(tiny->window()->pos(), QPoint(100, 120));
    }

    void aSmallerFrameLeavesNothingOfTheLargerOne()
    {
        // wlroots and Wayland compositors ignore the window's shape and show its pixels as they
        // are: the window itself must hold nothing of the last frame outside this one.
        fixture::Loaded loaded(fixture::manifestWith(R"("Rest": )", R"("Shrink": {"frames": [
            {"layers": ["body"], "duration": 20}, {"layers": ["mouth"], "duration": 10000}]},
            "Rest": )"));
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        QTRY_VERIFY(tiny->isIdle());
        QWidget *window = tiny->window();
        const QPoint body(15, 80); // of the 50×100 window; the mouth lies at 20..30, 30..35
        QCOMPARE(held(window, body), QColor(Qt::red));
        tiny->Play("Shrink");
        QTRY_VERIFY(!window->windowHandle()->mask().contains(body));
        QTRY_COMPARE(held(window, QPoint(25, 32)), QColor(Qt::black));
        QVERIFY(held(window, body) != QColor(Qt::red));
        // Finding his resting figure, where the balloon goes, leaves the frame shown as it is.
        static_cast<CharacterWindow *>(window)->figureGeometry();
        QCOMPARE(window->grab().toImage().pixelColor(body).alpha(), 0);
    }

    void aBalloonTurnedAboutLeavesNothingOfItsLastOutline()
    {
        // The same for the balloon, whose tail turns to his right at the screen's left edge:
        // where the left end of its body was lies outside its outline then.
        BalloonWindow balloon {BalloonStyle()};
        balloon.setText(kGreeting);
        const QRect free = balloon.screen()->availableGeometry();
        balloon.placeBeside(QRect(free.center(), QSize(100, 200)));
        balloon.show();
        const QPoint bodyEnd(4, balloon.height() - 14); // below where a tail could be
        QTRY_COMPARE(held(&balloon, bodyEnd), BalloonStyle().background);
        balloon.placeBeside(QRect(free.topLeft(), QSize(100, 200)));
        QTRY_VERIFY(!balloon.windowHandle()->mask().contains(bodyEnd));
        QTRY_VERIFY(held(&balloon, bodyEnd) != BalloonStyle().background);
    }

    void twoSpeechesAreHeardInTurnWithoutBlocking()
    {
        fixture::Loaded loaded;
        Recorder recorder(*loaded.agent);
        CharacterHandle tiny = loaded.tiny();
        const QString first = QStringLiteral("Attenzione hai sbagliato! Il numero è");
        const QString second = QStringLiteral("settemilasettecentosettantasette ").repeated(4);
        tiny->Show();
        tiny->Speak(first);
        tiny->Speak(second);

        auto *balloon = static_cast<BalloonWindow *>(tiny->balloon());
        connect(loaded.agent.get(), &AgentControl::started, [&](const Action &a) {
            if (a.text == second) { // the first was said to its last word
                QCOMPARE(balloon->text(), first);
                QCOMPARE(balloon->revealed(), first.size());
            }
        });
        // The event loop goes on turning while the long speech is synthesised and said: this wait
        // sees its words appear one after another.
        QList<int> revealed;
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (balloon->text() == second
                    && (revealed.isEmpty() || revealed.last() != balloon->revealed()))
                    revealed << balloon->revealed();
                return tiny->isIdle();
            },
            60000));
        QCOMPARE(recorder.with("started|done"),
                 inTurn({Action::show("Tiny"), Action::speak("Tiny", first),
                         Action::speak("Tiny", second)}));
        QVERIFY2(revealed.size() >= 4, qPrintable(QString::number(revealed.size())));
        QVERIFY(std::is_sorted(revealed.begin(), revealed.end()));
        QCOMPARE(revealed.last(), second.size());
    }

    void stopWithdrawsWhatWaitsAndShowsMerge()
    {
        fixture::Loaded loaded;
        Recorder recorder(*loaded.agent);
        CharacterHandle tiny = loaded.tiny();
        const CharacterRequest shown = tiny->Show();
        QCOMPARE(tiny->Show().number, shown.number);
        const CharacterRequest speaking = tiny->Speak("Sei grande");
        const CharacterRequest waiting = tiny->Speak("uno");
        tiny->Speak("due");
        QCOMPARE(tiny->waitingCount(), 4);
        QTRY_VERIFY(recorder.contains("started " + describe(speaking.action)));

        // What is being said goes on; only what waits is taken out, and only once.
        tiny->Stop(speaking);
        QVERIFY(tiny->isWaiting(waiting));
        tiny->Stop(waiting);
        tiny->Stop(waiting);
        QVERIFY(!tiny->isWaiting(waiting));
        QCOMPARE(tiny->waitingCount(), 1);
        // A Show behind a Speak is no repeat: it is queued.
        QVERIFY(tiny->Show().number != shown.number);
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 10000);
        QCOMPARE(recorder.with("withdrawn"), QStringList {"withdrawn Tiny.Speak(\"uno\")"});
        QCOMPARE(recorder.with("started|done").filter(QRegularExpression("Show|Speak")),
                 inTurn({Action::show("Tiny"), Action::speak("Tiny", "Sei grande"),
                         Action::speak("Tiny", "due"), Action::show("Tiny")}));
    }

    void whatCannotBeShownOrHeardDoesNotHoldTheQueue()
    {
        // No such espeak-ng voice: the balloon stays for the reading time instead.
        fixture::Loaded silent(
            fixture::manifestWith(R"("language": "it", "rate": 450)",
                                  R"("language": "zz", "msPerCharacter": 10, "minimumMs": 200)"));
        CharacterHandle tiny = silent.tiny();
        tiny->Speak("Sei grande"); // not shown yet
        tiny->Play("Announce");
        QTRY_VERIFY(tiny->isIdle());
        QVERIFY(!tiny->window()->isVisible() && !tiny->balloon()->isVisible());

        tiny->Show();
        tiny->Speak("uno due tre");
        QTRY_VERIFY(tiny->balloon()->isVisible());
        QCOMPARE(static_cast<BalloonWindow *>(tiny->balloon())->text(), "uno due tre");
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 10000);
    }

    void hiddenFromItsMenuWhileSpeakingAndShownAgain()
    {
        fixture::Loaded loaded;
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        tiny->Speak(kGreeting);
        QWidget *window = tiny->window();
        QTRY_VERIFY(tiny->balloon()->isVisible());
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 100),
                                window->mapToGlobal(QPoint(50, 100)));
        QApplication::sendEvent(window, &event);
        QMenu *menu = window->findChild<QMenu *>();
        QVERIFY(menu && menu->actions().size() == 1);
        QCOMPARE(menu->actions().first()->text(), "Nascondi");
        menu->actions().first()->trigger();
        menu->close();
        // Hidden at once, the speech cut short, the queue free again.
        QVERIFY(!window->isVisible() && !tiny->balloon()->isVisible());
        QVERIFY(tiny->isIdle());

        tiny->Show();
        QTRY_VERIFY(tiny->isIdle());
        QVERIFY(window->isVisible());
    }

    void destroyedByAHandlerOfItsOwnSignals()
    {
        // A new contest may tear the control down from whatever the game does on a signal: as a
        // speech is asked for, as its synthesis starts on the speech thread, once it is said.
        for (auto signal :
             {&AgentControl::requested, &AgentControl::started, &AgentControl::carriedOut}) {
            fixture::Loaded loaded;
            connect(loaded.agent.get(), signal, [&](const Action &action) {
                if (action.kind == Action::Kind::Speak)
                    loaded.agent.reset();
            });
            CharacterHandle tiny = loaded.tiny();
            tiny->Show();
            tiny->Play("Announce");
            tiny->Speak("Sei grande");
            QTRY_VERIFY_WITH_TIMEOUT(!loaded.agent, 10000);
            QTest::qWait(50);
        }
    }

    void aWindowKeptOffTheScreenDoesNotLeaveHimMute()
    {
        // His control inside a window that is shown but never reaches the screen (a desktop may
        // keep it minimised or on another workspace): he waits for it a while, then comes anyway.
        QWidget game;
        game.setAttribute(Qt::WA_DontShowOnScreen);
        fixture::Loaded loaded(fixture::kManifest, &game);
        CharacterHandle tiny = loaded.tiny();
        QSignalSpy givenUp(tiny->findChild<OwnerWindow *>(), &OwnerWindow::ready);
        game.show();
        tiny->Show();
        QTRY_VERIFY(tiny->window()->isVisible());
        // He came once the wait for the window was given up, not before.
        QVERIFY(!game.windowHandle()->isExposed());
        QCOMPARE(givenUp.size(), 1);
    }

    void restsWhenLeftAloneAndWakesAtTheNextRequest()
    {
        // A resting animation of two pictures, which a lively character flips five times a
        // second.
        fixture::Loaded loaded(
            fixture::manifestWith(R"("Rest": {"frames": [{"layers": ["body"], "duration": 200}])",
                                  R"("Rest": {"frames": [{"layers": ["body"], "duration": 100},
                                   {"layers": ["body", "mouth"], "duration": 100}])"));
        CharacterHandle tiny = loaded.tiny();
        const auto *player = tiny->findChild<AnimationPlayer *>();
        tiny->Show();
        QTRY_VERIFY(tiny->isIdle());
        fixture::EventCounter paints(tiny->window());
        QTRY_VERIFY(paints.count >= 3); // lively just after a request

        // Left alone, he comes to rest by himself...
        QTRY_VERIFY_WITH_TIMEOUT(player->isResting(), 10 * AnimationPlayer::kRestAfterMs);
        // ... and holds still: nothing moves for at least kMinPauseMs, so a second in which he
        // stirs is a pause cut short, whatever the load. The resting picture itself may still
        // be on its way to the screen.
        paints.count = 0;
        const bool stirred
            = QTest::qWaitFor([&] { return !player->isResting() || paints.count > 1; }, 1000);
        QVERIFY2(!stirred, qPrintable(QString::number(paints.count)));

        // The next request wakes him, and he stays lively after it.
        tiny->Play("Announce");
        QTRY_VERIFY(tiny->isIdle());
        paints.count = 0;
        QTRY_VERIFY(paints.count >= 3);
        QVERIFY(!player->isResting());
    }
};

QTEST_MAIN(TestCharacterQueue)

#include "tst_character_queue.moc"
