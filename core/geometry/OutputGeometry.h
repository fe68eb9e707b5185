#pragma once

#include <QImage>
#include <QSize>

// How a wall's panels differ from a plain row of identical landscape
// screens facing the viewer: a panel may be mounted turned or seen through
// a mirror, may have more pixels than its part of the screen, and hides
// part of the picture behind its frame.
namespace OutputGeometry {

enum Mirror
{
    MirrorNone = 0,
    MirrorHorizontal = 1, // left and right swapped
    MirrorVertical = 2,   // top and bottom swapped
};

// How an output's panel is mounted: turned 0, 90, 180 or 270 degrees
// clockwise as the viewer sees it, then mirrored.
struct Orientation
{
    int rotation = 0;
    int mirror = MirrorNone;

    bool IsUpright() const { return rotation == 0 && mirror == MirrorNone; }
    bool operator==(const Orientation& i_Other) const
    {
        return rotation == i_Other.rotation && mirror == i_Other.mirror;
    }
    bool operator!=(const Orientation& i_Other) const { return !(*this == i_Other); }
};

// A saved or typed value as one the program knows: anything else is 0
// (upright) or MirrorNone.
int KnownRotation(int i_Degrees);
int KnownMirror(int i_Mirror);

// The size of an output's file for a part of i_Part pixels: the sides swap
// for a quarter turn.
QSize FileSize(const QSize& i_Part, const Orientation& i_Orientation);

// The image the panel must show so that, once mounted, the part reads
// upright: turned against the mounting, then mirrored. The image itself
// when upright; a null image when memory runs out.
QImage Orient(const QImage& i_Part, const Orientation& i_Orientation);

// The part at the device's resolution, stretched as the canvas composes
// (nearest pixel); the part itself when i_Device is empty or its size.
QImage ToDevice(const QImage& i_Part, const QSize& i_Device);

// The size of an output's file before it is turned: each side of
// i_Device, or where that is 0 (the default), the rectangle's.
QSize DeviceSize(const QSize& i_Rect, const QSize& i_Device);

// Both: what an output's file holds for its part of the screen.
QImage OutputFile(const QImage& i_Part, const QSize& i_Device, const Orientation& i_Orientation);

// The largest panel side and frame the program takes, in millimetres, and
// the largest device side in pixels.
constexpr double kMaxPanelMm = 10000.0;
constexpr int kMaxDeviceSide = 16384;

// A panel of a wall in millimetres: the active area (what shows pixels)
// and the frame around it on each side.
struct Panel
{
    double width = 0.0;
    double height = 0.0;
    double bezelLeft = 0.0;
    double bezelRight = 0.0;
    double bezelTop = 0.0;
    double bezelBottom = 0.0;

    bool operator==(const Panel& i_Other) const;
    bool operator!=(const Panel& i_Other) const { return !(*this == i_Other); }
};

// The coverings of a wall of such panels, each showing i_Output pixels:
// the frames of two neighbours hide the picture between them, so each seam
// gets the negative covering of their widths in pixels,
// -round((right frame + left frame) x pixels per millimetre), and the same
// downwards with the bottom and top frames. 0 for a side without an active
// length.
struct Coverings
{
    int horizontal = 0;
    int vertical = 0;
};
Coverings BezelCoverings(const Panel& i_Panel, const QSize& i_Output);

} // namespace OutputGeometry
