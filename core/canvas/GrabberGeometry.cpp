#include "core/canvas/GrabberGeometry.h"

#include <cmath>

namespace GrabberGeometry {
namespace {
constexpr long long HalfBox = GrabberSize / 2;
}

QPointF GrabberPosition(long long number, long long width, long long height)
{
    const long long left = -HalfBox;
    const long long middleX = width / 2 - HalfBox;
    const long long right = width - HalfBox;
    const long long top = -HalfBox;
    const long long middleY = height / 2 - HalfBox;
    const long long bottom = height - HalfBox;

    switch (number) {
    case 0:
        return QPointF(left, top);
    case 1:
        return QPointF(middleX, top);
    case 2:
        return QPointF(right, top);
    case 3:
        return QPointF(right, middleY);
    case 4:
        return QPointF(right, bottom);
    case 5:
        return QPointF(middleX, bottom);
    case 6:
        return QPointF(left, bottom);
    case 7:
        return QPointF(left, middleY);
    default:
        return QPointF(0, 0);
    }
}

int GrabberFactorX(long long number)
{
    switch (number) {
    case 0:
    case 6:
    case 7:
        return 1;
    case 2:
    case 3:
    case 4:
        return -1;
    default:
        return 0; // 1, 5 and anything out of range
    }
}

int GrabberFactorY(long long number)
{
    switch (number) {
    case 0:
    case 1:
    case 2:
        return 1;
    case 4:
    case 5:
    case 6:
        return -1;
    default:
        return 0; // 3, 7 and anything out of range
    }
}

ResizeStep ComputeResizeStep(long long number, long long width, long long height, const QPointF& itemPosition,
                             const QPointF& pressPosition, const QPointF& mousePosition)
{
    const long long dx = static_cast<long long>(std::trunc(pressPosition.x() - mousePosition.x()));
    const long long dy = static_cast<long long>(std::trunc(pressPosition.y() - mousePosition.y()));

    ResizeStep step;
    step.width = width + dx * GrabberFactorX(number);
    step.height = height + dy * GrabberFactorY(number);
    if (step.width <= 0)
        step.width = 1;
    if (step.height <= 0)
        step.height = 1;

    // How far the left or top edge has to follow so the opposite one stays.
    const double sx = static_cast<double>(width - step.width);
    const double sy = static_cast<double>(height - step.height);
    const double x = itemPosition.x();
    const double y = itemPosition.y();

    switch (number) {
    case 0:
    case 7:
        step.itemPosition = QPointF(std::trunc(x + sx), std::trunc(y + sy));
        break;
    case 1:
    case 2:
        step.itemPosition = QPointF(x, std::trunc(y + sy));
        break;
    case 5:
    case 6:
        step.itemPosition = QPointF(std::trunc(x + sx), y);
        break;
    default:
        step.itemPosition = itemPosition;
        break;
    }
    return step;
}
} // namespace GrabberGeometry
