#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

// Asks the system to back a large buffer that is about to be written for the
// first time with huge pages where it can: filling a fresh image then takes a
// few hundred page faults instead of tens of thousands. A hint only; harmless
// where it is not supported.
void AdviseHugePages(void* i_Data, std::size_t i_Bytes);

// Maps a fresh buffer's memory in on another thread, from its end towards its
// start, while this thread writes it from the start: the system's zeroing of
// new pages then runs beside the work instead of inside it. Contents are
// never changed, so the two threads may meet on a page. Stops, at the
// latest, when destroyed; does nothing where the system cannot map memory in
// ahead.
class PrefaultBackwards
{
public:
    PrefaultBackwards(void* i_Data, std::size_t i_Bytes);
    ~PrefaultBackwards();
    PrefaultBackwards(const PrefaultBackwards&) = delete;
    PrefaultBackwards& operator=(const PrefaultBackwards&) = delete;

private:
    std::atomic<bool> m_Stop{false};
    std::thread m_Thread;
};
