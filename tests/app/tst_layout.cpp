// The window as it is loaded, before its first exercise: what must hold whatever the boxes and
// colours of the layout are.
#include "app/abacus.h"
#include "app/program.h"
#include "app/surface.h"
#include "app/tavola.h"
#include "testing.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace quorvel;

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    // Not shown: showing activates the window, which starts the first exercise.
    void init() { m_window = new Tavola(testing::seams()); }
    void cleanup() { delete m_window; }

    void controlsSitInTheClientAreaClearOfTheBeads()
    {
        m_window->layout()->activate();
        const QRect client = m_window->surface()->rect();
        const Abacus &abacus = m_window->surface()->abacus();
        QRegion beads;
        for (int rod = 0; rod < 4; ++rod)
            for (int k = 1; k <= 9; ++k)
                beads += abacus.bead(Abacus::Rod(rod), k).outline();
        const QStringList visible {"Text3",  "cmdNext", "cmdExit",  "lblMessage", "Label6",
                                   "Label1", "Label3",  "lblScore", "lblScore1",  "lblScore2"};
        const QStringList used {"Text3", "cmdNext", "cmdExit"};
        for (const QString &name : visible) {
            const QWidget *w
                = m_window->surface()->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
            QVERIFY2(w && !w->isHidden(), qPrintable(name));
            QVERIFY2(client.contains(w->geometry()), qPrintable(name));
            QVERIFY2(!beads.intersects(w->geometry()), qPrintable(name));
            // What the pupil types in or clicks is never partly covered.
            for (const QString &other : visible)
                if (other != name && (used.contains(name) || used.contains(other)))
                    QVERIFY2(!w->geometry().intersects(
                                 m_window->findChild<QWidget *>(other)->geometry()),
                             qPrintable(name + " over " + other));
            // The layout's fonts are drawn by their metric-compatible stand-ins, really installed.
            QVERIFY2(w->font().family().startsWith("Liberation "), qPrintable(name));
            QCOMPARE(QFontInfo(w->font()).family(), w->font().family());
        }
        // The hidden controls stay hidden.
        for (const char *name : {"Text1", "Text2", "Command3", "Picture1"})
            QVERIFY2(m_window->findChild<QWidget *>(name)->isHidden(), name);
        // A fixed size, the client area whole below the menu bar.
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QCOMPARE(m_window->surface()->geometry().bottom(), m_window->rect().bottom());
        QCOMPARE(m_window->surface()->y(), m_window->menuBar()->height());
        // Before the first exercise there is nothing to move on from.
        QVERIFY(!m_window->findChild<QPushButton *>("cmdNext")->isEnabled());
    }

    void menuTextsShowEveryCharacter()
    {
        // An '&' would be taken for a shortcut mark and vanish from the text.
        QList<QAction *> actions = m_window->menuBar()->actions();
        for (int i = 0; i < actions.size(); ++i) {
            QVERIFY2(!actions[i]->text().contains('&'), qPrintable(actions[i]->text()));
            if (actions[i]->menu())
                actions += actions[i]->menu()->actions();
        }
        QCOMPARE(actions.size(), 4);
    }

    void placementOnAnyScreen_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::newRow("640x480") << QRect(0, 0, 640, 480);
        QTest::newRow("1024x768 below a panel") << QRect(0, 24, 1024, 744);
        QTest::newRow("1280x1024") << QRect(0, 0, 1280, 1024);
        QTest::newRow("3840x2160") << QRect(0, 0, 3840, 2160);
    }

    void placementOnAnyScreen()
    {
        QFETCH(QRect, screen);
        m_window->layout()->activate();
        const QSize size = m_window->size();
        const QRect beads = m_window->abacusArea();
        const QSize wizardSize = m_window->characterArea().size();
        // Where he greets: the fixed place, moved onto the screen where it would fall outside.
        QRect wizard(Tavola::CharacterPlace, wizardSize);
        wizard.moveRight(qMin(wizard.right(), screen.right()));
        wizard.moveBottom(qMin(wizard.bottom(), screen.bottom()));

        const QRect placed(Program::placement(screen, size, wizard, beads), size);
        const QString where = QStringLiteral("%1,%2").arg(placed.x()).arg(placed.y());
        // The menu bar is within reach even when the window is larger than the screen.
        QVERIFY2(placed.top() >= screen.top() && placed.left() >= screen.left(), qPrintable(where));
        if (screen.width() < size.width() || screen.height() < size.height())
            return;
        QVERIFY2(screen.contains(placed), qPrintable(where));
        if (screen.width() >= 1280 && screen.height() >= 1024) {
            // The same arrangement with the wizard as on the classic screen, his figure clear of
            // the beads and touching the window.
            const QRect classic(Program::placement(QRect(0, 0, 1280, 1024), size,
                                                   QRect(Tavola::CharacterPlace, wizardSize),
                                                   beads),
                                size);
            QCOMPARE(placed.topLeft() - wizard.topLeft(),
                     classic.topLeft() - Tavola::CharacterPlace);
            QVERIFY(!beads.translated(placed.topLeft()).intersects(wizard));
            QVERIFY(placed.adjusted(-1, -1, 1, 1).intersects(wizard));
        }
    }

private:
    Tavola *m_window = nullptr;
};

QTEST_MAIN(LayoutTest)

#include "tst_layout.moc"
