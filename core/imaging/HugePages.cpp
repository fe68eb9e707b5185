#include "core/imaging/HugePages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

void AdviseHugePages(void* i_Data, std::size_t i_Bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = 2u * 1024u * 1024u;
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

void PrefaultPages(void* i_Data, std::size_t i_Bytes)
{
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr std::uintptr_t kPage = 4096;
    // Whole pages inside the buffer only.
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(i_Data) + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(i_Data) + i_Bytes) & ~(kPage - 1);
    if (i_Data && end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)i_Data;
    (void)i_Bytes;
#endif
}
