// The controller's message stream: one queue per link session for what
// programs print and the errors they report. Text published while no
// session is open waits in a backlog that the next session receives first.
// Every queue keeps at most maxBytes, dropping the oldest text, so a client
// that never reads costs bounded memory. Guarded by the Controller's mutex.
#pragma once

#include <algorithm>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace korvan::controller {

class MessageQueues
{
public:
    static constexpr std::size_t maxBytes = 1024 * 1024;

    /// A new queue holding the backlog; returns its id.
    int open()
    {
        const int id = m_nextId++;
        m_queues[id] = std::move(m_backlog);
        m_backlog.clear();
        return id;
    }
    void close(int id) { m_queues.erase(id); }

    /// Text for every open queue, or for the backlog when none is open.
    void publish(std::string_view text)
    {
        if (text.empty())
            return;
        if (m_queues.empty())
            append(m_backlog, text);
        for (auto& [id, queue] : m_queues)
            append(queue, text);
    }
    /// Text for one queue only (the errors of that session's commands).
    void post(int id, std::string_view text)
    {
        if (auto it = m_queues.find(id); it != m_queues.end())
            append(it->second, text);
    }
    /// Takes up to maxTake bytes of a queue.
    std::string take(int id, std::size_t maxTake)
    {
        auto it = m_queues.find(id);
        if (it == m_queues.end())
            return {};
        std::string& queue = it->second;
        const std::size_t n = std::min(maxTake, queue.size());
        std::string out = queue.substr(0, n);
        queue.erase(0, n);
        return out;
    }

private:
    static void append(std::string& queue, std::string_view text)
    {
        queue += text;
        if (queue.size() > maxBytes)
            queue.erase(0, queue.size() - maxBytes);
    }

    std::map<int, std::string> m_queues;
    std::string m_backlog;
    int m_nextId = 1;
};

} // namespace korvan::controller
