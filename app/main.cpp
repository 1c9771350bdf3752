#include "app/design.h"
#include "app/error_report.h"
#include "app/tavola.h"

#include <QScreen>

int main(int argc, char **argv)
{
    quorvel::Application app(argc, argv);
    quorvel::design::installFontSubstitutions();
    try {
        quorvel::Tavola tavola;
        const QRect screen = tavola.screen()->availableGeometry();
        tavola.adjustSize();
        tavola.move(screen.center() - tavola.rect().center());
        tavola.show();
        return app.exec();
    } catch (...) {
        quorvel::reportRuntimeError(std::current_exception());
    }
}
