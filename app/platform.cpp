#include "app/platform.h"

#include <QGuiApplication>

namespace quorvel {

QByteArray preferredPlatform(const Environment &environment)
{
    // Whoever set the platform by hand knows better.
    if (!environment("QT_QPA_PLATFORM").isEmpty())
        return {};
    const bool wayland
        = environment("XDG_SESSION_TYPE") == "wayland" || !environment("WAYLAND_DISPLAY").isEmpty();
    if (!wayland)
        return {};
    // The wizard greets from a fixed place on the screen and must never take the keyboard from
    // the answer box; Wayland allows neither. Where the desktop also runs an X server (XWayland)
    // the game goes there; without one, or if it cannot be reached, it still plays on Wayland.
    if (!environment("DISPLAY").isEmpty())
        return "xcb;wayland";
    return "wayland";
}

void choosePlatform()
{
    const QByteArray platform = preferredPlatform([](const char *name) { return qgetenv(name); });
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace quorvel
