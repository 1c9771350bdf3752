#include "character/request_queue.h"

#include <algorithm>

namespace quorvel {

void RequestQueue::push(const CharacterRequest &request)
{
    m_waiting.enqueue(request);
}

const CharacterRequest *RequestQueue::latest() const
{
    return m_waiting.isEmpty() ? current() : &m_waiting.last();
}

std::optional<CharacterRequest> RequestQueue::next()
{
    if (m_current || m_waiting.isEmpty())
        return std::nullopt;
    m_current = m_waiting.dequeue();
    return m_current;
}

std::optional<CharacterRequest> RequestQueue::finish()
{
    std::optional<CharacterRequest> over;
    over.swap(m_current);
    return over;
}

std::optional<CharacterRequest> RequestQueue::withdraw(quint64 number)
{
    const auto found
        = std::find_if(m_waiting.begin(), m_waiting.end(),
                       [number](const CharacterRequest &r) { return r.number == number; });
    if (found == m_waiting.end())
        return std::nullopt;
    const CharacterRequest withdrawn = *found;
    m_waiting.erase(found);
    return withdrawn;
}

qsizetype RequestQueue::mergeRepeated(CharacterAction::Kind kind)
{
    bool afterOne = m_current && m_current->action.kind == kind;
    qsizetype merged = 0;
    for (auto i = m_waiting.begin(); i != m_waiting.end();) {
        const bool repeat = i->action.kind == kind && afterOne;
        afterOne = i->action.kind == kind;
        if (repeat) {
            i = m_waiting.erase(i);
            ++merged;
        } else {
            ++i;
        }
    }
    return merged;
}

bool RequestQueue::isWaiting(quint64 number) const
{
    return std::any_of(m_waiting.begin(), m_waiting.end(),
                       [number](const CharacterRequest &r) { return r.number == number; });
}

} // namespace quorvel
