#pragma once

#include "core/covering/CoveringModel.h"
#include "core/covering/SoftEdge.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QSize>

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

// Composes every output image in use, in Format_ARGB32 of the output size, on
// the background, from the placed image and the records, spreading the outputs
// over the processor's cores. With soft edges blended into the images, each
// image is then darkened across its overlaps (see SoftEdge). Entries beyond the grid become null. Returns
// false, with io_Results untouched, when an output image cannot be made.
// Images of io_Results that nothing else shares are reused in place.
bool ComposeOutputImages(const QImage& i_Placed, const Input& i_Input, const RecordTable& i_Records,
                         ImageTable& io_Results);

// The whole computation of a refresh after the crop: records, placed image,
// composition. False (results and records untouched) when an image cannot be
// made.
bool ComputeOutputImages(const QImage& i_CroppedSource, const Input& i_Input, ImageTable& io_Results,
                         RecordTable* o_Records = nullptr);

} // namespace CoveringEngine
