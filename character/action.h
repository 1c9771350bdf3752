#pragma once

#include <QMetaType>
#include <QPoint>
#include <QString>

class QDebug;

namespace quorvel {

// One request made to a character, as the caller made it. It is what the recording signals of
// AgentControl carry, so that a test can compare what the game asked for with what was carried
// out.
struct CharacterAction
{
    enum class Kind { Load, Show, MoveTo, Play, Height, Speak, Stop };

    QString character; // the id the character was loaded under
    Kind kind = Kind::Show;
    QString text; // Speak: the text; Play: the animation name as given; Load: the load key
    QPoint position; // MoveTo
    int height = 0; // Height
    quint64 target = 0; // Stop: the number of the request to stop
    bool aloud
        = true; // Speak: heard as well as shown; if not, the balloon alone for its reading time

    static CharacterAction load(const QString &id, const QString &loadKey);
    static CharacterAction show(const QString &id);
    static CharacterAction moveTo(const QString &id, int x, int y);
    static CharacterAction play(const QString &id, const QString &animation);
    static CharacterAction setHeight(const QString &id, int pixels);
    static CharacterAction speak(const QString &id, const QString &text, bool aloud = true);
    static CharacterAction stop(const QString &id, quint64 target);

    friend bool operator==(const CharacterAction &, const CharacterAction &) = default;
};

// What a call returns. Callers may drop it: the request is carried out all the same.
struct CharacterRequest
{
    quint64 number = 0; // counts the requests of one AgentControl, from 1
    CharacterAction action;
};

QString describe(const CharacterAction &action);
QDebug operator<<(QDebug debug, const CharacterAction &action);
// For QCOMPARE's failure messages (found through argument-dependent lookup).
char *toString(const CharacterAction &action);

} // namespace quorvel

Q_DECLARE_METATYPE(quorvel::CharacterAction)
