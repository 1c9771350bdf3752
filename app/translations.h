#pragma once

#include <QLibraryInfo>
#include <QString>

namespace quorvel {

// Qt's own texts (standard buttons and their access keys, the answer box's context menu) in
// Italian, whatever the desktop's language: the pupil reads Italian only. They come from Qt's
// Italian catalogue in `folder`, installed once per application. Without it the game still runs
// with Qt's English texts, and says so on stderr; the result tells whether Italian is in place.
bool installQtItalian(const QString &folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath));

} // namespace quorvel
