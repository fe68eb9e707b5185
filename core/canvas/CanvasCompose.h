#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>

#include <vector>

// Widget-free work of custom canvas mode: the crop, the placement of the
// cropped image on the screen and the composition of the screen image. The
// canvas page reads its controls into an Input and calls these; a program
// without a window can compose a canvas the same way.
namespace CanvasEngine {

enum BackgroundMode
{
    BackgroundColor = 0,
    BackgroundTransparent = 1
};
enum ImageSizeMode
{
    SizeFullScreen = 0,
    SizeOriginal = 1,
    SizeCustom = 2
};
enum ImagePositionMode
{
    PositionCentered = 0,
    PositionCustom = 1
};
enum CropSide
{
    CropLeft = 0,
    CropTop = 1,
    CropRight = 2,
    CropBottom = 3
};

// What one composition reads.
struct Input
{
    int screenWidth = 1920;
    int screenHeight = 1080;
    // Size and top-left corner of the placed image on the screen.
    int imageWidth = 1920;
    int imageHeight = 1080;
    int imageX = 0;
    int imageY = 0;
    // The fill: the chosen colour, or Qt::transparent.
    QColor background = Qt::white;
};

// The value a crop margin may keep on an image of i_Extent pixels when the
// opposite margin is i_Opposite: a crop may take the whole extent, never more.
int ClampedCrop(int i_Value, int i_Opposite, int i_Extent);

// Size of the placed image for a size mode: the screen, the cropped image
// (unchanged without one) or the custom size. False for an unknown mode.
bool PlacedSize(int i_Mode, const QSize& i_Screen, const QImage& i_Cropped, const QSize& i_Custom, QSize& io_Size);

// Top-left corner of an image centred on the screen; each half is truncated
// on its own, so an image larger than the screen gets a negative position.
QPoint CenteredPosition(const QSize& i_Screen, const QSize& i_Image);

// True when a screen of this size can be held.
bool ScreenFits(int i_Width, int i_Height);

// Composes the screen image: screen size, Format_ARGB32, filled with the
// background, with the cropped image stretched fast (nearest pixel) to the
// image size and drawn over it at the image position, clipped to the screen.
// Every pixel is what the toolkit's fast scaling and painter give; the work
// is arranged to be quick when one setting changes at a time: the stretched
// image is kept while the picture and its size stay, and the buffers are
// reused while their sizes stay.
class Composer
{
public:
    // False, with io_Screen untouched, when the screen cannot be held.
    // io_Screen's buffer is reused when it has the right size and nothing
    // else shares it.
    bool Compose(const QImage& i_Cropped, const Input& i_Input, QImage& io_Screen);

    // Whether ComposePart paints the whole screen for this picture (one with
    // alpha, or in a format of other words, that shows on the screen).
    bool NeedsScreen(const QImage& i_Cropped, const Input& i_Input);

    // The part i_Rect of the screen image Compose makes (0 outside the
    // screen), in Format_ARGB32, made from the picture's pixels that fall
    // into it. Opaque pictures need no image larger than the part; others
    // are composed on the whole screen, and false tells that it cannot be
    // held. May not be called from several threads at once.
    bool ComposePart(const QImage& i_Cropped, const Input& i_Input, const QRect& i_Rect, QImage& o_Part);

    // Forgets the stretched image, so that the next composition stretches
    // again (for measuring).
    void DropCache();

private:
    bool Stretch(const QImage& i_Cropped, const QSize& i_Size);
    // Whether the picture is opaque: its pixels (in a format whose words are
    // 0xAARRGGBB, m_Copied) are then copied, each from the source pixel that
    // the toolkit's fast stretch takes (see Maps), with no stretched image.
    bool CopiesPixels(const QImage& i_Cropped);
    bool Maps(const QImage& i_Cropped, const QSize& i_Size);
    void CopyRows(const QImage& i_Cropped, const QRect& i_Placed, const QSize& i_Screen, const QRect& i_Part,
                  QRgb i_Fill, uchar* o_Bits, qsizetype i_Stride) const;

    QImage m_Stretched;
    qint64 m_StretchedKey = 0;
    bool m_StretchedValid = false;
    qint64 m_OpaqueKey = 0;
    bool m_OpaqueValid = false;
    bool m_Opaque = false;
    QImage m_Copied; // the picture whose pixels are copied (see CopiesPixels)
    // For each column and row of the stretched picture, the source's.
    std::vector<int> m_XMap;
    std::vector<int> m_YMap;
    qint64 m_MapsKey = 0;
    QSize m_MapsSize;
    bool m_MapsValid = false;
};

} // namespace CanvasEngine

// The source without its margins: the source itself when all are 0,
// otherwise the toolkit's copy of the rectangle that remains.
void HelpersCompute_ComputeCropping(QImage i_Source, unsigned int i_Left, unsigned int i_Top, unsigned int i_Right,
                                    unsigned int i_Bottom, QImage* o_Result);
