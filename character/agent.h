#pragma once

#include "character/action.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace quorvel {

class AgentControl;
class CharacterHandle;
struct LoadedCharacter;

// A loaded character. Every request returns at once and is carried out later, on the event
// loop, after the requests made before it (of this character). A request that cannot be
// carried out (an unknown animation, a height out of range) is refused at once with a
// RuntimeError.
class Character : public QObject
{
    Q_OBJECT
public:
    ~Character() override;

    CharacterRequest Show();
    CharacterRequest MoveTo(int x, int y); // top-left corner, screen pixels
    CharacterRequest Play(const QString &animation); // any case
    CharacterRequest setHeight(int pixels); // the width follows the artwork
    // Not aloud: the balloon alone, for the text's reading time, as without a voice.
    CharacterRequest Speak(const QString &text, bool aloud = true);
    // Withdraws a request that has not started yet; one being carried out, or over, is left to
    // end as it would. The stop itself is carried out at once, as a queued stop could never
    // reach the requests waiting ahead of it.
    CharacterRequest Stop(const CharacterRequest &request);

    QString id() const;
    // Nothing queued and nothing being carried out.
    bool isIdle() const;
    // The request is queued and has not started.
    bool isWaiting(const CharacterRequest &request) const;
    int waitingCount() const;

    // His own windows: for the host window to keep them beside it, for tests and screenshots.
    QWidget *window() const;
    QWidget *balloon() const;
    const LoadedCharacter &loaded() const;

private:
    friend class CharacterCollection;
    Character(const QString &id, std::shared_ptr<const LoadedCharacter> loaded,
              AgentControl *control);

    struct Private;
    std::unique_ptr<Private> d;
};

// Holds a fetched character for the length of one handler. It does not own the character
// (the control does); if the character is gone, using the handle is a run-time error rather than
// a crash.
class CharacterHandle
{
public:
    CharacterHandle(CharacterHandle &&) noexcept = default;
    CharacterHandle &operator=(CharacterHandle &&) noexcept = default;
    CharacterHandle(const CharacterHandle &) = delete;
    CharacterHandle &operator=(const CharacterHandle &) = delete;
    ~CharacterHandle() = default;

    Character *operator->() const { return &get(); }
    Character &operator*() const { return get(); }
    Character &get() const;

private:
    friend class CharacterCollection;
    explicit CharacterHandle(Character *character);

    QPointer<Character> m_character;
    QString m_id;
};

class CharacterCollection
{
public:
    // Finds the file the load key leads to, reads and checks it with all its pictures, and makes
    // the character (hidden). Throws RuntimeError: FileNotFound when the key leads to no file,
    // InvalidFileFormat when the file is wrong, InvalidProcedureCall when the id is empty or
    // already loaded.
    CharacterRequest Load(const QString &id, const QString &loadKey);
    // Throws RuntimeError(SubscriptOutOfRange) for an id not loaded. Ids match in any case.
    CharacterHandle Item(const QString &id) const;
    int Count() const { return int(m_characters.size()); }

private:
    friend class AgentControl;
    explicit CharacterCollection(AgentControl *control);

    AgentControl *m_control;
    QList<QPointer<Character>> m_characters;
};

// Stands for the desktop character component on the window: it loads characters and carries out
// what the game asks of them. Destroying it destroys its characters and their windows at once
// and silences them.
//
// The signals record every request: requested() for every call, started() and carriedOut() when
// the character begins and ends carrying it out, withdrawn() when a Stop takes it out before it
// started. A Show right behind another Show is merged into it (the later one would find the
// character shown): it is requested, and returns the earlier request, but is not carried out
// again.
class AgentControl : public QObject
{
    Q_OBJECT
public:
    // Looks for character files in defaultCharacterFolders().
    explicit AgentControl(QObject *parent = nullptr);
    explicit AgentControl(const QStringList &characterFolders, QObject *parent = nullptr);
    ~AgentControl() override;

    CharacterCollection &Characters() { return m_characters; }
    QStringList characterFolders() const { return m_folders; }

signals:
    void requested(const quorvel::CharacterAction &action);
    void started(const quorvel::CharacterAction &action);
    void carriedOut(const quorvel::CharacterAction &action);
    void withdrawn(const quorvel::CharacterAction &action);

private:
    friend class Character;
    friend class CharacterCollection;
    quint64 nextRequestNumber() { return ++m_requests; }

    QStringList m_folders;
    CharacterCollection m_characters;
    quint64 m_requests = 0;
};

} // namespace quorvel
