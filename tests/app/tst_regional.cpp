// Italian whatever the desktop's language: Qt's own texts in the game's boxes and menus, and the
// goodbye's time and date in the desktop's regional formats. CTest runs it under LANG=C and
// LANG=it_IT.UTF-8; the expected texts are written out here for each.
#include "app/program.h"
#include "app/tavola.h"
#include "app/time_format.h"
#include "testing.h"

#include <QDate>
#include <QTest>
#include <QTime>

using namespace quorvel;

class RegionalTest : public QObject
{
    Q_OBJECT

    Program *m_program = nullptr;

    Tavola *start()
    {
        m_program = new Program(testing::seams([] { return 5; }));
        m_program->start();
        return m_program->window();
    }

private slots:
    void cleanup()
    {
        delete m_program;
        m_program = nullptr;
    }

    // One catalogue holds all of Qt's texts: the box's buttons stand for the line edit's menu too.
    void qtsOwnTextsAreItalian()
    {
        Tavola *window = start();
        QStringList buttons;
        testing::answerNextBox(QMessageBox::No, [&buttons](QMessageBox *box) {
            for (QAbstractButton *button : box->buttons())
                buttons << button->text();
        });
        window->findChild<QAction *>("Next")->trigger();
        buttons.sort();
        QCOMPARE(buttons, QStringList({QStringLiteral("&No"), QString::fromUtf8("&Sì")}));
    }

    void goodbyeTellsTimeAndDateAsTheDesktopWritesThem()
    {
        const QString desktop = QLocale::system().name();
        if (desktop != QLatin1String("it_IT") && desktop != QLatin1String("C"))
            QSKIP("the expected texts are written for LANG=C and LANG=it_IT.UTF-8");
        Tavola *window = start();
        QString title, text;
        testing::answerNextBox(QMessageBox::Ok, [&](QMessageBox *box) {
            title = box->windowTitle();
            text = box->text();
        });
        const QDateTime before = QDateTime::currentDateTime();
        QTest::mouseClick(window->findChild<QWidget *>("cmdExit"), Qt::LeftButton);
        const QDateTime after = QDateTime::currentDateTime();

        // Hours, minutes and seconds, in both locales; no zone. The day may turn meanwhile.
        QStringList times, titles;
        for (QDateTime t = before.addSecs(-1); t <= after.addSecs(1); t = t.addSecs(1)) {
            const QDate day = t.date();
            times << "Ciao a presto. Ore " + t.time().toString(QStringLiteral("HH:mm:ss"));
            titles << "Data "
                    + (desktop == QLatin1String("it_IT")
                           ? day.toString(QStringLiteral("dd/MM/yy"))
                           : QLocale::c().toString(day, QStringLiteral("d MMM yyyy")));
        }
        QVERIFY2(times.contains(text), qPrintable(text));
        QVERIFY2(titles.contains(title), qPrintable(title));
    }

    void timeWithoutZoneKeepsTheLocalesOwnWriting_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        // At 23:39:02: what each kind of regional time format becomes without its zone.
        const char *rows[][3] = {
            {"zone in brackets", "ca_ES", "23:39:02"},
            {"zone after a comma", "be_BY", "23:39:02"},
            {"zone first", "zh_HK", "下午11:39:02"},
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
            // Since CLDR 42 a narrow no-break space stands before the day period.
            {"day period", "en_US", "11:39:02\u202FPM"},
#else
            {"day period", "en_US", "11:39:02 PM"},
#endif
            {"own separators", "da_DK", "23.39.02"},
            {"quoted words", "fr_CA", "23 h 39 min 02 s"},
            {"mark after the time", "bg_BG", "23:39:02 ч."},
        };
        for (const auto &[tag, locale, expected] : rows)
            QTest::newRow(tag) << QString::fromUtf8(locale) << QString::fromUtf8(expected);
    }

    void timeWithoutZoneKeepsTheLocalesOwnWriting()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        const QLocale l(locale);
        QCOMPARE(l.toString(QTime(23, 39, 2), longTimeFormatWithoutZone(l)), expected);
    }
};

QTEST_MAIN(RegionalTest)

#include "tst_regional.moc"
