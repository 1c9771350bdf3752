#include "app/platform.h"
#include "app/wayland_popups.h"

#include <QHash>
#include <QTest>

using namespace quorvel;

// NAME=value pairs, blank-separated.
QHash<QByteArray, QByteArray> parse(const QString &environment)
{
    QHash<QByteArray, QByteArray> variables;
    for (const QString &pair : environment.split(u' ', Qt::SkipEmptyParts))
        variables.insert(pair.section(u'=', 0, 0).toUtf8(), pair.section(u'=', 1).toUtf8());
    return variables;
}

class TestPlatform : public QObject
{
    Q_OBJECT
private slots:
    void choice_data()
    {
        QTest::addColumn<QString>("environment"); // NAME=value, blank-separated
        QTest::addColumn<QByteArray>("platform");

        QTest::newRow("wayland session with XWayland")
            << "XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-0 DISPLAY=:0"
            << QByteArray("xcb;wayland");
        QTest::newRow("wayland socket alone, with XWayland")
            << "WAYLAND_DISPLAY=wayland-0 DISPLAY=:1" << QByteArray("xcb;wayland");
        QTest::newRow("wayland without XWayland")
            << "XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-0" << QByteArray("wayland");
        QTest::newRow("the user's choice stands")
            << "QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland DISPLAY=:0" << QByteArray();
        QTest::newRow("X11 session") << "XDG_SESSION_TYPE=x11 DISPLAY=:0" << QByteArray();
    }

    void choice()
    {
        QFETCH(QString, environment);
        QFETCH(QByteArray, platform);
        const auto variables = parse(environment);
        QCOMPARE(preferredPlatform([&](const char *name) { return variables.value(name); }),
                 platform);
    }

    void popupPlace_data()
    {
        // A 100 x 80 figure over a 400 x 300 window whose middle (100..299, 40..239) must stay
        // clear.
        QTest::addColumn<QRect>("owner");
        QTest::addColumn<QPoint>("wanted");
        QTest::addColumn<QPoint>("place");

        const QRect window(0, 0, 400, 300);
        QTest::newRow("the spot is clear") << window << QPoint(300, 200) << QPoint(300, 200);
        QTest::newRow("beside what is kept clear") << window << QPoint(140, 100) << QPoint(0, 100);
        QTest::newRow("on the window, not past its edge")
            << window << QPoint(380, -50) << QPoint(300, 0);
        QTest::newRow("no room anywhere")
            << QRect(50, 0, 150, 250) << QPoint(30, 40) << QPoint(30, 40);
    }

    void popupPlace()
    {
        QFETCH(QRect, owner);
        QFETCH(QPoint, wanted);
        QFETCH(QPoint, place);
        QCOMPARE(quorvel::popupPlace(owner, QSize(100, 80), QRect(100, 40, 200, 200), wanted),
                 place);
    }
};

QTEST_APPLESS_MAIN(TestPlatform)
#include "tst_platform.moc"
