#include "character/request_queue.h"

#include <algorithm>

namespace quorvel {

void RequestQueue::push(const CharacterRequest &request)
{
    m_waiting.enqueue(request);
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

bool RequestQueue::isWaiting(quint64 number) const
{
    return std::any_of(m_waiting.begin(), m_waiting.end(),
                       [number](const CharacterRequest &r) { return r.number == number; });
}

} // namespace quorvel
