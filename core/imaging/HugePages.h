#pragma once

#include <cstddef>

// Asks the system to back a large buffer that is about to be written for the
// first time with huge pages where it can: filling a fresh image then takes a
// few hundred page faults instead of tens of thousands. A hint only; harmless
// where it is not supported.
void AdviseHugePages(void* i_Data, std::size_t i_Bytes);

// Has the system make the pages of a fresh buffer ready for writing, without
// writing anything: another thread can take the page faults (and the zeroing
// of the pages) of a buffer the calling thread is about to fill, even while
// it fills it. A hint only; harmless where it is not supported.
void PrefaultPages(void* i_Data, std::size_t i_Bytes);
