#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

// The only way data passes between the decoding thread and an encoding
// thread: a queue of at most a few items, so that a long video costs no more
// memory than a short one. Push waits while the queue is full, Pop while it
// is empty.
template <typename T>
class BoundedQueue
{
public:
    explicit BoundedQueue(size_t i_Capacity)
        : m_Capacity(i_Capacity)
    {
    }

    void Push(T&& i_Item)
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_NotFull.wait(lock, [this] { return m_Items.size() < m_Capacity; });
        m_Items.push_back(std::move(i_Item));
        m_NotEmpty.notify_one();
    }

    // False once the queue is closed and empty.
    bool Pop(T& o_Item)
    {
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_NotEmpty.wait(lock, [this] { return !m_Items.empty() || m_Closed; });
        if (m_Items.empty())
            return false;
        o_Item = std::move(m_Items.front());
        m_Items.pop_front();
        m_NotFull.notify_one();
        return true;
    }

    // No more items will come: Pop returns false once the rest is taken.
    void Close()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Closed = true;
        m_NotEmpty.notify_all();
    }

private:
    const size_t m_Capacity;
    std::mutex m_Mutex;
    std::condition_variable m_NotFull;
    std::condition_variable m_NotEmpty;
    std::deque<T> m_Items;
    bool m_Closed = false;
};
