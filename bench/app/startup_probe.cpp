// Starts the game as main() does and reports, in nanoseconds of the system clock, when the first
// exercise (the gradient over the window) has been painted; then ends. Run by run_startup.sh.
#include "app/design.h"
#include "app/error_report.h"
#include "app/program.h"
#include "app/surface.h"

#include <QCoreApplication>
#include <QEvent>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

class FirstExercisePainted : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *surface = qobject_cast<quorvel::Surface *>(watched);
        if (surface && event->type() == QEvent::Paint) {
            surface->removeEventFilter(this);
            QCoreApplication::sendEvent(surface, event); // paint it for real, then take the time
            const auto now = std::chrono::system_clock::now().time_since_epoch();
            std::printf(
                "%lld\n",
                (long long)std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
            std::fflush(stdout);
            std::_Exit(surface->drawing().isClear() ? 1 : 0);
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv)
{
    quorvel::Application app(argc, argv);
    quorvel::design::installFontSubstitutions();
    FirstExercisePainted probe;
    quorvel::Program program;
    program.start();
    program.window()->surface()->installEventFilter(&probe);
    return app.exec();
}
