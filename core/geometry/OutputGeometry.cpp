#include "core/geometry/OutputGeometry.h"

#include <QTransform>

#include <cmath>

namespace OutputGeometry {

int KnownRotation(int i_Degrees)
{
    return i_Degrees == 90 || i_Degrees == 180 || i_Degrees == 270 ? i_Degrees : 0;
}

int KnownMirror(int i_Mirror)
{
    return i_Mirror == MirrorHorizontal || i_Mirror == MirrorVertical ? i_Mirror : MirrorNone;
}

QSize FileSize(const QSize& i_Part, const Orientation& i_Orientation)
{
    return i_Orientation.rotation % 180 ? i_Part.transposed() : i_Part;
}

QImage Orient(const QImage& i_Part, const Orientation& i_Orientation)
{
    if (i_Part.isNull() || i_Orientation.IsUpright())
        return i_Part;
    QImage image = i_Part;
    // Quarter turns have exact matrices, which the toolkit turns by moving
    // pixels rather than resampling.
    if (i_Orientation.rotation)
        image = image.transformed(QTransform().rotate(360 - i_Orientation.rotation));
    if (image.isNull())
        return image;
    if (i_Orientation.mirror == MirrorHorizontal)
        image = image.mirrored(true, false);
    else if (i_Orientation.mirror == MirrorVertical)
        image = image.mirrored(false, true);
    return image;
}

QImage ToDevice(const QImage& i_Part, const QSize& i_Device)
{
    if (i_Part.isNull() || i_Device.isEmpty() || i_Device == i_Part.size())
        return i_Part;
    return i_Part.scaled(i_Device, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QSize DeviceSize(const QSize& i_Rect, const QSize& i_Device)
{
    return QSize(i_Device.width() > 0 ? i_Device.width() : i_Rect.width(),
                 i_Device.height() > 0 ? i_Device.height() : i_Rect.height());
}

QImage OutputFile(const QImage& i_Part, const QSize& i_Device, const Orientation& i_Orientation)
{
    return Orient(ToDevice(i_Part, i_Device), i_Orientation);
}

bool Panel::operator==(const Panel& o) const
{
    return width == o.width && height == o.height && bezelLeft == o.bezelLeft && bezelRight == o.bezelRight
        && bezelTop == o.bezelTop && bezelBottom == o.bezelBottom;
}

Coverings BezelCoverings(const Panel& i_Panel, const QSize& i_Output)
{
    const auto hidden = [](double i_Frames, int i_Pixels, double i_Length) {
        return i_Length > 0.0 ? -int(std::lround(i_Frames * i_Pixels / i_Length)) : 0;
    };
    return {hidden(i_Panel.bezelRight + i_Panel.bezelLeft, i_Output.width(), i_Panel.width),
            hidden(i_Panel.bezelBottom + i_Panel.bezelTop, i_Output.height(), i_Panel.height)};
}

} // namespace OutputGeometry
