#include "app/error_report.h"
#include "app/platform.h"
#include "app/program.h"
#include "app/tavola.h"
#include "character/format/character_file.h"

int main(int argc, char **argv)
{
    quorvel::choosePlatform();
    quorvel::Application app(argc, argv);
    // Lets the desktop match the window to its menu entry and icon (the Wayland app id).
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));

    // The wizard's file is read and checked on the other core while the window builds its
    // controls; the window's first Load takes it over. Only once the application exists: Qt takes
    // the first thread that makes a QObject (the read's QFile) for its main thread.
    quorvel::preloadCharacterFile(quorvel::findCharacterFile(quorvel::Tavola::CharacterLoadKey,
                                                             quorvel::defaultCharacterFolders()));
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
