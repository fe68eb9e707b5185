#pragma once

#include "core/covering/CoveringModel.h"
#include "core/covering/SoftEdge.h"
#include "core/geometry/OutputGeometry.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QSize>

#include <memory>

class SmoothScale;

// Widget-free arithmetic and pixel work of covering mode: cropping the
// source, one placement record per output, and the composition of every
// output image. The covering page copies its controls into an Input and
// calls these functions; the tests call them directly.
namespace CoveringEngine {

// Outputs per direction the tables are sized for.
constexpr int kGridSize = CoveringModel::MaxCount;

// Where the placed image lands in one output and which part of it is taken.
// Right and bottom edges are exclusive. Ten 32-bit fields, in this order.
struct imgSizePosOnScreen
{
    int dstLeft = 0;
    int dstTop = 0;
    int dstRight = 0;
    int dstBottom = 0;
    int srcLeft = 0;
    int srcTop = 0;
    int srcRight = 0;
    int srcBottom = 0;
    int outputWidth = 0;
    int outputHeight = 0;

    bool operator==(const imgSizePosOnScreen& other) const;
    bool operator!=(const imgSizePosOnScreen& other) const { return !(*this == other); }
};

// [column][row], kGridSize x kGridSize.
typedef QList<QList<imgSizePosOnScreen>> RecordTable;
typedef QList<QList<QImage>> ImageTable;

// Everything a refresh reads: the screen model, the source's size and
// margins, the placement and the background. The page keeps one of these as
// its working values and the engine reads it as it stands.
struct Input : CoveringModel
{
    // Source: size of the loaded image before cropping, and the margins.
    int imageWidth = 0;
    int imageHeight = 0;
    int cropLeft = 0;
    int cropRight = 0;
    int cropTop = 0;
    int cropBottom = 0;

    // Placement: one size flag and, unless full screen, one position flag.
    bool isFullScreen = true;
    bool isOriginalSize = false;
    bool isCustomSize = false;
    bool isCentered = true;
    bool isCustomPos = false;
    int customWidth = 0;
    int customHeight = 0;
    int customX = 0;
    int customY = 0;

    // Background.
    QColor backgroundColor = Qt::white;
    bool isTransparent = false;

    // Soft edges in the overlaps; off unless asked for.
    SoftEdge::Settings softEdge;

    // How the grid's panels are mounted, all alike: the files follow it,
    // the composition and the preview do not.
    OutputGeometry::Orientation orientation;
};

ImageTable EmptyImageTable();
RecordTable EmptyRecordTable();

// The source without its margins: the source itself when every margin is 0,
// a null image when nothing is left. Negative margins count as 0.
QImage CropSource(const QImage& i_Source, int i_Left, int i_Right, int i_Top, int i_Bottom);
QImage CropSource(const QImage& i_Source, const Input& i_Input);

// Size of the image on the covered screen: the covered size, the size of the
// loaded image before cropping, or the custom size, by the first flag set.
QSize PlacedSize(const Input& i_Input);

// Records of output column scW, row scH.
void ComputeFullscreenImages(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH);
void ComputeOriginalSizeImagesCentered(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH);
void ComputeOriginalSizeImagesCustomPos(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH);
void ComputeCustomSizeImagesCentered(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH);
void ComputeCustomSizeImagesCustomPos(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH);
// Intersection of output (scW, scH) with an image placed at (imgPosX, imgPosY)
// of imgWidth x imgHeight on the covered screen.
void ComputeImages(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH, int imgPosX, int imgPosY,
                   int imgWidth, int imgHeight);

// A fresh kGridSize x kGridSize table with the record of every output in use.
RecordTable ComputeResultImages(const Input& i_Input);

// Scales the cropped source smoothly to i_PlacedSize. The result is in
// Format_ARGB32, or in Format_RGB32 when the source has no alpha (its pixels
// are then those of Format_ARGB32). A null source or a size without area
// gives a null image and true. False when the image cannot be made (too large
// or out of memory); o_Placed is then untouched.
bool MakePlacedImage(const QImage& i_CroppedSource, const QSize& i_PlacedSize, QImage& o_Placed);

// The placed image (the cropped source scaled to its placed size, as
// MakePlacedImage makes it), read one rectangle at a time: where the
// scaling can be made in parts, only the pixels asked for are ever made,
// and no image as large as the placed one is held. Reading may happen on
// several threads at once.
class PlacedPicture
{
public:
    PlacedPicture();
    ~PlacedPicture();
    PlacedPicture(const PlacedPicture&) = delete;
    PlacedPicture& operator=(const PlacedPicture&) = delete;

    // False when an image it needs cannot be made (too large or out of
    // memory). A null source or a size without area gives a null picture.
    bool Prepare(const QImage& i_CroppedSource, const QSize& i_PlacedSize);
    // The placed image itself, made whole (for pictures the toolkit's
    // painter scales, and for measuring).
    bool PrepareWhole(const QImage& i_Placed);

    bool IsNull() const { return m_Size.isEmpty(); }
    QSize Size() const { return m_Size; }
    // Pixels are Format_RGB32 (opaque), else Format_ARGB32.
    bool IsOpaque() const { return m_Opaque; }
    // True when the whole placed image is held (see Prepare).
    bool IsWhole() const { return !m_Whole.isNull(); }

    // Writes i_Rect of the placed image (inside it) to o_Pixels, rows
    // i_Stride bytes apart.
    void Read(const QRect& i_Rect, uchar* o_Pixels, qsizetype i_Stride) const;
    // What QImage::copy gives of the placed image: pixels outside it are 0.
    QImage Copy(const QRect& i_Rect) const;

private:
    QSize m_Size;
    bool m_Opaque = false;
    bool m_Unpremultiply = false;
    QImage m_Whole;
    std::unique_ptr<SmoothScale> m_Scale;
};

// Composes one output image in use, of the output size in Format_ARGB32, on
// the background, from the placed picture and the output's record; with
// soft edges blended into the images, the image is then darkened across its
// overlaps (see SoftEdge). io_Image is reused when it has the right size and
// format and nothing else shares it. False when the image cannot be made.
bool ComposeOutput(const PlacedPicture& i_Placed, const Input& i_Input, const imgSizePosOnScreen& i_Record,
                   int i_Column, int i_Row, QImage& io_Image);

// Composes every output image in use, spreading the outputs over the
// processor's cores. Entries beyond the grid become null. Returns false
// when an output image cannot be made: io_Results is then untouched, unless
// memory ran out part way (then it is emptied). Images of io_Results that
// nothing else shares are reused in place.
bool ComposeOutputImages(const PlacedPicture& i_Placed, const Input& i_Input, const RecordTable& i_Records,
                         ImageTable& io_Results);

// The whole computation of a refresh after the crop: records, placed image,
// composition. False (results and records untouched) when an image cannot be
// made.
bool ComputeOutputImages(const QImage& i_CroppedSource, const Input& i_Input, ImageTable& io_Results,
                         RecordTable* o_Records = nullptr);

} // namespace CoveringEngine
