#include "app/key_ascii.h"

namespace quorvel {

std::optional<int> keyAscii(int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    const Qt::KeyboardModifiers held
        = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // Alt goes to the menus and the logo key to the desktop; Ctrl+Alt is AltGr on the classic
    // desktop, which types what its text says.
    if (held == Qt::AltModifier || (held & Qt::MetaModifier))
        return std::nullopt;
    const bool control = held == Qt::ControlModifier;

    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return control ? 10 : 13;
    case Qt::Key_Backspace:
        return control ? 127 : 8;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return std::nullopt;
    default:
        break;
    }
    // Decided by the key, not the text: not every platform spells control codes out.
    if (control) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z)
            return key - Qt::Key_A + 1;
        return std::nullopt;
    }
    // X11 gives Delete the text DEL, and some keys other control characters: none types one.
    if (text.isEmpty() || text.front().category() == QChar::Other_Control)
        return std::nullopt;
    return text.front().unicode();
}

} // namespace quorvel
