#pragma once

#include <QByteArray>

#include <functional>

namespace quorvel {

// The environment as the program was started with it: a variable's value, empty when unset.
using Environment = std::function<QByteArray(const char *name)>;

// The Qt platform the game asks for, as a QT_QPA_PLATFORM value (with a fallback after ';'), or
// empty to leave the choice to Qt.
QByteArray preferredPlatform(const Environment &environment);

// Makes that choice for this process. Must run before the application object is created.
void choosePlatform();

// Whether Qt will load its X11 platform plugin from its own plugin folder, the environment being
// as choosePlatform left it: X11 asked for first (or nothing asked for, X11 being Qt's default
// here) with a display to reach, and no plugin folder of the user's that might hold another.
bool usesQtsX11Plugin(const Environment &environment);

// Maps that plugin and the libraries it needs into the process now, if Qt is going to. Call before
// any other thread starts.
void mapX11Plugin();

// Whether the game runs as a Wayland client, where a window of its own can neither be placed nor
// kept from the keyboard, and where the compositor may never report the window as activated.
bool onWayland();

} // namespace quorvel
