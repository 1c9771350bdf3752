// On a real X server: the character and its balloon never take the focus from the game's answer
// box, whether they show up, move, speak, or the pupil clicks and drags the character.

#include "character/agent.h"
#include "fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>

using namespace quorvel;

class TestCharacterFocus : public QObject
{
    Q_OBJECT

private:
    static void xdotool(const QStringList &arguments)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
        QTest::qWait(100); // let the X events reach us
    }

private slots:
    void characterNeverTakesTheFocus()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs an X server (run through run-under-xvfb.sh)");

        QWidget game;
        game.setGeometry(0, 0, 400, 300);
        auto *answer = new QLineEdit(&game);
        answer->setGeometry(20, 20, 200, 30);
        game.show();
        QVERIFY(QTest::qWaitForWindowExposed(&game));
        game.activateWindow();
        answer->setFocus();
        QTRY_VERIFY(game.isActiveWindow() && answer->hasFocus());

        QStringList changes;
        QObject
            listening; // gone before changes and the game window, whose clean-up moves the focus
        connect(qApp, &QApplication::focusChanged, &listening, [&](QWidget *from, QWidget *to) {
            changes << QStringLiteral("%1 -> %2")
                           .arg(from ? from->metaObject()->className() : "-",
                                to ? to->metaObject()->className() : "-");
        });
        connect(qApp, &QGuiApplication::focusWindowChanged, &listening,
                [&](QWindow *window) { changes << "window " + (window ? window->title() : "-"); });

        QTemporaryDir dir;
        fixture::writeCharacter(dir);
        AgentControl agent({dir.path()});
        agent.Characters().Load("Tiny", "tiny.acs");
        {
            CharacterHandle tiny = agent.Characters().Item("Tiny");
            tiny->Show();
            tiny->MoveTo(600, 300);
            tiny->Play("Announce");
            tiny->setHeight(200);
            tiny->Speak("Ciao. Vuoi giocare con me con l'abaco?");
        }
        CharacterHandle tiny = agent.Characters().Item("Tiny");
        QTRY_VERIFY(tiny->balloon()->isVisible());
        QTest::qWait(100);
        QVERIFY(QTest::qWaitForWindowExposed(tiny->window()));

        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is missing");
        // A click on the character's body, then a drag by 40 pixels.
        const QPoint body = tiny->window()->mapToGlobal(QPoint(50, 100));
        xdotool({"mousemove", QString::number(body.x()), QString::number(body.y()), "click", "1"});
        xdotool({"mousedown", "1"});
        xdotool({"mousemove", QString::number(body.x() + 40), QString::number(body.y() + 40)});
        xdotool({"mouseup", "1"});
        QTRY_COMPARE(tiny->window()->pos(), QPoint(640, 340));
        tiny->Show();
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 20000);

        QVERIFY2(changes.isEmpty(), qPrintable(changes.join("; ")));
        QVERIFY(game.isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), answer);
        // The X server agrees: typing reaches the answer box.
        xdotool({"type", "--delay", "20", "123"});
        QTRY_COMPARE(answer->text(), "123");

        // The context menu, opened and left with Escape, gives the keys back to the answer box.
        const QPoint now = tiny->window()->mapToGlobal(QPoint(50, 100));
        xdotool({"mousemove", QString::number(now.x()), QString::number(now.y()), "click", "3"});
        QTRY_VERIFY(QApplication::activePopupWidget());
        xdotool({"key", "Escape"});
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(tiny->window()->isVisible());
        xdotool({"type", "--delay", "20", "45"});
        QTRY_COMPARE(answer->text(), "12345");
        QCOMPARE(QApplication::focusWidget(), answer);
        QVERIFY(game.isActiveWindow());
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestCharacterFocus test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_character_focus.moc"
