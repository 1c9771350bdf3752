#pragma once

#include "character/format/manifest.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QPainter;
class QRectF;
class QSvgRenderer;

namespace quorvel {

// The folders searched for character files, in order: the one beside the executable
// (<exe>/../share/quorvel/characters, which serves both the build tree and an install) and the
// installed data folder compiled in.
QStringList defaultCharacterFolders();

// The character file a load key leads to: its last component (after the last \ or /), matched
// case-insensitively against the files of each folder in turn. Empty when there is none.
QString findCharacterFile(const QString &loadKey, const QStringList &folders);

struct LoadedCharacter
{
    LoadedCharacter();
    ~LoadedCharacter();

    CharacterModel model;
    // The pictures' SVG text, same order as model.imageNames. Checked when the file loads, but
    // parsed only when drawn: a parsed picture costs far more memory than its text, and the game
    // window must not wait for pictures the character shows later.
    std::vector<QByteArray> pictures;

    // Draws the pictures given by index, back to front, scaled to target.
    void draw(QPainter &painter, const QList<int> &layers, const QRectF &target) const;
};

// Reads, checks and loads a character file with all its pictures, or throws a RuntimeError naming
// the file and the problem: PathFileAccessError when the file cannot be read (no permission, not
// a regular file), InvalidFileFormat when its content or a picture is wrong.
std::shared_ptr<const LoadedCharacter> loadCharacterFile(const QString &path);

// Starts reading and checking a character file on a thread of its own, for the first
// loadCharacterFile of the same path to take over: the game's window builds its controls on one
// core while the wizard's file is read on another. Whether it started: not for an empty path,
// while another read-ahead waits to be taken, nor for a file loaded already (its next load reads
// it afresh).
bool preloadCharacterFile(const QString &path);

// One picture's SVG text as the character draws it: a renderer, or null with the problem in
// Italian when the text is no valid drawing or its viewBox is not the character's.
std::unique_ptr<QSvgRenderer> readPicture(const QByteArray &svg, QSizeF viewBox, QString *problem);

} // namespace quorvel
