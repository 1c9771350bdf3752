// The game's window on a desktop whose window manager frames it (openbox, on the screens given in
// CMakeLists.txt): the title bar and borders come a round trip after the window shows, and the
// placement rule holds for the window as the pupil sees it, frame and all.
#include "app/program.h"
#include "app/tavola.h"
#include "testing.h"

#include <QDebug>
#include <QScreen>
#include <QTest>

using namespace quorvel;

class WindowManagerTest : public QObject
{
    Q_OBJECT

private slots:
    void placedByItsFrame()
    {
        Program program(testing::seams());
        program.start();
        Tavola *window = program.window();
        QTRY_VERIFY2(window->frameGeometry() != window->geometry(), "no frame came");

        const QRect screen = window->screen()->availableGeometry();
        QTRY_VERIFY2(screen.contains(window->frameGeometry()),
                     qPrintable(QDebug::toString(window->frameGeometry()) + " on "
                                + QDebug::toString(screen)));
        if (screen.width() >= 1280 && screen.height() >= 1024) {
            // The classic screen: his figure beside the window, clear of the beads.
            const QRect beads(window->mapToGlobal(window->abacusArea().topLeft()),
                              window->abacusArea().size());
            QVERIFY(!beads.intersects(window->characterArea()));
            QVERIFY(
                window->frameGeometry().adjusted(-1, -1, 1, 1).intersects(window->characterArea()));
        }
    }
};

QTEST_MAIN(WindowManagerTest)
#include "tst_window_manager.moc"
