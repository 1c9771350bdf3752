// The game's rules without a screen: the sums, limits and tables a pupil's score depends on.
#include "engine/rules.h"
#include "engine/runtime_error.h"

#include <QTest>

using namespace quorvel::rules;
using quorvel::RuntimeError;

namespace {

Counter counterAt(int value)
{
    Counter c;
    for (int i = 0; i < value; ++i)
        c.increment();
    return c;
}

} // namespace

class TestRules : public QObject
{
    Q_OBJECT
private slots:
    void countersStopAtTheTopInsteadOfEndingTheGame()
    {
        Counter c = counterAt(Counter::Top);
        c.increment(); // once ended the program with an overflow
        QCOMPARE(c.value(), 32767);
        QCOMPARE(total(c, c), 65534); // two full counters, summed without overflow
    }

    void everyNumberSplitsIntoItsOwnDigits()
    {
        // Digits of 0..9 that rebuild the number are its decimal digits and nothing else.
        for (int n = 0; n <= 9999; ++n) {
            const Digits d = splitDigits(n);
            const bool digits = d.units >= 0 && d.units <= 9 && d.tens >= 0 && d.tens <= 9
                && d.hundreds >= 0 && d.hundreds <= 9 && d.thousands >= 0 && d.thousands <= 9;
            if (!digits || d.units + 10 * d.tens + 100 * d.hundreds + 1000 * d.thousands != n)
                QFAIL(qPrintable(QString::number(n)));
        }
        QVERIFY_THROWS_EXCEPTION(RuntimeError, splitDigits(10000));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, splitDigits(-1));
    }

    void backgroundFollowsTheScoreAndStaysInRange_data()
    {
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("wrong");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("green");
        QTest::addColumn<int>("blue");
        // Each component just below and at its top, and the 655th wrong answer, which once
        // overflowed.
        QTest::newRow("no answers") << 0 << 0 << 20 << 125 << 25;
        QTest::newRow("blue below its top") << 0 << 4 << 24 << 125 << 225;
        QTest::newRow("blue at its top") << 0 << 5 << 25 << 125 << 255;
        QTest::newRow("green at its top") << 130 << 0 << 20 << 255 << 25;
        QTest::newRow("green past its top") << 131 << 0 << 20 << 255 << 25;
        QTest::newRow("red at its top") << 0 << 235 << 255 << 125 << 255;
        QTest::newRow("655th wrong answer") << 0 << 655 << 255 << 125 << 255;
        QTest::newRow("full counters") << 32767 << 32767 << 255 << 255 << 255;
    }

    void backgroundFollowsTheScoreAndStaysInRange()
    {
        QFETCH(int, right);
        QFETCH(int, wrong);
        QFETCH(int, red);
        QFETCH(int, green);
        QFETCH(int, blue);
        const Colour colour = backgroundColour(counterAt(right), counterAt(wrong));
        QCOMPARE(colour.red, red);
        QCOMPARE(colour.green, green);
        QCOMPARE(colour.blue, blue);
    }

    void praiseFollowsTheCaption_data()
    {
        QTest::addColumn<QByteArray>("caption");
        QTest::addColumn<int>("praised"); // the milestone's score, 0 for none
        for (const char *caption : {"5", "25", "50", "70", "100", "150"})
            QTest::newRow(caption) << QByteArray(caption) << QByteArray(caption).toInt();
        // The caption is read as a number: "05" is the fifth point.
        QTest::newRow("05") << QByteArray("05") << 5;
        for (const char *caption :
             {"0", "4", "6", "24", "26", "49", "51", "99", "149", "151", "200", "", "io"})
            QTest::newRow(caption) << QByteArray(caption) << 0;
    }

    void praiseFollowsTheCaption()
    {
        QFETCH(QByteArray, caption);
        QFETCH(int, praised);
        const auto rows = praiseFor(caption.toStdString());
        QCOMPARE(rows.size(), praised ? 1u : 0u);
        if (praised)
            QCOMPARE(rows[0].score, praised);
    }

    void numbersDrawnAreOnesTheAbacusCanShow()
    {
        // One more would end the game. Drawn often enough that a range one too wide shows nearly
        // always (99 % of runs).
        NumberDraw draw;
        for (int i = 0; i < 50000; ++i) {
            const int n = draw.next();
            if (n < 0 || n > 9999)
                QFAIL(qPrintable(QStringLiteral("drew %1").arg(n)));
        }
    }
};

QTEST_APPLESS_MAIN(TestRules)
#include "tst_rules.moc"
