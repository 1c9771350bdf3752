// The abacus as pixels: which beads show, and which lies in front where they overlap.
#include "app/abacus.h"
#include "app/surface.h"
#include "app/tavola.h"
#include "testing.h"

#include <QApplication>
#include <QTest>

using namespace quorvel;
using Rod = Abacus::Rod;

namespace {

const Rod AllRods[] = {Rod::Units, Rod::Tens, Rod::Hundreds, Rod::Thousands};

// What shows at a bead's centre: the bead's colour, or where it is hidden, the rod's.
QColor colourAt(Rod rod, bool beadShown)
{
    const QColor beads[]
        = {QColor(255, 0, 255), QColor(0, 192, 192), QColor(0, 0, 255), QColor(255, 255, 0)};
    const QColor rods[] = {QColor(0, 255, 0), QApplication::palette().color(QPalette::Base),
                           QColor(255, 0, 0), QColor(255, 128, 255)};
    return (beadShown ? beads : rods)[int(rod)];
}

int digitOf(int number, Rod rod)
{
    const int place[] = {1, 10, 100, 1000};
    return number / place[int(rod)] % 10;
}

bool isDark(QColor c)
{
    return c.red() + c.green() + c.blue() < 200;
}

} // namespace

class AbacusTest : public QObject
{
    Q_OBJECT

private slots:
    // Not shown, so that no exercise changes the beads: every bead shows, as at load.
    void init() { m_window = new Tavola(testing::seams()); }
    void cleanup() { delete m_window; }

    void beadsShowTheNumber_data()
    {
        QTest::addColumn<int>("number");
        for (int n : {-1, 0, 7, 305, 1010, 4070, 9999})
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }

    void beadsShowTheNumber()
    {
        QFETCH(int, number);
        Abacus &abacus = m_window->surface()->abacus();
        if (number >= 0) {
            for (Rod rod : AllRods)
                abacus.showDigit(rod, digitOf(number, rod));
        } else {
            number = 9999; // the window as loaded shows every bead
        }
        const QImage shot = m_window->surface()->grab().toImage();
        for (Rod rod : AllRods) {
            const int d = digitOf(number, rod);
            QCOMPARE(abacus.digit(rod), d);
            for (int k = 1; k <= 9; ++k) {
                const QString where = QString::asprintf("%d: rod %d, bead %d", number, int(rod), k);
                const QRect bead = abacus.bead(rod, k).outline();
                QVERIFY2(shot.pixelColor(bead.center()) == colourAt(rod, k <= d),
                         qPrintable(where));
                if (k == 1 || k > d)
                    continue;
                // Where two beads of one colour overlap, only the front one's outline shows:
                // the lower bead's top edge when the lower bead is in front, the upper bead's
                // bottom edge when the upper one is.
                const QRect below = abacus.bead(rod, k - 1).outline();
                const bool lowerInFront = rod != Rod::Thousands || k == 2;
                QVERIFY2(isDark(shot.pixelColor(below.center().x(), below.top())) == lowerInFront,
                         qPrintable(where));
                QVERIFY2(isDark(shot.pixelColor(bead.center().x(), bead.bottom())) != lowerInFront,
                         qPrintable(where));
            }
        }
    }

    void runtimeDrawingForgetsWhatIsPaintedOver()
    {
        // The gradient is drawn again at every exercise, over the last one: the drawing must keep
        // only what still shows, or a long game's memory grows without end.
        RuntimeDrawing &drawing = m_window->surface()->drawing();
        drawing.setScaleHeight(512);
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < 256; ++i)
                drawing.box(QPointF(0, 2 * i), QPointF(11310, 2 * i + 2), QColor(180, 0, i));
        }
        QCOMPARE(drawing.boxCount(), 256);
        drawing.box(QPointF(0, 0), QPointF(11310, 512), Qt::black);
        QCOMPARE(drawing.boxCount(), 1);
    }

private:
    Tavola *m_window = nullptr;
};

QTEST_MAIN(AbacusTest)

#include "tst_abacus.moc"
