#pragma once

#include "character/action.h"

#include <QQueue>

#include <optional>

namespace quorvel {

// The requests of one character: those waiting, in the order they were made, and the one being
// carried out. It keeps the order only; what carrying a request out means is the character's.
class RequestQueue
{
public:
    void push(const CharacterRequest &request);

    // The request being carried out, or null.
    const CharacterRequest *current() const { return m_current ? &*m_current : nullptr; }
    // The request made last that has not ended: the last waiting one, or else the current one.
    const CharacterRequest *latest() const;
    // The first waiting request, or null.
    const CharacterRequest *peek() const
    {
        return m_waiting.isEmpty() ? nullptr : &m_waiting.head();
    }

    // The first waiting request becomes the current one and is returned; nothing while another
    // is being carried out or when none waits.
    std::optional<CharacterRequest> next();
    // The current request is over; it is returned.
    std::optional<CharacterRequest> finish();
    // Takes a waiting request out and returns it; nothing when it is not waiting (started, over,
    // or unknown).
    std::optional<CharacterRequest> withdraw(quint64 number);

    // Drops each waiting request of this kind that comes right after one of the same kind (the
    // current one included); returns how many.
    qsizetype mergeRepeated(CharacterAction::Kind kind);

    bool isWaiting(quint64 number) const;
    bool hasWaiting() const { return !m_waiting.isEmpty(); }
    qsizetype waitingCount() const { return m_waiting.size(); }
    bool isIdle() const { return !m_current && m_waiting.isEmpty(); }

private:
    QQueue<CharacterRequest> m_waiting;
    std::optional<CharacterRequest> m_current;
};

} // namespace quorvel
