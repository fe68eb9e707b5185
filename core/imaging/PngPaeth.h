#pragma once

#include <QtGlobal>

// The PNG Paeth predictor, shared by the reader's unfiltering and the
// writer's filtering so that both sides agree on its tie-breaks.
inline int PngPaeth(int a, int b, int c)
{
    const int pa = qAbs(b - c);
    const int pb = qAbs(a - c);
    const int pc = qAbs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}
