#pragma once

namespace quorvel {

// Qt's own texts (standard buttons and their access keys, the answer box's context menu) in
// Italian, whatever the desktop's language: the pupil reads Italian only. They come from Qt's
// Italian catalogue, installed once per application. Without it the game still runs with Qt's
// English texts, and says so on stderr.
void installQtItalian();

} // namespace quorvel
