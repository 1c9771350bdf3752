#include "app/error_report.h"

#include <QMessageBox>
#include <QProxyStyle>

#include <cstdio>
#include <cstdlib>

namespace quorvel {

QString runtimeErrorText(const ErrorInfo &info)
{
    return QStringLiteral("Errore di run-time '%1':\n\n%2")
        .arg(info.number)
        .arg(QString::fromStdString(info.description));
}

namespace {

// Set while the report's box is open.
bool reporting = false;

void writeRuntimeError(const ErrorInfo &info)
{
    std::fprintf(stderr, "quorvel: errore di run-time %d: %s\n", info.number,
                 info.description.c_str());
    std::fflush(stderr);
}

} // namespace

void reportRuntimeError(std::exception_ptr error)
{
    const ErrorInfo info = describeError(error);
    writeRuntimeError(info);
    if (qApp) {
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

namespace {

// The desktop style, except that it has no picture for a menu bar's overflow button (the game's
// two menus never overflow). Qt's own picture is a PNG file, and to read it Qt loads every image
// plugin with its libraries just to ask each whether it knows the format: a few milliseconds and
// a megabyte before the window can show.
class Style : public QProxyStyle
{
public:
    QIcon standardIcon(StandardPixmap icon, const QStyleOption *option,
                       const QWidget *widget) const override
    {
        if (icon == SP_ToolBarHorizontalExtensionButton
            || icon == SP_ToolBarVerticalExtensionButton)
            return {};
        return QProxyStyle::standardIcon(icon, option, widget);
    }
};

} // namespace

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setStyle(new Style);
}

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // A second error while the box is open (the character goes on with its queue meanwhile)
        // is only written down: the pupil reads the first one, whose answer ends the program.
        if (reporting) {
            writeRuntimeError(describeError(std::current_exception()));
            return false;
        }
        reportRuntimeError(std::current_exception());
    }
}

} // namespace quorvel
