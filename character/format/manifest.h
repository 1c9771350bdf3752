#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

namespace quorvel {

// A character as its manifest describes it, checked field by field (docs/character-format.md).
struct CharacterFrame
{
    QList<int> layers; // indexes into CharacterModel::imageNames, back to front
    int durationMs = 0;
};

struct CharacterAnimation
{
    QString name;
    QList<CharacterFrame> frames;
    bool loop = false;

    int passMs() const;
};

struct BalloonStyle
{
    QColor background {0xff, 0xfb, 0xe8};
    QColor border {0x3b, 0x2a, 0x7a};
    QColor text {0x1a, 0x1a, 0x1a};
    QString font = QStringLiteral("Liberation Sans");
    int pointSize = 13;
    int maxWidth = 260;
};

struct VoiceSettings
{
    QString language = QStringLiteral("it");
    int rate = 150;
    int pitch = 50;
    int msPerCharacter = 70;
    int minimumMs = 1500;

    // How long the balloon stays when the voice cannot be heard. Inline: the voice module uses it
    // without the manifest's code.
    int readingMs(const QString &text) const
    {
        const qint64 ms = qint64(text.trimmed().size()) * msPerCharacter;
        return int(qBound(qint64(minimumMs), ms, qint64(10 * 60 * 1000)));
    }
};

struct CharacterModel
{
    QString id;
    QSize size;
    QSizeF viewBox;
    BalloonStyle balloon;
    VoiceSettings voice;
    QStringList imageNames;
    QStringList imagePaths; // relative to the manifest's folder, same order as imageNames
    QList<CharacterAnimation> animations;
    int appear = -1; // indexes into animations
    int idle = -1;
    int speak = -1;

    // The animation called name, whatever its case; -1 if there is none.
    int findAnimation(const QString &name) const;
};

// Checks one picture the manifest names (a relative path already checked for its form) against
// the manifest's viewBox and returns what is wrong with it, or an empty string.
using PictureCheck = std::function<QString(const QString &relativePath, QSizeF viewBox)>;

inline constexpr qsizetype kMaxManifestBytes = 1 << 20;

// Reads and checks a manifest; fileName only serves the error messages. Throws
// RuntimeError(InvalidFileFormat) naming the file, the field and the problem.
CharacterModel parseCharacterManifest(const QByteArray &json, const QString &fileName,
                                      const PictureCheck &checkPicture);

} // namespace quorvel
