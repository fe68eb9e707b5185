#pragma once

#include <QPointF>

// Where the eight resize handles of an output rectangle sit and how a drag
// of one of them reshapes the rectangle. Kept free of any item so the rules
// can be checked on their own.
//
// Handles are numbered clockwise from the top-left corner:
//   0 top-left, 1 top middle, 2 top-right, 3 right middle,
//   4 bottom-right, 5 bottom middle, 6 bottom-left, 7 left middle.
namespace GrabberGeometry {
// Side of a handle's square box; its centre lies on the corner or edge middle.
constexpr int GrabberSize = 30;
constexpr int GrabberCount = 8;

// Top-left corner of handle `number`'s box in the rectangle's coordinates,
// for a rectangle of the given size. Edge middles use integer halves.
// A number outside 0..7 gives (0, 0).
QPointF GrabberPosition(long long number, long long width, long long height);

// How the handle's drag distance enters the width (X) and the height (Y):
// +1 for a left/top handle, -1 for a right/bottom one, 0 for an edge middle
// across it, and 0 for both when the number is outside 0..7.
int GrabberFactorX(long long number);
int GrabberFactorY(long long number);

struct ResizeStep
{
    long long width = 0;
    long long height = 0;
    QPointF itemPosition; // where the rectangle's top-left corner goes
};

// One drag step of handle `number`. `pressPosition` is where the press hit
// the handle and `mousePosition` where the mouse is now, both in the
// handle's own coordinates. The distance is truncated toward zero to whole
// pixels; since the handle follows the edge it drags, the dropped fraction
// shows up again in the next step. The size never drops below 1 and the
// edges opposite the handle never move.
ResizeStep ComputeResizeStep(long long number, long long width, long long height, const QPointF& itemPosition,
                             const QPointF& pressPosition, const QPointF& mousePosition);
} // namespace GrabberGeometry
