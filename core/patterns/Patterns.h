#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// Line-up patterns: one picture per output to align the projectors with.
// Everything is drawn in screen coordinates and each output's pattern is the
// part of that drawing under the output, cut exactly as the pictures are, so
// that lines continue from one output into the next. Text uses a built-in
// pixel font, so the files are the same on every machine, with or without a
// window system.
namespace Patterns {

// The colours of the drawing (opaque).
constexpr QRgb kBackground = 0xff000000u;
constexpr QRgb kGrid = 0xff505050u;         // a line every 100 screen pixels
constexpr QRgb kScreenMarks = 0xffffd200u;  // the screen's centre cross and circle
constexpr QRgb kOutputBorder = 0xffff3030u; // each output's edges
constexpr QRgb kOutputCross = 0xff00d8ffu;  // each output's centre cross
constexpr QRgb kText = 0xffffffffu;
constexpr QRgb kOverlapShade = 0xff002850u; // overlaps
constexpr QRgb kCornerShade = 0xff004a8cu;  // where overlaps cross

// One output: its rectangle on the screen and the name written on it.
struct Output
{
    QRect rect;
    QString name;
};

// A zone where two outputs (by their index) overlap, shaded, with its width
// in pixels written inside.
struct Overlap
{
    QRect rect;
    int width = 0;
    int first = -1;
    int second = -1;
};

struct Layout
{
    QSize screen;
    QList<Output> outputs;
    QList<Overlap> overlaps;
    // Every output's marks on every pattern where they fall, so that
    // overlapping outputs agree pixel for pixel (a grid of neighbours); else
    // each pattern carries the marks of its own output and overlaps only
    // (outputs placed freely, which may pile up anywhere).
    bool sharedMarks = true;
};

// The overlaps of freely placed outputs: the common rectangle of every two
// that overlap, marked with its narrower side.
QList<Overlap> PairOverlaps(const QList<Output>& i_Outputs);

// The pattern of output i_Index, Format_RGB32 of the output's size:
// - over the whole screen: a 1-pixel grid on every screen row and column
//   that is a multiple of 100, the screen's centre cross and a circle
//   centred on the screen that touches its shorter side;
// - for the outputs (see sharedMarks): a 1-pixel border at their edges,
//   their centre cross, and their name and size in large text, placed away
//   from the overlaps;
// - the overlaps shaded, with their width written inside.
// What lies outside the screen stays background. A null image for an index
// without an output or an output without area.
QImage Draw(const Layout& i_Layout, int i_Index);

} // namespace Patterns
