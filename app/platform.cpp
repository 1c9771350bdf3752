#include "app/platform.h"

#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>

#include <dlfcn.h>

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

bool usesQtsX11Plugin(const Environment &environment)
{
    if (environment("DISPLAY").isEmpty() || !environment("QT_PLUGIN_PATH").isEmpty()
        || !environment("QT_QPA_PLATFORM_PLUGIN_PATH").isEmpty())
        return false;
    // The first of the platforms listed, without its options ("xcb:option=value;wayland").
    const QByteArray first
        = environment("QT_QPA_PLATFORM").split(';').constFirst().split(':').constFirst();
    return first.isEmpty() || first == "xcb";
}

void mapX11Plugin()
{
    if (!usesQtsX11Plugin([](const char *name) { return qgetenv(name); }))
        return;
    // The plugin brings some twenty libraries. While another thread of the process runs, each
    // mprotect and munmap the dynamic loader makes as it maps them interrupts the other core to
    // flush its address cache, and waits for it: mapped before the thread that reads ahead
    // starts, they cost no such waits. Qt's own loading then finds them in place; the handle
    // stays open, as Qt keeps the plugin loaded until the end.
    const QString plugin
        = QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/libqxcb.so");
    dlopen(QFile::encodeName(plugin).constData(), RTLD_LAZY);
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace quorvel
