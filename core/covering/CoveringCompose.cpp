#include "core/covering/CoveringCompose.h"

#include "core/imaging/HugePages.h"
#include "core/imaging/ImageLimits.h"
#include "core/imaging/ParallelFor.h"
#include "core/imaging/SmoothScale.h"

#include <QPainter>
#include <QRect>
#include <QVector>

#include <algorithm>
#include <cstring>

namespace CoveringEngine {

namespace {

// Screen coordinates are computed in 64 bits so that no input, however odd,
// overflows; the records keep the 32-bit values the page shows.
int Narrow(qint64 value)
{
    return static_cast<int>(std::max<qint64>(INT_MIN, std::min<qint64>(INT_MAX, value)));
}

qint64 OutputLeft(const Input& in, int scW)
{
    const int offset = scW >= 0 && scW < kGridSize ? in.columnOffsets[scW] : 0;
    return qint64(scW) * in.outputWidth - offset;
}

qint64 OutputTop(const Input& in, int scH)
{
    const int offset = scH >= 0 && scH < kGridSize ? in.rowOffsets[scH] : 0;
    return qint64(scH) * in.outputHeight - offset;
}

} // namespace

bool imgSizePosOnScreen::operator==(const imgSizePosOnScreen& o) const
{
    return dstLeft == o.dstLeft && dstTop == o.dstTop && dstRight == o.dstRight && dstBottom == o.dstBottom
        && srcLeft == o.srcLeft && srcTop == o.srcTop && srcRight == o.srcRight && srcBottom == o.srcBottom
        && outputWidth == o.outputWidth && outputHeight == o.outputHeight;
}

ImageTable EmptyImageTable()
{
    ImageTable table;
    for (int i = 0; i < kGridSize; ++i) {
        QList<QImage> column;
        for (int j = 0; j < kGridSize; ++j)
            column.append(QImage());
        table.append(column);
    }
    return table;
}

RecordTable EmptyRecordTable()
{
    RecordTable table;
    for (int i = 0; i < kGridSize; ++i) {
        QList<imgSizePosOnScreen> column;
        for (int j = 0; j < kGridSize; ++j)
            column.append(imgSizePosOnScreen());
        table.append(column);
    }
    return table;
}

QImage CropSource(const QImage& i_Source, int i_Left, int i_Right, int i_Top, int i_Bottom)
{
    const int left = qMax(0, i_Left);
    const int right = qMax(0, i_Right);
    const int top = qMax(0, i_Top);
    const int bottom = qMax(0, i_Bottom);
    if (left == 0 && right == 0 && top == 0 && bottom == 0)
        return i_Source;
    const qint64 width = qint64(i_Source.width()) - left - right;
    const qint64 height = qint64(i_Source.height()) - top - bottom;
    if (i_Source.isNull() || width <= 0 || height <= 0)
        return QImage();
    return i_Source.copy(left, top, int(width), int(height));
}

QImage CropSource(const QImage& i_Source, const Input& i_Input)
{
    return CropSource(i_Source, i_Input.cropLeft, i_Input.cropRight, i_Input.cropTop, i_Input.cropBottom);
}

QSize PlacedSize(const Input& i_Input)
{
    if (i_Input.isFullScreen)
        return QSize(i_Input.coveredWidth, i_Input.coveredHeight);
    if (i_Input.isOriginalSize)
        return QSize(i_Input.imageWidth, i_Input.imageHeight);
    if (i_Input.isCustomSize)
        return QSize(i_Input.customWidth, i_Input.customHeight);
    return QSize(0, 0);
}

void ComputeFullscreenImages(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH)
{
    const qint64 ox0 = OutputLeft(i_Input, scW);
    const qint64 oy0 = OutputTop(i_Input, scH);
    img.outputWidth = i_Input.outputWidth;
    img.outputHeight = i_Input.outputHeight;
    img.dstLeft = 0;
    img.dstTop = 0;
    img.dstRight = i_Input.outputWidth;
    img.dstBottom = i_Input.outputHeight;
    img.srcLeft = Narrow(ox0);
    img.srcTop = Narrow(oy0);
    img.srcRight = Narrow(ox0 + i_Input.outputWidth);
    img.srcBottom = Narrow(oy0 + i_Input.outputHeight);
}

void ComputeOriginalSizeImagesCentered(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH)
{
    // C++ division truncates toward zero, as the placement wants.
    const int imgPosX = Narrow((qint64(i_Input.coveredWidth) - i_Input.imageWidth) / 2);
    const int imgPosY = Narrow((qint64(i_Input.coveredHeight) - i_Input.imageHeight) / 2);
    ComputeImages(i_Input, img, scW, scH, imgPosX, imgPosY, i_Input.imageWidth, i_Input.imageHeight);
}

void ComputeOriginalSizeImagesCustomPos(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH)
{
    ComputeImages(i_Input, img, scW, scH, i_Input.customX, i_Input.customY, i_Input.imageWidth, i_Input.imageHeight);
}

void ComputeCustomSizeImagesCentered(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH)
{
    const int imgPosX = Narrow((qint64(i_Input.coveredWidth) - i_Input.customWidth) / 2);
    const int imgPosY = Narrow((qint64(i_Input.coveredHeight) - i_Input.customHeight) / 2);
    ComputeImages(i_Input, img, scW, scH, imgPosX, imgPosY, i_Input.customWidth, i_Input.customHeight);
}

void ComputeCustomSizeImagesCustomPos(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH)
{
    ComputeImages(i_Input, img, scW, scH, i_Input.customX, i_Input.customY, i_Input.customWidth, i_Input.customHeight);
}

void ComputeImages(const Input& i_Input, imgSizePosOnScreen& img, int scW, int scH, int imgPosX, int imgPosY,
                   int imgWidth, int imgHeight)
{
    const qint64 W = i_Input.outputWidth;
    const qint64 H = i_Input.outputHeight;
    const qint64 ox0 = OutputLeft(i_Input, scW);
    const qint64 oy0 = OutputTop(i_Input, scH);
    const qint64 ox1 = ox0 + W;
    const qint64 oy1 = oy0 + H;
    const qint64 px = imgPosX;
    const qint64 py = imgPosY;
    const qint64 ix1 = px + imgWidth;
    const qint64 iy1 = py + imgHeight;

    img.outputWidth = i_Input.outputWidth;
    img.outputHeight = i_Input.outputHeight;

    img.dstLeft = Narrow(ox1 <= px ? W : (ox0 <= px ? px - ox0 : 0));
    img.dstTop = Narrow(oy1 <= py ? H : (oy0 <= py ? py - oy0 : 0));
    img.dstRight = Narrow(ix1 <= ox0 ? 0 : (ix1 >= ox1 ? W : ix1 - ox0));
    img.dstBottom = Narrow(iy1 <= oy0 ? 0 : (iy1 >= oy1 ? H : iy1 - oy0));

    img.srcLeft = Narrow(ox1 <= px ? W : (ox0 <= px ? 0 : ox0 - px));
    img.srcTop = Narrow(oy1 <= py ? H : (oy0 <= py ? 0 : oy0 - py));
    img.srcRight = Narrow(ix1 <= ox0 ? 0 : (ix1 <= ox1 ? qint64(imgWidth) : ox1 - px));
    img.srcBottom = Narrow(iy1 <= oy0 ? 0 : (iy1 <= oy1 ? qint64(imgHeight) : oy1 - py));
}

RecordTable ComputeResultImages(const Input& i_Input)
{
    RecordTable records = EmptyRecordTable();
    const int columns = qBound(0, i_Input.columnCount, kGridSize);
    const int rows = qBound(0, i_Input.rowCount, kGridSize);
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            imgSizePosOnScreen& record = records[i][j];
            if (i_Input.isFullScreen) {
                ComputeFullscreenImages(i_Input, record, i, j);
            } else if (i_Input.isOriginalSize) {
                if (i_Input.isCentered)
                    ComputeOriginalSizeImagesCentered(i_Input, record, i, j);
                else if (i_Input.isCustomPos)
                    ComputeOriginalSizeImagesCustomPos(i_Input, record, i, j);
            } else if (i_Input.isCustomSize) {
                if (i_Input.isCentered)
                    ComputeCustomSizeImagesCentered(i_Input, record, i, j);
                else if (i_Input.isCustomPos)
                    ComputeCustomSizeImagesCustomPos(i_Input, record, i, j);
            }
        }
    }
    return records;
}

