#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace quorvel {

// Makes a window that floats over the game's window (the wizard, his balloon) a popup of it where
// only that keeps it off the keyboard and lets it be placed (Wayland); elsewhere changes nothing.
// Call before the floating window is first shown. One the pupil can drag (the wizard) is moved
// by the same drag there.
enum class Dragging { No, ByThePupil };
void floatOver(QWidget *floating, QWidget *owner, Dragging dragging = Dragging::No);

// While a box that takes the keyboard (a message box) opens over the owner, until it has the
// keyboard or is gone. A Wayland compositor may dismiss the popups of the window the keyboard
// leaves (sway does), and a request Qt makes on one of them meanwhile (a frame, or one being
// shown) is then a protocol error that ends the program: the floating windows stay off the
// screen until the keyboard has moved, and come back if they are still to be shown. Call before
// the box is shown.
void keepFloatingOffWhileOpening(QWidget *box);

// Where such a popup of the given size stands over its owner: nearest `wanted`, clear of
// `keepClear`, and all on the owner (a popup is placed from a point of its parent, and a
// compositor need not slide what sticks out back onto the screen); in the owner's coordinates.
// `wanted` itself if no place is clear.
QPoint popupPlace(const QRect &owner, const QSize &size, const QRect &keepClear,
                  const QPoint &wanted);

} // namespace quorvel
