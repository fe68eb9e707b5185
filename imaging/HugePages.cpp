#include "HugePages.h"

#include <cstdint>
#include <system_error>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {
constexpr std::uintptr_t kHuge = 2u * 1024u * 1024u;
}

void AdviseHugePages(void* i_Data, std::size_t i_Bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (!i_Data || i_Bytes < 2 * kHuge)
        return;
    // Only whole huge pages inside the buffer, so no neighbouring memory is affected.
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(i_Data) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(i_Data) + i_Bytes) & ~(kHuge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)i_Data;
    (void)i_Bytes;
#endif
}

PrefaultBackwards::PrefaultBackwards(void* i_Data, std::size_t i_Bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // Whole huge pages inside the buffer, one at a time so that stopping is
    // quick; the few small pages at its ends are left to the writer.
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(i_Data) + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(i_Data) + i_Bytes) & ~(kHuge - 1);
    if (!i_Data || end < begin + 4 * kHuge)
        return;
    try {
        m_Thread = std::thread([this, begin, end]() {
            for (std::uintptr_t at = end; at > begin && !m_Stop.load(std::memory_order_relaxed); at -= kHuge)
                if (madvise(reinterpret_cast<void*>(at - kHuge), kHuge, MADV_POPULATE_WRITE) != 0)
                    break; // not supported here, or out of memory: the writer maps pages as it goes
        });
    } catch (const std::system_error&) {
    }
#else
    (void)i_Data;
    (void)i_Bytes;
#endif
}

PrefaultBackwards::~PrefaultBackwards()
{
    m_Stop.store(true, std::memory_order_relaxed);
    if (m_Thread.joinable())
        m_Thread.join();
}
