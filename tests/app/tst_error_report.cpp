// The run-time error report, run for real in a child process: the box the pupil sees, the line
// on stderr, a second error while the box is open, and the exit status.
#include "app/error_report.h"

#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

using namespace quorvel;

namespace {

int runChild(const QString &what, int argc, char **argv)
{
    Application app(argc, argv);
    // Answers the first box that opens, after writing what it says to stdout.
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&timer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer.stop();
        std::printf("title=%s\nicon=%d\ntext=%s\n", qPrintable(box->windowTitle()),
                    int(box->icon()), qPrintable(box->text()));
        std::fflush(stdout);
        // A second error while the box is open opens no other box and takes this one away.
        QTimer::singleShot(0, [] { throw RuntimeError(RuntimeError::Overflow, "Overflow"); });
        QTimer::singleShot(0, box, [box] {
            std::printf("answered=%d\n", QApplication::activeModalWidget() == box);
            std::fflush(stdout);
            box->button(QMessageBox::Ok)->click();
        });
    });
    timer.start(10);
    QPushButton button("x");
    if (what == "overflow") {
        QObject::connect(&button, &QPushButton::clicked,
                         [] { throw RuntimeError(RuntimeError::Overflow, "Overflow"); });
        button.show();
        QTimer::singleShot(0, &button, [&button] { QTest::mouseClick(&button, Qt::LeftButton); });
    } else if (what == "conversion") {
        QTimer::singleShot(0, [] { throw std::invalid_argument("\"12a\" non è un numero"); });
    } else if (what == "outside") {
        // An error before the event loop runs, as while the window is being built.
        try {
            throw RuntimeError(RuntimeError::FileNotFound, "Impossibile trovare il file: x.acs");
        } catch (...) {
            reportRuntimeError(std::current_exception());
        }
    }
    app.exec();
    return 0; // not reached: the report ends the program
}

} // namespace

class ErrorReportTest : public QObject
{
    Q_OBJECT

private slots:
    void reportsAndEnds_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("text");
        QTest::newRow("an overflow in a click handler") << "overflow"
                                                        << "Errore di run-time '6':\n\nOverflow";
        QTest::newRow("a bad conversion in a queued call")
            << "conversion"
            << QString::fromUtf8("Errore di run-time '13':\n\nTipo non corrispondente: "
                                 "\"12a\" non è un numero");
        QTest::newRow("an error before the event loop")
            << "outside"
            << "Errore di run-time '53':\n\nImpossibile trovare il file: x.acs";
    }

    void reportsAndEnds()
    {
        QFETCH(QString, what);
        QFETCH(QString, text);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--child", what});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), RuntimeErrorExitStatus);

        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
                 QStringLiteral("title=Quorvel\nicon=%1\ntext=").arg(int(QMessageBox::Critical))
                     + text + "\nanswered=1\n");

        // Both errors are written down, in the order they came.
        const QStringList err = QString::fromUtf8(child.readAllStandardError())
                                    .split('\n', Qt::SkipEmptyParts)
                                    .filter("quorvel: errore di run-time");
        const QString number = text.section('\'', 1, 1);
        QCOMPARE(err.size(), 2);
        QVERIFY2(err[0].startsWith("quorvel: errore di run-time " + number + ": "),
                 qPrintable(err[0]));
        QCOMPARE(err[1], "quorvel: errore di run-time 6: Overflow");
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return runChild(QString::fromLatin1(argv[2]), argc, argv);
    QCoreApplication app(argc, argv);
    ErrorReportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_error_report.moc"
