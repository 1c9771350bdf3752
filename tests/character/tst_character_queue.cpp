// The request queue and the character's windows, on the offscreen platform: order, asynchrony,
// speech in turn, the balloon, the shape, dragging and hiding.

#include "character/agent.h"
#include "character/character_window.h"
#include "fixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

using namespace quorvel;
using Action = CharacterAction;

namespace {

const QString kGreeting = QStringLiteral("Ciao. Vuoi giocare con me con l'abaco? E allora che il "
                                         "gioco abbia inizio. Che la magia sia con te");

QList<Action> actions(const QSignalSpy &spy)
{
    QList<Action> list;
    for (const QList<QVariant> &arguments : spy)
        list.append(arguments.at(0).value<Action>());
    return list;
}

// Everything the control reports, in one list: "requested", "started" and "done" entries.
struct Recorder
{
    explicit Recorder(AgentControl &agent)
    {
        QObject::connect(&agent, &AgentControl::requested, [this](const Action &a) {
            log.append({"requested", a});
        });
        QObject::connect(&agent, &AgentControl::started, [this](const Action &a) {
            log.append({"started", a});
        });
        QObject::connect(&agent, &AgentControl::carriedOut, [this](const Action &a) {
            log.append({"done", a});
        });
    }
    QList<Action> with(const char *what) const
    {
        QList<Action> list;
        for (const auto &[kind, action] : log)
            if (kind == what)
                list.append(action);
        return list;
    }
    QList<std::pair<QString, Action>> log;
};

struct Loaded
{
    QTemporaryDir dir;
    std::unique_ptr<AgentControl> agent;

    explicit Loaded(const QJsonObject &manifest = fixture::manifest())
    {
        fixture::writeCharacter(dir, manifest);
        agent = std::make_unique<AgentControl>(QStringList {dir.path()});
        agent->Characters().Load("Tiny", "C:\\chars\\tiny.acs");
    }
    CharacterHandle tiny() { return agent->Characters().Item("Tiny"); }
    bool idle() { return tiny()->isIdle(); }
};

} // namespace

class TestCharacterQueue : public QObject
{
    Q_OBJECT

private slots:
    void startUpOrderIsCarriedOutInOrder()
    {
        QTemporaryDir dir;
        fixture::writeCharacter(dir);
        AgentControl agent({dir.path()});
        Recorder recorder(agent);
        QPoint appearedAt;
        connect(&agent, &AgentControl::started, this, [&](const Action &action) {
            if (action.kind == Action::Kind::MoveTo) // the appearing is over
                appearedAt = agent.Characters().Item("Tiny")->window()->pos();
        });
        // As the window's load handler does it: load, fetch, then the calls in the same handler.
        agent.Characters().Load("Tiny", "C:\\WINDOWS\\msagent\\chars\\Tiny.acs");
        {
            CharacterHandle tiny = agent.Characters().Item("Tiny");
            tiny->Show();
            tiny->MoveTo(630, 175);
            tiny->Play("Announce");
            tiny->setHeight(205);
            tiny->Speak(kGreeting);
        }
        const QList<Action> expected {
            Action::load("Tiny", "C:\\WINDOWS\\msagent\\chars\\Tiny.acs"),
            Action::show("Tiny"),
            Action::moveTo("Tiny", 630, 175),
            Action::play("Tiny", "Announce"),
            Action::setHeight("Tiny", 205),
            Action::speak("Tiny", kGreeting),
        };
        // Every call returned before anything but the load was carried out.
        QCOMPARE(recorder.with("requested"), expected);
        QCOMPARE(recorder.with("done"), expected.mid(0, 1));

        CharacterHandle tiny = agent.Characters().Item("Tiny");
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 30000);
        QCOMPARE(recorder.with("done"), expected);
        // One at a time: each request starts after the one before it is done.
        QStringList sequence;
        for (const auto &[kind, action] : recorder.log)
            if (kind != "requested")
                sequence << kind + " " + describe(action);
        QStringList oneAtATime;
        for (const Action &action : expected)
            oneAtATime << "started " + describe(action) << "done " + describe(action);
        QCOMPARE(sequence, oneAtATime);

