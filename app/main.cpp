#include "app/design.h"
#include "app/error_report.h"
#include "app/platform.h"
#include "app/program.h"

#include <QTimer>

#include <fontconfig/fontconfig.h>
#include <malloc.h>
#include <sys/resource.h>
#include <thread>

int main(int argc, char **argv)
{
    quorvel::choosePlatform();
    // Fontconfig reads its configuration, some thirty XML files, when the first control asks for
    // a font: the second core reads it while Qt connects to the display, at a lower priority so
    // as not to take the core from the display server, whose replies Qt waits for. Joined before
    // any font is asked for, so that Qt never meets fontconfig half set up.
    std::jthread fontconfig([] {
        setpriority(PRIO_PROCESS, 0, 10); // this thread only, on Linux
        FcInit();
    });
    quorvel::Application app(argc, argv);
    fontconfig.join();
    // Lets the desktop match the window to its menu entry and icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
    quorvel::design::installFontSubstitutions();
    try {
        quorvel::Program program;
        QObject::connect(&program, &quorvel::Program::ended, &app, &QCoreApplication::exit);
        program.start();
        // The threads that read ahead at start-up leave malloc arenas of their own holding what
        // they freed: it goes back to the system once the window is up, before the wizard's voice
        // adds its share. (One arena for all threads would do it too, but makes them queue for
        // it while they start up side by side.)
        QTimer::singleShot(1000, [] { malloc_trim(0); });
        return app.exec();
    } catch (...) {
        // An error while the window loads, before the event loop runs.
        quorvel::reportRuntimeError(std::current_exception());
    }
}
