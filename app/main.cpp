#include "app/design.h"
#include "app/error_report.h"
#include "app/platform.h"
#include "app/program.h"
#include "app/tavola.h"
#include "character/character_file.h"

#include <QFileInfo>
#include <QTimer>

#include <latch>
#include <malloc.h>
#include <sys/resource.h>
#include <thread>

int main(int argc, char **argv)
{
    quorvel::choosePlatform();
    quorvel::mapX11Plugin();
    // While Qt connects to the display and waits for its replies, the second core reads ahead
    // what the window needs next: fontconfig's configuration (some thirty XML files, read when the
    // first control asks for a font), then the wizard's file, which the first Load handler takes
    // over unless it came first (started with the window instead, the read competed with the
    // window's construction and the display server for that core). At a lower priority, so as not
    // to take the core from the display server. Fontconfig is ready before any font is asked for,
    // so that Qt never meets it half set up.
    std::latch fontconfigReady(1);
    std::jthread readAhead([&fontconfigReady] {
        setpriority(PRIO_PROCESS, 0, 10); // this thread only, on Linux
        quorvel::design::loadFontConfiguration();
        fontconfigReady.count_down();
        const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
        quorvel::preloadCharacterFile(quorvel::findCharacterFile(
            quorvel::Tavola::CharacterLoadKey, quorvel::defaultCharacterFolders(program)));
    });
    quorvel::Application app(argc, argv);
    fontconfigReady.wait();
    // Lets the desktop match the window to its menu entry and icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
    quorvel::design::nameDesktopFontByItsFace();
    try {
        quorvel::Program program;
        QObject::connect(&program, &quorvel::Program::ended, &app, &QCoreApplication::exit);
        program.start();
        // The threads that read ahead at start-up have done so: those started from now on (Qt's
        // painting helpers, the wizard's voice) share the arenas malloc has rather than each
        // filling one more. Limited from the start, the threads reading ahead would queue for
        // one arena. What they freed goes back to the system once the window is up, before the
        // voice adds its share.
        mallopt(M_ARENA_MAX, 1);
        // From now on blocks of 64 KiB and more (the wizard's frame and larger pictures, his
        // sentences' sound) come straight from the system and go back to it when freed, instead
        // of staying behind as holes in malloc's heaps, which glibc's moving threshold lets them
        // become.
        mallopt(M_MMAP_THRESHOLD, 64 * 1024);
        QTimer::singleShot(1000, [] { malloc_trim(0); });
        return app.exec();
    } catch (...) {
        // An error while the window loads, before the event loop runs.
        quorvel::reportRuntimeError(std::current_exception());
    }
}
