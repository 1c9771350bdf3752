// The game played on a private X server with real keys and clicks: what the pupil sees after
// each step, where the focus goes, and what reaches the wizard, in order.
#include "app/program.h"
#include "app/surface.h"
#include "app/tavola.h"
#include "character/agent.h"
#include "engine/runtime_error.h"
#include "testing.h"

#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvel;

class GameTest : public QObject
{
    Q_OBJECT

    QList<int> m_numbers; // what the next exercises draw
    QStringList m_wizard; // every request made to the character
    Program *m_program = nullptr;

    Tavola *window() const { return m_program->window(); }
    template<typename T = QWidget> T *control(const char *name) const
    {
        return window()->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *answerBox() const { return control<QLineEdit>("Text3"); }
    QString caption(const char *label) const { return control<QLabel>(label)->text(); }
    QColor verdictColour() const
    {
        return control<QLabel>("lblMessage")->palette().color(QPalette::WindowText);
    }
    Character &merlin() const
    {
        return window()->findChild<AgentControl *>()->Characters().Item("Merlin").get();
    }
    // What the wizard is asked when he corrects a wrong answer.
    static QStringList correction(const char *words)
    {
        return {"Merlin.Show()",
                QString::fromUtf8("Merlin.Speak(\"Attenzione hai sbagliato! Il numero è\")"),
                QStringLiteral("Merlin.Speak(\"%1\")").arg(QLatin1String(words))};
    }
    inline static const QStringList Praise {"Merlin.Show()", "Merlin.Play(\"congratulate_2\")",
                                            "Merlin.Speak(\"Sei grande\")"};

    // Starts the program with these numbers to come, and waits for the first exercise.
    void start(std::initializer_list<int> numbers)
    {
        m_numbers = numbers;
        Tavola::Seams seams
            = testing::seams([this] { return m_numbers.isEmpty() ? 1234 : m_numbers.takeFirst(); });
        seams.agentCreated = [this](AgentControl *agent) {
            connect(agent, &AgentControl::requested, this,
                    [this](const CharacterAction &a) { m_wizard << describe(a); });
        };
        m_program = new Program(seams);
        m_program->start();
        QVERIFY(QTest::qWaitForWindowActive(window()));
        QTRY_COMPARE(QApplication::focusWidget(), answerBox());
        // The wizard appears once the window is on the screen.
        QTRY_VERIFY(merlin().window()->isVisible());
    }

    void answer(const QString &typed)
    {
        QTest::keyClicks(answerBox(), typed);
        QTest::keyClick(answerBox(), Qt::Key_Return);
    }
    // The second Enter, on "Nuovo calcolo".
    void nextExercise()
    {
        QCOMPARE(QApplication::focusWidget(), control("cmdNext"));
        QTest::keyClick(control("cmdNext"), Qt::Key_Return);
    }
    QStringList wizardSince(int from) const { return m_wizard.mid(from); }

private slots:
    void initTestCase()
    {
        // Played on a desktop with a global menu bar, whose service is on the session bus: the
        // game's menus stay in its window all the same, where the pupil clicks them.
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(QStringLiteral("com.canonical.AppMenu.Registrar")));
    }

    void cleanup()
    {
        delete m_program;
        m_program = nullptr;
        m_wizard.clear();
    }