bool MakePlacedImage(const QImage& i_CroppedSource, const QSize& i_PlacedSize, QImage& o_Placed)
{
    if (i_CroppedSource.isNull() || i_PlacedSize.width() <= 0 || i_PlacedSize.height() <= 0) {
        o_Placed = QImage();
        return true;
    }
    if (!ImageFits(i_PlacedSize.width(), i_PlacedSize.height()))
        return false;
    QImage placed = i_CroppedSource.scaled(i_PlacedSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (placed.isNull())
        return false;
    // An opaque scaled image is already what ARGB32 holds, byte for byte;
    // anything else is converted in place when nothing shares it.
    if (placed.format() != QImage::Format_ARGB32 && placed.format() != QImage::Format_RGB32) {
        placed = std::move(placed).convertToFormat(QImage::Format_ARGB32);
        if (placed.isNull())
            return false;
    }
    o_Placed = placed;
    return true;
}

PlacedPicture::PlacedPicture() = default;
PlacedPicture::~PlacedPicture() = default;

bool PlacedPicture::PrepareWhole(const QImage& i_Placed)
{
    m_Scale.reset();
    m_Whole = QImage();
    m_Size = QSize();
    m_Opaque = false;
    if (i_Placed.isNull())
        return true;
    QImage whole = i_Placed;
    if (whole.format() != QImage::Format_ARGB32 && whole.format() != QImage::Format_RGB32) {
        whole = std::move(whole).convertToFormat(QImage::Format_ARGB32);
        if (whole.isNull())
            return false;
    }
    m_Whole = whole;
    m_Size = whole.size();
    m_Opaque = whole.format() == QImage::Format_RGB32;
    return true;
}

bool PlacedPicture::Prepare(const QImage& i_CroppedSource, const QSize& i_PlacedSize)
{
    if (i_CroppedSource.isNull() || i_PlacedSize.width() <= 0 || i_PlacedSize.height() <= 0)
        return PrepareWhole(QImage());
    if (i_PlacedSize == i_CroppedSource.size()) // not scaled at all
        return PrepareWhole(i_CroppedSource);
    if (!SmoothScale::TakesScaler(i_CroppedSource, i_PlacedSize)) {
        // The toolkit's painter scales these: made whole, as it makes them.
        QImage placed;
        return MakePlacedImage(i_CroppedSource, i_PlacedSize, placed) && PrepareWhole(placed);
    }
    // Pictures with alpha are scaled premultiplied, then converted back.
    QImage source = i_CroppedSource;
    if (source.format() == QImage::Format_ARGB32) {
        source = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (source.isNull())
            return false;
    }
    PrepareWhole(QImage());
    m_Scale.reset(new SmoothScale(source, i_PlacedSize));
    m_Size = i_PlacedSize;
    m_Opaque = source.format() == QImage::Format_RGB32;
    m_Unpremultiply = !m_Opaque;
    return true;
}

void PlacedPicture::Read(const QRect& i_Rect, uchar* o_Pixels, qsizetype i_Stride) const
{
    if (i_Rect.isEmpty())
        return;
    if (m_Scale) {
        m_Scale->Scale(i_Rect, o_Pixels, i_Stride);
        if (m_Unpremultiply)
            for (int y = 0; y < i_Rect.height(); ++y)
                SmoothScale::UnpremultiplyRow(reinterpret_cast<QRgb*>(o_Pixels + y * i_Stride), i_Rect.left(),
                                              i_Rect.right() + 1, m_Size.width());
        return;
    }
    for (int y = 0; y < i_Rect.height(); ++y)
        std::memcpy(o_Pixels + y * i_Stride, m_Whole.constScanLine(i_Rect.top() + y) + i_Rect.left() * 4,
                    size_t(i_Rect.width()) * 4);
}

QImage PlacedPicture::Copy(const QRect& i_Rect) const
{
    if (IsWhole())
        return m_Whole.copy(i_Rect);
    QImage copy(i_Rect.size(), m_Opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (copy.isNull())
        return copy;
    const QRect inside = i_Rect & QRect(QPoint(0, 0), m_Size);
    if (inside != i_Rect)
        copy.fill(0);
    Read(inside,
         copy.bits() + (inside.top() - i_Rect.top()) * copy.bytesPerLine() + (inside.left() - i_Rect.left()) * 4,
         copy.bytesPerLine());
    return copy;
}

namespace {

struct ComposeJob
{
    const PlacedPicture* placed = nullptr;
    imgSizePosOnScreen record;
    QRgb background = 0;
    bool transparent = false;
};

void FillSpan(QRgb* line, int from, int to, QRgb value)
{
    if (to > from)
        std::fill(line + from, line + to, value);
}

// Fills what of row y of an output W wide lies outside [x0, x1) x [y0, y1)
// with the background; true when the row has pixels of the picture.
bool FillAround(QRgb* line, int y, int W, qint64 x0, qint64 x1, qint64 y0, qint64 y1, QRgb background)
{
    if (y < y0 || y >= y1) {
        FillSpan(line, 0, W, background);
        return false;
    }
    FillSpan(line, 0, int(x0), background);
    FillSpan(line, int(x1), W, background);
    return true;
}

// What the painter blends on: the output's own pixels. A colour canvas is an
// opaque RGB32 surface, and blending onto ARGB32 instead rounds differently,
// leaving some channels one level off; so on an opaque colour the pixels are
// seen as RGB32.
QImage PaintSurface(QImage& out, const ComposeJob& job)
{
    const bool opaque = !job.transparent && qAlpha(job.background) == 255;
    return QImage(out.bits(), out.width(), out.height(), out.bytesPerLine(),
                  opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
}

// The rare case of a record whose source and destination sizes differ: the
// piece is cut (transparent outside the placed image), stretched fast and
// drawn over the background, as the composition is defined.
void ComposeStretched(const ComposeJob& job, QImage& out, int clipWidth, int clipHeight)
{
    const imgSizePosOnScreen& r = job.record;
    QImage piece = job.placed->Copy(QRect(r.srcLeft, r.srcTop, r.srcRight - r.srcLeft, r.srcBottom - r.srcTop));
    if (piece.isNull())
        return;
    piece = piece.scaled(r.dstRight - r.dstLeft, r.dstBottom - r.dstTop, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (piece.isNull())
        return;
    QImage surface = PaintSurface(out, job);
    QPainter painter(&surface);
    painter.setClipRect(0, 0, clipWidth, clipHeight);
    painter.drawImage(QPoint(r.dstLeft, r.dstTop), piece);
}

// False when a piece of the picture could not be made.
bool ComposeOne(const ComposeJob& job, QImage& out)
{
    const int W = out.width();
    const int H = out.height();
    const PlacedPicture& placed = *job.placed;
    const imgSizePosOnScreen& r = job.record;

    // Only the part of the output that the record's canvas covers is drawn on.
    const int clipWidth = qBound(0, r.outputWidth, W);
    const int clipHeight = qBound(0, r.outputHeight, H);
    const qint64 dw = qint64(r.dstRight) - r.dstLeft;
    const qint64 dh = qint64(r.dstBottom) - r.dstTop;
    const qint64 sw = qint64(r.srcRight) - r.srcLeft;
    const qint64 sh = qint64(r.srcBottom) - r.srcTop;
    const bool drawn = !placed.IsNull() && dw > 0 && dh > 0 && sw > 0 && sh > 0;

    if (drawn && (dw != sw || dh != sh)) {
        out.fill(job.background);
        ComposeStretched(job, out, clipWidth, clipHeight);
        return true;
    }

    // Destination rectangle [x0, x1) x [y0, y1) of pixels taken from the placed
    // image: the record's rectangle limited to the placed image and the canvas.
    // Placed pixel = destination pixel + (offX, offY).
    qint64 x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    const qint64 offX = qint64(r.srcLeft) - r.dstLeft;
    const qint64 offY = qint64(r.srcTop) - r.dstTop;
    if (drawn) {
        x0 = std::max<qint64>({r.dstLeft, -offX, 0});
        x1 = std::min<qint64>({r.dstRight, placed.Size().width() - offX, clipWidth});
        y0 = std::max<qint64>({r.dstTop, -offY, 0});
        y1 = std::min<qint64>({r.dstBottom, placed.Size().height() - offY, clipHeight});
    }
    if (x1 <= x0 || y1 <= y0) {
        out.fill(job.background);
        return true;
    }
    const int span = int(x1 - x0);
    const QRect piece(int(x0 + offX), int(y0 + offY), span, int(y1 - y0));

    if (placed.IsOpaque()) {
        // Opaque pixels drawn over anything are themselves: they are made
        // straight into the output.
        placed.Read(piece, out.bits() + y0 * out.bytesPerLine() + x0 * 4, out.bytesPerLine());
        for (int y = 0; y < H; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
            if (FillAround(line, y, W, x0, x1, y0, y1, job.background))
                for (int x = int(x0); x < int(x1); ++x)
                    line[x] |= 0xff000000u;
        }
        return true;
    }

    // Pictures with alpha are read a row at a time.
    QImage pixels(span, 1, QImage::Format_ARGB32);
    if (pixels.isNull())
        return false;
    QImage surface;
    QPainter* painter = nullptr;
    for (int y = 0; y < H; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        if (!FillAround(line, y, W, x0, x1, y0, y1, job.background))
            continue;
        placed.Read(QRect(piece.left(), piece.top() + int(y - y0), span, 1), pixels.bits(), pixels.bytesPerLine());
        const QRgb* from = reinterpret_cast<const QRgb*>(pixels.constBits());
        QRgb* to = line + x0;
        if (job.transparent) {
            // Nothing lies below: the source pixels, alpha included, stay as they are.
            std::memcpy(to, from, size_t(span) * sizeof(QRgb));
            continue;
        }
        QRgb alphaAnd = 0xff000000u;
        for (int x = 0; x < span; ++x)
            alphaAnd &= from[x];
        if (alphaAnd == 0xff000000u) {
            std::memcpy(to, from, size_t(span) * sizeof(QRgb));
            continue;
        }
        // Pixels with alpha blend over the colour, the painter's way.
        FillSpan(to, 0, span, job.background);
        if (!painter) {
            surface = PaintSurface(out, job);
            painter = new QPainter(&surface);
        }
        painter->drawImage(QRect(int(x0), y, span, 1), pixels);
    }
    delete painter;
    return true;
}

QRgb Background(const Input& i_Input)
{
    return i_Input.isTransparent ? 0u : i_Input.backgroundColor.rgba();
}

} // namespace

bool ComposeOutput(const PlacedPicture& i_Placed, const Input& i_Input, const imgSizePosOnScreen& i_Record,
                   int i_Column, int i_Row, QImage& io_Image)
{
    const int W = i_Input.outputWidth;
    const int H = i_Input.outputHeight;
    if (!ImageFits(W, H))
        return false;
    if (!(io_Image.isDetached() && io_Image.width() == W && io_Image.height() == H
          && io_Image.format() == QImage::Format_ARGB32)) {
        io_Image = QImage(W, H, QImage::Format_ARGB32);
        if (io_Image.isNull())
            return false;
    }
    ComposeJob job;
    job.placed = &i_Placed;
    job.record = i_Record;
    job.background = Background(i_Input);
    job.transparent = i_Input.isTransparent;
    if (!ComposeOne(job, io_Image))
        return false;
    if (i_Input.softEdge.BlendsImages())
        SoftEdge::Blend(io_Image, SoftEdge::OutputFactors(i_Input, i_Input.softEdge, i_Column, i_Row));
    return true;
}

bool ComposeOutputImages(const PlacedPicture& i_Placed, const Input& i_Input, const RecordTable& i_Records,
                         ImageTable& io_Results)
{
    const int columns = qBound(0, i_Input.columnCount, kGridSize);
    const int rows = qBound(0, i_Input.rowCount, kGridSize);
    const int W = i_Input.outputWidth;
    const int H = i_Input.outputHeight;
    if (columns * rows > 0 && !ImageFits(W, H))
        return false;

    // Every image is made before any pixel is written, so a failure leaves
    // the caller's table as it was. An image that only the caller holds, of
    // the right size, is written over instead of allocating a new one.
    ImageTable fresh = EmptyImageTable();
    QList<bool> reuse;
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            const QImage* old = i < io_Results.size() && j < io_Results[i].size() ? &io_Results[i][j] : nullptr;
            const bool reusable = old && old->isDetached() && old->width() == W && old->height() == H
                && old->format() == QImage::Format_ARGB32;
            reuse.append(reusable);
            if (!reusable) {
                fresh[i][j] = QImage(W, H, QImage::Format_ARGB32);
                if (fresh[i][j].isNull())
                    return false;
                AdviseHugePages(fresh[i][j].bits(), size_t(fresh[i][j].sizeInBytes()));
            }
        }
    }
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j)
            if (reuse[i * rows + j])
                fresh[i][j].swap(io_Results[i][j]);
    io_Results = EmptyImageTable(); // drop what is no longer needed before writing

    // The workers get plain pointers: the lists themselves are not touched
    // from several threads. Each writes its own image only.
    QVector<QImage*> targets;
    QVector<const imgSizePosOnScreen*> jobRecords;
    const imgSizePosOnScreen noRecord;
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            targets.append(&fresh[i][j]);
            const bool known = i < i_Records.size() && j < i_Records.at(i).size();
            jobRecords.append(known ? &i_Records.at(i).at(j) : &noRecord);
        }
    }
    QVector<char> done(targets.size(), 0);
    ParallelFor(targets.size(), [&](int index) {
        done[index] = ComposeOutput(i_Placed, i_Input, *jobRecords[index], index / rows, index % rows, *targets[index]);
    });
    if (done.contains(0))
        return false;
    io_Results = fresh;
    return true;
}

bool ComputeOutputImages(const QImage& i_CroppedSource, const Input& i_Input, ImageTable& io_Results,
                         RecordTable* o_Records)
{
    const RecordTable records = ComputeResultImages(i_Input);
    PlacedPicture placed;
    if (!placed.Prepare(i_CroppedSource, PlacedSize(i_Input)))
        return false;
    if (!ComposeOutputImages(placed, i_Input, records, io_Results))
        return false;
    if (o_Records)
        *o_Records = records;
    return true;
}

} // namespace CoveringEngine
