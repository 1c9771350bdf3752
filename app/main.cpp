#include "app/design.h"
#include "app/error_report.h"
#include "app/platform.h"
#include "app/program.h"

int main(int argc, char **argv)
{
    quorvel::choosePlatform();
    quorvel::Application app(argc, argv);
    // Lets the desktop match the window to its menu entry and icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
    quorvel::design::installFontSubstitutions();
    try {
        quorvel::Program program;
        QObject::connect(&program, &quorvel::Program::ended, &app, &QCoreApplication::exit);
        program.start();
        return app.exec();
    } catch (...) {
        // An error while the window loads, before the event loop runs.
        quorvel::reportRuntimeError(std::current_exception());
    }
}
