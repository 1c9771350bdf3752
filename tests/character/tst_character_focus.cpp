// On a real X server: the character and its balloon never take the focus from the game's answer
// box, whether they show up, move, speak, or the pupil clicks, drags or opens the menu; a drag
// never takes the character off the screen; and he appears only after the window he greets from.

#include "fixture.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>

using namespace quorvel;

class TestCharacterFocus : public QObject
{
    Q_OBJECT

private:
    static void xdotool(const QStringList &arguments, QPoint at = {})
    {
        const QStringList move {"mousemove", QString::number(at.x()), QString::number(at.y())};
        QCOMPARE(QProcess::execute("xdotool", at.isNull() ? arguments : move + arguments), 0);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), "xcb"); // run through run-under-xvfb.sh
    }

    void characterNeverTakesTheFocus()
    {
        QWidget game;
        game.setGeometry(0, 0, 400, 300);
        auto *answer = new QLineEdit(&game);
        game.show();
        QVERIFY(QTest::qWaitForWindowExposed(&game));
        game.activateWindow();
        answer->setFocus();
        QTRY_VERIFY(game.isActiveWindow() && answer->hasFocus());

        QStringList changes;
        QObject listening; // gone before the game window, whose clean-up moves the focus
        connect(qApp, &QApplication::focusChanged, &listening, [&](QWidget *, QWidget *to) {
            changes << (to ? to->metaObject()->className() : "-");
        });

        fixture::Loaded loaded;
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        tiny->MoveTo(600, 300);
        tiny->Play("Announce");
        tiny->setHeight(200);
        tiny->Speak("Ciao. Vuoi giocare con me con l'abaco?");
        QTRY_VERIFY(tiny->balloon()->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(tiny->window()));

        // A click on the character's body, then a drag by 40 pixels.
        const QPoint body = tiny->window()->mapToGlobal(QPoint(50, 100));
        xdotool({"click", "1"}, body);
        xdotool({"mousedown", "1"});
        xdotool({"mouseup", "1"}, body + QPoint(40, 40));
        QTRY_COMPARE(tiny->window()->pos(), QPoint(640, 340));
        tiny->Show();
        QTRY_VERIFY_WITH_TIMEOUT(tiny->isIdle(), 20000);

        // Not even for a moment; and the keys the X server sends still reach the answer box.
        QVERIFY2(changes.isEmpty(), qPrintable(changes.join("; ")));
        xdotool({"type", "--delay", "20", "123"});
        QTRY_COMPARE(answer->text(), "123");

        // The context menu, left with Escape, gives the keys back to the answer box.
        xdotool({"click", "3"}, body + QPoint(40, 40));
        QTRY_VERIFY(QApplication::activePopupWidget());
        xdotool({"key", "Escape"});
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QVERIFY(tiny->window()->isVisible());
        xdotool({"type", "--delay", "20", "45"});
        QTRY_COMPARE(answer->text(), "12345");

        // Dragged into the far corner, at least half of him stays on the screen.
        const QRect screen = tiny->window()->screen()->geometry();
        xdotool({"mousedown", "1"}, body + QPoint(40, 40));
        xdotool({"mouseup", "1"}, screen.bottomRight());
        QTRY_VERIFY(tiny->window()->pos() != QPoint(640, 340));
        const QRect whole = tiny->window()->geometry();
        const QRect shown = whole & screen;
        QVERIFY2(2 * shown.width() * shown.height() >= whole.width() * whole.height(),
                 qPrintable(QStringLiteral("%1x%2 shown").arg(shown.width()).arg(shown.height())));
    }

    void appearsAfterHisWindowIsOnTheScreen()
    {
        // As the game does: his control inside the window, his Show asked for while the window
        // loads, the window shown at once after. The X server exposes the window a round trip
        // later; he must not come first.
        QWidget game;
        game.setGeometry(0, 0, 400, 300);
        fixture::Loaded loaded(fixture::kManifest, &game);
        CharacterHandle tiny = loaded.tiny();
        tiny->Show();
        fixture::EventCounter gamePaints(&game);
        QList<int> gamePaintsWhenHeShows;
        fixture::EventCounter shows(tiny->window(), QEvent::Show,
                                    [&] { gamePaintsWhenHeShows << gamePaints.count; });
        game.show();
        QTRY_VERIFY(tiny->window()->isVisible());
        QCOMPARE(gamePaintsWhenHeShows.size(), 1);
        QVERIFY(gamePaintsWhenHeShows.first() > 0);
    }
};

QTEST_MAIN(TestCharacterFocus)

#include "tst_character_focus.moc"
