#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>

#include <functional>

class QWidget;

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

// Makes a window that floats over the game's window (the wizard, his balloon) a popup of it where
// only that keeps it off the keyboard and lets it be placed (Wayland); elsewhere changes nothing.
// Call before the floating window is first shown. One the pupil can drag (the wizard) is moved
// by the same drag there.
enum class Dragging { No, ByThePupil };
void floatOver(QWidget *floating, QWidget *owner, Dragging dragging = Dragging::No);

// Where such a popup of the given size stands over its owner: nearest `wanted`, clear of
// `keepClear`, and all on the owner (a popup is placed from a point of its parent, and a
// compositor need not slide what sticks out back onto the screen); in the owner's coordinates.
// `wanted` itself if no place is clear.
QPoint popupPlace(const QRect &owner, const QSize &size, const QRect &keepClear,
                  const QPoint &wanted);

} // namespace quorvel
