#pragma once

#include <QString>
#include <Qt>

#include <optional>

namespace quorvel {

// The character code a key press gives the window's KeyPress handlers, as on the classic desktop
// the game was written for: only keys that type a character fire it (printable characters, Enter
// 13, Backspace 8, Escape 27, Ctrl+letter 1 to 26). Tab moves the focus; Delete, arrows, Home,
// End, function keys, modifiers alone and Alt combinations (menu keys) type nothing.
std::optional<int> keyAscii(int key, Qt::KeyboardModifiers modifiers, const QString &text);

} // namespace quorvel