    void startUpGreetsAndDrawsTheFirstExerciseOnAGradient()
    {
        start({4305});
        QCOMPARE(m_wizard,
                 QStringList({"Merlin.Load(\"C:\\WINDOWS\\msagent\\chars\\Merlin.acs\")",
                              "Merlin.Show()", "Merlin.MoveTo(630, 175)",
                              "Merlin.Play(\"Announce\")", "Merlin.Height = 205",
                              "Merlin.Speak(\"Ciao. Vuoi giocare con me con l'abaco? E allora che "
                              "il gioco abbia inizio. Che la magia sia con te\")",
                              "Merlin.Show()"}));
        Surface *surface = window()->surface();

        // The gradient, as the window paints it: every row covered, dark red at the top, violet at
        // the bottom, from the left edge to the right one.
        const QImage shot = surface->grab().toImage();
        int lastBlue = -1;
        for (int y = 0; y < shot.height(); ++y) {
            const QColor left = shot.pixelColor(0, y);
            QVERIFY2(left.red() == 180 && left.green() == 0 && left.blue() >= lastBlue,
                     qPrintable(QStringLiteral("row %1").arg(y)));
            QCOMPARE(shot.pixelColor(shot.width() - 1, y), left);
            lastBlue = left.blue();
        }
        QCOMPARE(lastBlue, 255);
        // The labels in front of it, on their own background.
        const QPoint score = control("lblScore")->geometry().topLeft() + QPoint(3, 3);
        QCOMPARE(shot.pixelColor(score), QColor(255, 255, 0));

        // Keys that type no character leave it, Tab too as it moves on; Backspace clears it.
        for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Left, Qt::Key_End, Qt::Key_Shift, Qt::Key_F2})
            QTest::keyClick(answerBox(), key);
        QTest::keyClick(answerBox(), Qt::Key_Tab);
        QVERIFY(!surface->drawing().isClear());
        answerBox()->setFocus();
        QTest::keyClick(answerBox(), Qt::Key_Backspace);
        QVERIFY(surface->drawing().isClear());
        QCOMPARE(surface->grab().toImage().pixelColor(2, 2), QColor(20, 125, 25));
    }

    void rightAndWrongAnswers()
    {
        start({507, 507, 0, 0, 9});

        // Right: yellow, counted, but the score labels wait for the next exercise.
        answer("507");
        QCOMPARE(caption("lblMessage"), QString::fromUtf8("Esatto, è incredibile!!!"));
        QCOMPARE(verdictColour(), QColor(255, 255, 0));
        QCOMPARE(window()->correctAnswers().value(), 1);
        QCOMPARE(caption("lblScore"), QStringLiteral("0"));
        QCOMPARE(caption("lblScore2"), QStringLiteral("0"));
        int mark = m_wizard.size();
        nextExercise();
        QCOMPARE(caption("lblScore"), QStringLiteral("1"));
        QCOMPARE(caption("lblScore2"), QStringLiteral("1"));
        QCOMPARE(caption("lblMessage"), QString());
        QCOMPARE(QApplication::focusWidget(), answerBox());
        QCOMPARE(wizardSince(mark), QStringList {"Merlin.Show()"});

        // Wrong, with a leading zero: red, all three labels at once, and the wizard corrects.
        mark = m_wizard.size();
        answer("0507");
        QCOMPARE(caption("lblMessage"), QStringLiteral("Sbagliato!! 507"));
        QCOMPARE(verdictColour(), QColor(255, 0, 0));
        QCOMPARE(caption("lblScore"), QStringLiteral("1"));
        QCOMPARE(caption("lblScore1"), QStringLiteral("1"));
        QCOMPARE(caption("lblScore2"), QStringLiteral("2"));
        QCOMPARE(wizardSince(mark), correction("cinquecentosette"));

        // The number 0: an empty answer is wrong, but zero is never read out.
        nextExercise();
        QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("0"));
        QCOMPARE(control<QLineEdit>("Text2")->text(), QString());
        mark = m_wizard.size();
        answer("");
        QCOMPARE(caption("lblMessage"), QStringLiteral("Sbagliato!! 0"));
        QCOMPARE(wizardSince(mark), QStringList {"Merlin.Show()"});
        nextExercise();
        answer("0"); // right: counted below

        // Letters are typed like anything else, and are simply wrong.
        nextExercise();
        answer("nove");
        QCOMPARE(answerBox()->text(), QStringLiteral("nove"));
        QCOMPARE(caption("lblMessage"), QStringLiteral("Sbagliato!! 9"));
        QCOMPARE(window()->correctAnswers().value(), 2);
        QCOMPARE(window()->wrongAnswers().value(), 3);
    }

    void focusMovesLikeThePupilExpects()
    {
        start({34, 56, 78});
        // Skipped with a wrong answer in the box: nothing counted, but the wizard still reads
        // the old number as the focus leaves the box, before the new exercise's requests.
        QTest::keyClicks(answerBox(), "43");
        int mark = m_wizard.size();
        QTest::mouseClick(control("cmdNext"), Qt::LeftButton);
        QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("56"));
        QCOMPARE(wizardSince(mark), correction("trentaquattro") << "Merlin.Show()");
        QCOMPARE(window()->correctAnswers().value() + window()->wrongAnswers().value(), 0);
        QCOMPARE(QApplication::focusWidget(), answerBox());

        // Tab from the answer box: "Nuovo calcolo", "Exit", back to the box. Leaving the box
        // with Tab, too, lets the wizard read the number, in place of the correction still waiting.
        mark = m_wizard.size();
        QTest::keyClick(answerBox(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control("cmdNext"));
        QCOMPARE(wizardSince(mark).filter(".Speak("), correction("cinquantasei").mid(1));
        QTest::keyClick(control("cmdNext"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control("cmdExit"));
        QTest::keyClick(control("cmdExit"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), answerBox());

        // Alt+N from the box: the focus leaves first, then the button is pressed.
        QTest::keyClick(window(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("78"));
        QCOMPARE(QApplication::focusWidget(), answerBox());
    }

    void praiseAtMilestones()
    {
        start({1, 2, 3, 4, 5, 6, 7, 8});
        // The fifth right answer reaches the label at the next exercise, and the praise with it.
        int mark = 0;
        for (int n = 1; n <= 5; ++n) {
            answer(QString::number(n));
            mark = m_wizard.size();
            nextExercise();
        }
        QCOMPARE(caption("lblScore"), QStringLiteral("5"));
        QCOMPARE(wizardSince(mark), Praise);
        // Still 5 on display after a wrong answer: the praise comes again, after the correction.
        mark = m_wizard.size();
        answer("x");
        nextExercise();
        QCOMPARE(wizardSince(mark).mid(3), Praise);
        // Back into the box with the mouse, Enter again: the exercise counts twice, 6 is skipped
        // and the label lands on 7: no praise.
        answer("7");
        QTest::mouseClick(answerBox(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), answerBox());
        QTest::keyClick(answerBox(), Qt::Key_Return);
        mark = m_wizard.size();
        nextExercise();
        QCOMPARE(caption("lblScore"), QStringLiteral("7"));
        QCOMPARE(wizardSince(mark), QStringList {"Merlin.Show()"});
    }

    void aQuickPupilIsNeverLeftBehind()
    {
        // Twenty wrong answers as fast as Enter can be pressed twice, the greeting still going:
        // each correction replaces the one still waiting, so the wizard ends with the last
        // number on the abacus and has little left to say.
        start({});
        Character &merlin = this->merlin();
        QStringList said;
        connect(window()->findChild<AgentControl *>(), &AgentControl::started, this,
                [&said](const CharacterAction &a) {
                    if (a.kind == CharacterAction::Kind::Speak)
                        said << a.text;
                });
        int mostWaiting = 0;
        QString lastWords;
        for (int i = 0; i < 20; ++i) {
            lastWords = control<QLineEdit>("Text2")->text();
            QTest::keyClick(answerBox(), Qt::Key_Return);
            mostWaiting = qMax(mostWaiting, merlin.waitingCount());
            nextExercise();
            mostWaiting = qMax(mostWaiting, merlin.waitingCount());
        }
        const qsizetype saidBeforeTheEnd = said.size();
        QTRY_VERIFY_WITH_TIMEOUT(merlin.isIdle(), 60000);
        // The start-up requests, one Show and one correction at the most.
        QVERIFY2(mostWaiting <= 8, qPrintable(QString::number(mostWaiting)));
        QCOMPARE(said.last(), lastWords);
        // At most the correction being said and the last one.
        QVERIFY2(said.size() - saidBeforeTheEnd <= 4, qPrintable(said.join(" | ")));
    }

    void newContest()
    {
        start({11, 22, 33});
        answer("11");
        QPointer<Tavola> first = window();
        QSignalSpy ends(m_program, &Program::ended);

        // No, the default, so that a stray Enter keeps the contest, changes nothing; nor does
        // the window system's activation as the pupil comes back to the window.
        QMessageBox::StandardButton byDefault = QMessageBox::Yes;
        testing::answerNextBox(QMessageBox::No, [&byDefault](QMessageBox *box) {
            byDefault = box->standardButton(box->defaultButton());
        });
        const int requests = m_wizard.size();
        window()->findChild<QAction *>("Next")->trigger();
        window()->countAsActivated();
        // A new contest would come through the event loop, after the question's handler.
        QCoreApplication::processEvents();
        QCOMPARE(byDefault, QMessageBox::No);
        QCOMPARE(window(), first.data());
        QCOMPARE(window()->correctAnswers().value(), 1);
        QCOMPARE(control<QLineEdit>("Text1")->text(), QStringLiteral("11"));
        QCOMPARE(m_wizard.size(), requests);

        // Yes: a fresh window, a fresh wizard who greets again, a first exercise, scores at 0.
        // Exactly one new contest and no box after it, though the pupil's hand is still clicking
        // Exit, Alt+X and the menu as the question closes. Whatever box opens is counted and
        // answered, so that a fault shows as a failure here rather than a test waiting forever.
        int boxesAfterYes = 0;
        QTimer rescuer;
        testing::answerEveryBox(rescuer, boxesAfterYes);
        for (int round = 0; round < 2; ++round) {
            QMenuBar *menuBar = first->menuBar();
            QVERIFY(!menuBar->isNativeMenuBar() && menuBar->isVisible());
            const QPoint nuovo
                = menuBar->actionGeometry(first->findChild<QAction *>("Next")).center();
            testing::answerNextBox(QMessageBox::Yes, [&](QMessageBox *box) {
                connect(box, &QDialog::finished, this, [&] {
                    rescuer.start(5);
                    QTest::mouseClick(control("cmdExit"), Qt::LeftButton);
                    QTest::keyClick(first, Qt::Key_X, Qt::AltModifier);
                    QTest::mouseClick(menuBar, Qt::LeftButton, {}, nuovo);
                });
            });
            m_wizard.clear();
            first->findChild<QAction *>("Next")->trigger();
            QTRY_VERIFY(first.isNull());
            QVERIFY(QTest::qWaitForWindowActive(window()));
            QTRY_COMPARE(QApplication::focusWidget(), answerBox());
            rescuer.stop(); // or it would answer the next question itself
            QCOMPARE(boxesAfterYes, 0);
            QCOMPARE(ends.size(), 0);
            QCOMPARE(m_wizard.filter(".Load(").size(), 1);
            QCOMPARE(m_wizard.value(0), "Merlin.Load(\"C:\\WINDOWS\\msagent\\chars\\Merlin.acs\")");
            QVERIFY(m_wizard.value(5).startsWith("Merlin.Speak(\"Ciao."));
            QCOMPARE(window()->findChildren<AgentControl *>().size(), 1);
            QCOMPARE(caption("lblScore"), QStringLiteral("0"));
            QCOMPARE(control<QLineEdit>("Text1")->text(), round == 0 ? "22" : "33");
            first = window();
        }
    }

    void noGoodbyeInsideAQuestionNorOnClosing()
    {
        start({5});
        QSignalSpy ends(m_program, &Program::ended);
        int goodbyes = 0;
        QTimer rescuer;
        testing::answerEveryBox(rescuer, goodbyes, QStringLiteral("Data "));
        rescuer.start(5);
        QString stillOpen;
        testing::answerNextBox(QMessageBox::No, [&](QMessageBox *) {
            // A click that slipped past the question as it opened.
            control<QPushButton>("cmdExit")->click();
            stillOpen = QApplication::activeModalWidget()->windowTitle();
        });
        window()->findChild<QAction *>("Next")->trigger();
        QCOMPARE(stillOpen, "INIZIARE NUOVA GARA");
        QCOMPARE(ends.size(), 0);

        // Closing the window ends the game at once, without a goodbye.
        window()->close();
        QCOMPARE(ends.size(), 1);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(goodbyes, 0);
    }

    void missingCharacterEndsStartUpWithAnError()
    {
        // The report box comes from the application's event delivery; here the error itself.
        QTemporaryDir empty;
        Tavola::Seams seams;
        seams.characterFolders = {empty.path()};
        Program program(seams);
        try {
            program.start();
            QFAIL("started without its character");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), int(RuntimeError::FileNotFound));
            QVERIFY2(e.description().find("Merlin.acs") != std::string::npos, e.what());
        }
        QVERIFY(!program.window() || !program.window()->isVisible());
    }
};

QTEST_MAIN(GameTest)

#include "tst_game.moc"
