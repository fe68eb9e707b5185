#pragma once

#include <cstddef>

// Asks the system to back a large buffer that is about to be written for the
// first time with huge pages where it can: filling a fresh image then takes a
// few hundred page faults instead of tens of thousands. A hint only; harmless
// where it is not supported.
void AdviseHugePages(void* i_Data, std::size_t i_Bytes);