        QWidget *window = tiny->window();
        QVERIFY(window->isVisible());
        QCOMPARE(window->pos(), QPoint(630, 175));
        // He appeared where the move put him, instead of jumping there afterwards.
        QCOMPARE(appearedAt, QPoint(630, 175));
        QCOMPARE(window->size(), QSize(103, 205)); // width from the 100×200 artwork
        // The balloon spoke beside him: to the left of his figure (x 20 to 80 of 100 in the
        // artwork), level with his head.
        const QRect balloon = tiny->balloon()->geometry();
        QCOMPARE(balloon.right() + 1, window->x() + 21);
        const int head = window->y() + 20 + 165 / 4;
        QVERIFY(balloon.top() < head && balloon.bottom() > head);
    }

    void twoSpeechesAreHeardInTurnWithoutBlocking()
    {
        Loaded loaded;
        Recorder recorder(*loaded.agent);
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        const QString first = QStringLiteral("Attenzione hai sbagliato! Il numero è");
        QString second;
        for (int i = 0; i < 4; ++i)
            second += QStringLiteral("settemilasettecentosettantasette ");
        tiny->Speak(first);
        tiny->Speak(second);
        QVERIFY(recorder.with("started").isEmpty());

        // The event loop goes on turning while the long speech is synthesised and said.
        int turns = 0;
        QTimer turner;
        connect(&turner, &QTimer::timeout, [&] { ++turns; });
        turner.start(20);
        auto *balloon = static_cast<BalloonWindow *>(tiny->balloon());
        QList<int> revealed;
        QObject::connect(loaded.agent.get(), &AgentControl::started, [&](const Action &a) {
            if (a.text == second) {
                turns = 0;
                // The first speech was said to its last word before the second began.
                QCOMPARE(balloon->text(), first);
                QCOMPARE(balloon->revealed(), first.size());
                QVERIFY(balloon->isVisible());
            }
        });
        while (!tiny->isIdle()) {
            QTest::qWait(5);
            if (balloon->text() == second
                && (revealed.isEmpty() || revealed.last() != balloon->revealed()))
                revealed << balloon->revealed();
            QVERIFY(turns < 5000);
        }
        QVERIFY2(turns >= 5, qPrintable(QString::number(turns)));
        QCOMPARE(recorder.with("done"),
                 (QList<Action> {Action::show("Tiny"), Action::speak("Tiny", first),
                                 Action::speak("Tiny", second)}));
        const qsizetype firstDone = recorder.log.indexOf(
            std::pair<QString, Action>("done", Action::speak("Tiny", first)));
        const qsizetype secondStart = recorder.log.indexOf(
            std::pair<QString, Action>("started", Action::speak("Tiny", second)));
        QVERIFY(firstDone >= 0 && secondStart > firstDone);

        // The balloon showed the text as given, the words appearing one after another.
        QCOMPARE(balloon->text(), second);
        QVERIFY2(revealed.size() >= 4, qPrintable(QString::number(revealed.size())));
        QVERIFY(std::is_sorted(revealed.begin(), revealed.end()));
        QCOMPARE(revealed.last(), second.size());
    }

    void speechWithoutAVoiceStillShowsTheBalloon()
    {
        // No such espeak-ng voice: the balloon shows for the reading time and nothing fails.
        Loaded silent([] {
            QJsonObject manifest = fixture::manifest();
            manifest["voice"]
                = QJsonObject {{"language", "zz"}, {"msPerCharacter", 10}, {"minimumMs", 200}};
            return manifest;
        }());
        CharacterHandle tiny = silent.tiny();
        tiny->Show();
        tiny->Speak("uno due tre");
        tiny->Play("Announce");
        auto *balloon = static_cast<BalloonWindow *>(tiny->balloon());
        QTRY_VERIFY(balloon->isVisible());
        QCOMPARE(balloon->text(), "uno due tre");
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 10000);
    }

    void emptySpeechAndHiddenCharacterDoNotHoldTheQueue()
    {
        Loaded loaded;
        Recorder recorder(*loaded.agent);
        CharacterHandle tiny = loaded.tiny();
        tiny->Speak(""); // the number 0 has no words
        tiny->Play("Announce"); // not shown yet
        tiny->Speak("Sei grande");
        QTRY_VERIFY(tiny->isIdle());
        QCOMPARE(recorder.with("done").size(), 3);
        QVERIFY(!tiny->window()->isVisible());
        QVERIFY(!tiny->balloon()->isVisible());
    }

    void hideFromTheMenuAndShowAgain()
    {
        Loaded loaded;
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        tiny->Speak("Ciao. Vuoi giocare con me con l'abaco?");
        QWidget *window = tiny->window();
        QTRY_VERIFY(tiny->balloon()->isVisible());

        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(50, 100),
                                    window->mapToGlobal(QPoint(50, 100)));
        QApplication::sendEvent(window, &menuEvent);
        QMenu *menu = window->findChild<QMenu *>();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), "Nascondi");
        menu->actions().first()->trigger();
        menu->close();

        // Hidden at once, the speech cut short, the queue free again.
        QVERIFY(!window->isVisible());
        QVERIFY(!tiny->balloon()->isVisible());
        QTRY_VERIFY(tiny->isIdle());

        tiny->Show();
        QTRY_VERIFY(tiny->isIdle());
        QVERIFY(window->isVisible());
    }

    void dragWithTheMouse()
    {
        Loaded loaded;
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        tiny->MoveTo(100, 100);
        QTRY_VERIFY(tiny->isIdle());
        QWidget *window = tiny->window();
        QTest::mousePress(window, Qt::LeftButton, {}, QPoint(25, 50));
        QMouseEvent move(QEvent::MouseMove, QPointF(55, 90), window->mapToGlobal(QPointF(55, 90)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(window, &move);
        QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(55, 90));
        QCOMPARE(window->pos(), QPoint(130, 140));
    }

    void shapeAndGrab()
    {
        Loaded loaded;
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        tiny->setHeight(200); // 1 px per viewBox unit on y, 0.5 on x
        QTRY_VERIFY(tiny->isIdle());
        QWidget *window = tiny->window();
        QCOMPARE(window->size(), QSize(100, 200));

        const QImage image = window->grab().toImage();
        QCOMPARE(image.size(), QSize(100, 200));
        for (const QPoint inside : {QPoint(50, 150), QPoint(22, 22), QPoint(77, 177)}) {
            QCOMPARE(QColor::fromRgba(image.pixel(inside)), QColor(Qt::red));
            QVERIFY(window->mask().contains(inside));
        }
        for (const QPoint outside :
             {QPoint(0, 0), QPoint(99, 199), QPoint(10, 100), QPoint(50, 190)}) {
            QCOMPARE(qAlpha(image.pixel(outside)), 0);
            QVERIFY(!window->mask().contains(outside));
        }
    }

    void destroyedByAHandlerOfItsOwnSignals()
    {
        // A new contest may tear the control down from whatever the game does on a signal.
        for (const char *signal : {"requested", "started", "done"}) {
            Loaded loaded;
            auto tearDown = [&](const Action &action) {
                if (action.kind == Action::Kind::Speak)
                    loaded.agent.reset();
            };
            if (signal == QByteArray("requested"))
                connect(loaded.agent.get(), &AgentControl::requested, tearDown);
            else if (signal == QByteArray("started"))
                connect(loaded.agent.get(), &AgentControl::started, tearDown);
            else
                connect(loaded.agent.get(), &AgentControl::carriedOut, tearDown);
            CharacterHandle tiny = loaded.tiny();
            tiny->Show();
            tiny->Play("Announce");
            tiny->Speak("Sei grande");
            QTRY_VERIFY_WITH_TIMEOUT(!loaded.agent, 10000);
            QTest::qWait(50);
        }
    }

    void destroyedWhileSpeaking()
    {
        for (int round = 0; round < 3; ++round) {
            Loaded loaded;
            CharacterHandle tiny = loaded.tiny();
            tiny->Show();
            tiny->Speak(kGreeting);
            tiny->Speak(kGreeting);
            QPointer<QWidget> window = tiny->window();
            // Let the synthesis start on the speech thread, then tear everything down.
            QTest::qWait(round * 30);
            loaded.agent.reset();
            QVERIFY(window.isNull());
            QTest::qWait(50); // a late synthesis result has nowhere to go
        }
    }
};

int main(int argc, char **argv)
{
    // The offscreen platform cannot raise, shape or grab; the X server test covers those.
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
            if (!message.startsWith(QLatin1String("This plugin does not support")))
                previous(type, context, message);
        });
    QApplication app(argc, argv);
    TestCharacterQueue test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_character_queue.moc"
