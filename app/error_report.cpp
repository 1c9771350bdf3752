#include "app/error_report.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace quorvel {

QString runtimeErrorText(const ErrorInfo &info)
{
    return QStringLiteral("Errore di run-time '%1':\n\n%2")
        .arg(info.number)
        .arg(QString::fromStdString(info.description));
}

void reportRuntimeError(std::exception_ptr error)
{
    static bool reporting = false;
    const ErrorInfo info = describeError(error);
    std::fprintf(stderr, "quorvel: errore di run-time %d: %s\n", info.number,
                 info.description.c_str());
    std::fflush(stderr);
    // A second error while the box is open (the character goes on with its queue meanwhile)
    // must not stack another box: the first report already ends the program.
    if (!reporting && qApp) {
        reporting = true;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Quorvel"), runtimeErrorText(info),
                        QMessageBox::Ok);
        box.exec();
    }
    std::fflush(stdout);
    // End at once, as after any fatal error: no further handler may run, and tearing down the
    // half-done window could itself fail.
    std::_Exit(RuntimeErrorExitStatus);
}

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{ }

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportRuntimeError(std::current_exception());
    }
}

} // namespace quorvel
