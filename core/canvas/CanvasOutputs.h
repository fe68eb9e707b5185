#pragma once

#include "core/patterns/Patterns.h"

#include <QColor>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

// Rules of the canvas outputs that need no widget: the colour palette, the
// label proposed for the next output and which output controls can be used.
namespace CanvasOutputs {

constexpr int kMaxOutputs = 16;

// The sixteen output colours, in the order new outputs take them.
QList<QColor> Palette();

// The first palette colour no existing output has; invalid when all are taken.
QColor FreeColour(const QList<QColor>& i_Palette, const QList<QColor>& i_Used);

// "Output n" for the lowest n from 1 that no output is labelled with;
// "Output label" when all 9998 are taken.
QString ProposedLabel(const QStringList& i_Taken);

// Adding needs an image and room for one more output; the other output
// controls (remove, reset, position, size, save) need an image and an output.
struct ControlStates
{
    bool add = false;
    bool others = false;
};
ControlStates OutputControlStates(bool i_HasImage, int i_OutputCount);

// Where output number i_ID goes by default: a third of the screen in each
// direction, the sixteen places cascading from the top left, centred.
QRect DefaultRect(int i_ID, const QSize& i_Screen);

// The rectangle an output keeps when the screen changes: its own when it
// lies inside the screen, else its default place.
QRect KeptOrDefaultRect(const QRectF& i_Current, int i_ID, const QSize& i_Screen);

// A rectangle dragged by its body keeps its size and is pushed back inside
// the screen; one dragged by a handle is clipped to the screen.
QRect PushedInside(const QRect& i_Rect, const QSize& i_Screen);
QRect ClippedToScreen(const QRect& i_Rect, const QSize& i_Screen);

// A typed position or size that does not fit the screen is corrected one
// value at a time: the value to write back, or None when the rectangle can
// take the values as they are.
enum class Field
{
    None,
    X,
    Y,
    Width,
    Height
};
struct Correction
{
    Field field = Field::None;
    int value = 0;
};
Correction PositionCorrection(const QRect& i_Values, const QSize& i_Screen);
Correction SizeCorrection(const QRect& i_Values, const QSize& i_Screen);

// The nine position buttons (0 top left .. 8 bottom right; other ids are 0)
// and the four size buttons (0 quarter, 1 full height, 2 full width, 3 full
// screen; other ids keep the rectangle).
QPoint ButtonPosition(int i_ID, const QSize& i_Screen, const QSize& i_Output);
QRect ButtonSize(int i_ID, const QSize& i_Screen, const QRect& i_Output);

// The line-up patterns of outputs placed freely on the screen: they may
// pile up anywhere, so each pattern carries its own output's marks.
Patterns::Layout PatternLayout(const QSize& i_Screen, const QList<Patterns::Output>& i_Outputs);

} // namespace CanvasOutputs
