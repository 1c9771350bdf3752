// Plays Merlin's greeting as the game's start-up asks for it, then (with --all) every praise
// of the score milestones, and quits once he is done.

#include "character/agent.h"
#include "engine/runtime_error.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

using namespace quorvel;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool all = arguments.removeAll(QStringLiteral("--all")) > 0;
    const QString folder
        = arguments.isEmpty() ? QStringLiteral(QUORVEL_SOURCE_CHARACTERS) : arguments.first();

    AgentControl agent({folder});
    QObject::connect(&agent, &AgentControl::started, [](const CharacterAction &action) {
        std::printf("%s\n", qPrintable(describe(action)));
        std::fflush(stdout);
    });
    try {
        agent.Characters().Load(QStringLiteral("Merlin"),
                                QStringLiteral("C:\\WINDOWS\\msagent\\chars\\Merlin.acs"));
        CharacterHandle merlin = agent.Characters().Item(QStringLiteral("Merlin"));
        merlin->Show();
        merlin->MoveTo(630, 175);
        merlin->Play(QStringLiteral("Announce"));
        merlin->setHeight(205);
        merlin->Speak(QStringLiteral("Ciao. Vuoi giocare con me con l'abaco? E allora che il "
                                     "gioco abbia inizio. Che la magia sia con te"));
        if (all) {
            const std::pair<const char *, const char *> praise[] = {
                {"congratulate_2", "Sei grande"},
                {"congratulate", "Sei grande"},
                {"wave", "Sei veramente ok. Sei arrivato a 50 punti!"},
                {"congratulate", "Eccezionale! Siamo a 100 punti!"},
            };
            for (const auto &[animation, text] : praise) {
                merlin->Play(QString::fromUtf8(animation));
                merlin->Speak(QString::fromUtf8(text));
            }
            merlin->Speak(QStringLiteral("Attenzione hai sbagliato! Il numero è"));
            merlin->Speak(QStringLiteral("settemilasettecentoventitre"));
        }
    } catch (const RuntimeError &error) {
        std::fprintf(stderr, "%d: %s\n", error.number(), error.description().c_str());
        return 1;
    }

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (agent.Characters().Item(QStringLiteral("Merlin"))->isIdle())
            QTimer::singleShot(1500, &app, &QCoreApplication::quit);
    });
    poll.start(200);
    return app.exec();
}
