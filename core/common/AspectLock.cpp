#include "core/common/AspectLock.h"

#include <algorithm>
#include <cmath>

namespace AspectLock {

int RoundHalfUp(float i_Value)
{
    const float lower = std::floor(i_Value);
    const float rounded = (double(lower) + 0.5 > double(i_Value)) ? lower : std::ceil(i_Value);
    return static_cast<int>(std::clamp(rounded, 0.f, 1.0e9f));
}

bool OtherSide(int i_ImageWidth, int i_ImageHeight, int i_Value, bool i_FromWidth, int& o_Other)
{
    if (i_ImageWidth <= 0 || i_ImageHeight <= 0)
        return false;
    const float ratio = float(i_ImageWidth) / float(i_ImageHeight);
    o_Other = RoundHalfUp(i_FromWidth ? i_Value / ratio : i_Value * ratio);
    return true;
}

} // namespace AspectLock
