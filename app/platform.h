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

// Whether the game runs as a Wayland client, where a window of its own can neither be placed nor
// kept from the keyboard, and where the compositor may never report the window as activated.
bool onWayland();

} // namespace quorvel
