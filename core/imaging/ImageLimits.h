#pragma once

#include <QtGlobal>

// Largest pixel buffer the program agrees to make for one 32-bit image (the
// range of the toolkit's 32-bit byte counts). Asking for more is reported as
// a failure instead of exhausting the machine's memory.
constexpr qint64 kMaxImageBytes = 0x7fffffff;

// True when a 32-bit image of this size can be made.
inline bool ImageFits(qint64 i_Width, qint64 i_Height)
{
    return i_Width > 0 && i_Height > 0 && i_Width * i_Height <= kMaxImageBytes / 4;
}
