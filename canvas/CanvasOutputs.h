#pragma once

#include <QColor>
#include <QList>
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

} // namespace CanvasOutputs
