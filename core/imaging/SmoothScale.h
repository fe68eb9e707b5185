#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <vector>

// Smooth scaling of a whole image to another size, as the toolkit scales
// 32-bit images (QImage::scaled with Qt::SmoothTransformation), but made one
// rectangle of the result at a time: each pixel of the result depends on a
// few source pixels only, so an output of a wall can be scaled from the part
// of the picture it shows, without a picture as large as the wall.
class SmoothScale
{
public:
    // i_Source: Format_RGB32 or Format_ARGB32_Premultiplied (the formats the
    // toolkit scales without converting); anything else is refused
    // (IsValid() false). The source is shared, not copied.
    SmoothScale(const QImage& i_Source, const QSize& i_Target);

    bool IsValid() const { return m_Valid; }
    QSize Target() const { return QSize(m_Width, m_Height); }

    // Writes the pixels of i_Rect of the scaled image (which must lie inside
    // it) to o_Pixels, row after row, i_Stride bytes apart: exactly what the
    // toolkit's scaled image holds there. May be called from several
    // threads at once.
    void Scale(const QRect& i_Rect, uchar* o_Pixels, qsizetype i_Stride) const;

    // What QImage::scaled(size, Qt::IgnoreAspectRatio,
    // Qt::SmoothTransformation) takes this road for: a source whose scaled
    // pixels come from the scaling above, in the same format, or through
    // Format_ARGB32_Premultiplied for Format_ARGB32 sources (see
    // UnpremultiplyRow). Other sources are scaled by the toolkit's painter
    // and cannot be made in parts.
    static bool TakesScaler(const QImage& i_Source, const QSize& i_Target);

    // Turns premultiplied pixels [i_From, i_To) of a row i_RowWidth wide
    // into Format_ARGB32 in place, as the toolkit converts a whole image's
    // row: its conversion treats the row in groups from the row's start, so
    // a part of the row is converted in the same groups.
    static void UnpremultiplyRow(QRgb* io_Pixels, int i_From, int i_To, int i_RowWidth);

private:
    QImage m_Source;
    int m_Width = 0;
    int m_Height = 0;
    bool m_Valid = false;
    bool m_Alpha = false;
    bool m_UpX = false;
    bool m_UpY = false;
    std::vector<int> m_XPoints;
    std::vector<int> m_XWeights;
    std::vector<int> m_YPoints;
    std::vector<int> m_YWeights;
};
