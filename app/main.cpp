#include "app/error_report.h"
#include "app/platform.h"
#include "app/program.h"
#include "app/tavola.h"
#include "character/format/character_file.h"

#include <QFileInfo>

int main(int argc, char **argv)
{
    quorvel::choosePlatform();
    // The wizard's file is read and checked on the other core while Qt connects to the display
    // and the window builds its controls; the window's first Load takes it over.
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    quorvel::preloadCharacterFile(quorvel::findCharacterFile(
        quorvel::Tavola::CharacterLoadKey, quorvel::defaultCharacterFolders(folder)));

    quorvel::Application app(argc, argv);
    // Lets the desktop match the window to its menu entry and icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
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
