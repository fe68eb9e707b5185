#include "core/canvas/CanvasCompose.h"

#include "core/imaging/ImageLimits.h"
#include "core/imaging/ParallelFor.h"

#include <QPainter>

#include <algorithm>
#include <atomic>
#include <new>

namespace CanvasEngine {

namespace {

// Rows are handed out in bands: enough for every core, few enough to keep
// the hand-out cheap.
constexpr int kBandRows = 64;

template <typename Rows>
void ForEachBand(int i_Height, const Rows& i_Rows)
{
    ParallelFor((i_Height + kBandRows - 1) / kBandRows,
                [&](int band) { i_Rows(band * kBandRows, std::min(i_Height, (band + 1) * kBandRows)); });
}

bool IsOpaque(const QImage& i_Image)
{
    if (!i_Image.hasAlphaChannel())
        return true;
    if (i_Image.format() != QImage::Format_ARGB32 && i_Image.format() != QImage::Format_ARGB32_Premultiplied)
        return false; // other formats with alpha take the painter's road, which is exact anyway
    std::atomic<bool> opaque(true);
    ForEachBand(i_Image.height(), [&](int i_From, int i_To) {
        for (int y = i_From; y < i_To && opaque.load(std::memory_order_relaxed); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(i_Image.constScanLine(y));
            if (!std::all_of(line, line + i_Image.width(), [](QRgb pixel) { return qAlpha(pixel) == 255; }))
                opaque = false;
        }
    });
    return opaque;
}

// The part of the screen the picture covers.
QRect Visible(const QImage& i_Cropped, const Input& i_Input)
{
    const QRect placed(i_Input.imageX, i_Input.imageY, i_Input.imageWidth, i_Input.imageHeight);
    return i_Cropped.isNull() || placed.isEmpty() ? QRect()
                                                  : placed & QRect(0, 0, i_Input.screenWidth, i_Input.screenHeight);
}

} // namespace

int ClampedCrop(int i_Value, int i_Opposite, int i_Extent)
{
    return i_Value > i_Extent - i_Opposite ? i_Extent - i_Opposite : i_Value;
}

bool PlacedSize(int i_Mode, const QSize& i_Screen, const QImage& i_Cropped, const QSize& i_Custom, QSize& io_Size)
{
    switch (i_Mode) {
    case SizeFullScreen:
        io_Size = i_Screen;
        return true;
    case SizeOriginal:
        if (!i_Cropped.isNull())
            io_Size = i_Cropped.size();
        return true;
    case SizeCustom:
        io_Size = i_Custom;
        return true;
    default:
        return false;
    }
}

QPoint CenteredPosition(const QSize& i_Screen, const QSize& i_Image)
{
    return QPoint(i_Screen.width() / 2 - i_Image.width() / 2, i_Screen.height() / 2 - i_Image.height() / 2);
}

bool ScreenFits(int i_Width, int i_Height)
{
    return ImageFits(i_Width, i_Height);
}

void Composer::DropCache()
{
    m_StretchedValid = false;
    m_MapsValid = false;
}

bool Composer::CopiesPixels(const QImage& i_Cropped)
{
    if (!m_OpaqueValid || m_OpaqueKey != i_Cropped.cacheKey()) {
        m_Opaque = IsOpaque(i_Cropped);
        m_OpaqueKey = i_Cropped.cacheKey();
        m_OpaqueValid = true;
        m_Copied = QImage();
    }
    if (!m_Opaque)
        return false;
    const QImage::Format format = i_Cropped.format();
    if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied) {
        m_Copied = i_Cropped;
        return true;
    }
    // Opaque pictures of other formats (palette, grey, 16 bits a channel,
    // other orders) show on the screen as their RGB32 pixels: converted
    // once, they are copied the same way.
    if (m_Copied.isNull())
        m_Copied = i_Cropped.convertToFormat(QImage::Format_RGB32);
    return !m_Copied.isNull();
}

namespace {

// Which source column (or row) each column of the stretched picture shows:
// asked of the toolkit's fast stretch itself, by stretching a line whose
// pixels hold their own index, in the picture's format and with the same
// scale along it (each direction is scaled on its own).
// No index is this large: pictures are at most 1,000,000 pixels wide.
constexpr QRgb kUnpainted = 0xffffffffu;

bool StretchMap(QImage::Format i_Format, int i_From, int i_To, bool i_Across, std::vector<int>& o_Map)
{
    try {
        o_Map.resize(size_t(i_To));
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (i_From == i_To) {
        for (int i = 0; i < i_To; ++i)
            o_Map[size_t(i)] = i;
        return true;
    }
    QImage line(i_Across ? i_From : 1, i_Across ? 1 : i_From, i_Format);
    QImage stretched(i_Across ? i_To : 1, i_Across ? 1 : i_To, i_Format);
    if (line.isNull() || stretched.isNull())
        return false;
    for (int i = 0; i < i_From; ++i)
        line.setPixel(i_Across ? i : 0, i_Across ? 0 : i, 0xff000000u | quint32(i));
    stretched.fill(kUnpainted);
    {
        QPainter painter(&stretched);
        const qreal scale = qreal(i_To) / i_From;
        painter.setTransform(QTransform::fromScale(i_Across ? scale : 1, i_Across ? 1 : scale));
        painter.drawImage(QPoint(0, 0), line);
    }
    // At large scales the toolkit's stretch may leave the last column or
    // row unpainted, a black line along the picture's edge: such pixels
    // show their painted neighbour instead.
    int painted = -1;
    for (int i = 0; i < i_To; ++i) {
        const QRgb pixel = stretched.pixel(i_Across ? i : 0, i_Across ? 0 : i);
        o_Map[size_t(i)] = (pixel & 0xffffffu) == (kUnpainted & 0xffffffu) ? -1 : int(pixel & 0xffffffu);
        if (painted < 0 && o_Map[size_t(i)] >= 0)
            painted = o_Map[size_t(i)];
    }
    for (int i = 0; i < i_To; ++i) {
        if (o_Map[size_t(i)] < 0)
            o_Map[size_t(i)] = qMax(painted, 0);
        painted = o_Map[size_t(i)];
    }
    return true;
}

} // namespace

bool Composer::Maps(const QImage& i_Cropped, const QSize& i_Size)
{
    if (m_MapsValid && m_MapsKey == i_Cropped.cacheKey() && m_MapsSize == i_Size)
        return true;
    m_MapsValid = StretchMap(i_Cropped.format(), i_Cropped.width(), i_Size.width(), true, m_XMap)
        && StretchMap(i_Cropped.format(), i_Cropped.height(), i_Size.height(), false, m_YMap);
    m_MapsKey = i_Cropped.cacheKey();
    m_MapsSize = i_Size;
    return m_MapsValid;
}

void Composer::CopyRows(const QImage& i_Cropped, const QRect& i_Placed, const QSize& i_Screen, const QRect& i_Part,
                        QRgb i_Fill, uchar* o_Bits, qsizetype i_Stride) const
{
    const QRect screen(QPoint(0, 0), i_Screen);
    const QRect visible = i_Placed & screen;
    const uchar* const source = i_Cropped.constBits();
    const qsizetype sourceStride = i_Cropped.bytesPerLine();
    ForEachBand(i_Part.height(), [&](int i_From, int i_To) {
        for (int y = i_From; y < i_To; ++y) {
            const int sy = i_Part.top() + y;
            QRgb* line = reinterpret_cast<QRgb*>(o_Bits + y * i_Stride);
            if (sy < 0 || sy >= screen.height()) {
                std::fill(line, line + i_Part.width(), 0u); // outside the screen
                continue;
            }
            const int left = std::clamp(-i_Part.left(), 0, i_Part.width());
            const int right = std::clamp(screen.width() - i_Part.left(), left, i_Part.width());
            std::fill(line, line + left, 0u);
            std::fill(line + left, line + right, i_Fill);
            std::fill(line + right, line + i_Part.width(), 0u);
            if (sy < visible.top() || sy > visible.bottom())
                continue;
            const int from = std::max(visible.left(), i_Part.left());
            const int to = std::min(visible.right() + 1, i_Part.left() + i_Part.width());
            const QRgb* row = reinterpret_cast<const QRgb*>(source + m_YMap[size_t(sy - i_Placed.y())] * sourceStride);
            const int* columns = m_XMap.data() - i_Placed.x();
            // Opaque pixels drawn over anything are themselves.
            for (int sx = from; sx < to; ++sx)
                line[sx - i_Part.left()] = row[columns[sx]] | 0xff000000u;
        }
    });
}

bool Composer::Stretch(const QImage& i_Cropped, const QSize& i_Size)
{
    if (m_StretchedValid && m_StretchedKey == i_Cropped.cacheKey() && m_Stretched.size() == i_Size)
        return true;
    m_StretchedValid = false;
    if (i_Size == i_Cropped.size()) {
        m_Stretched = i_Cropped; // the toolkit does not scale to the same size either
    } else if (i_Cropped.format() < QImage::Format_RGB32) {
        // Indexed and grey images are scaled by the toolkit into their own
        // format; rare and small enough to take as they come.
        m_Stretched = i_Cropped.scaled(i_Size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    } else {
        if (!ScreenFits(i_Size.width(), i_Size.height()))
            return false;
        // What the toolkit's fast scaling does, painted into a buffer kept
        // from the last time: fresh memory is slow to touch.
        if (m_Stretched.size() != i_Size || m_Stretched.format() != i_Cropped.format() || !m_Stretched.isDetached()
            || m_Stretched.cacheKey() == i_Cropped.cacheKey())
            m_Stretched = QImage(i_Size, i_Cropped.format());
        if (m_Stretched.isNull())
            return false;
        m_Stretched.fill(0);
        QPainter painter(&m_Stretched);
        painter.setTransform(QTransform::fromScale(qreal(i_Size.width()) / i_Cropped.width(),
                                                   qreal(i_Size.height()) / i_Cropped.height()));
        painter.drawImage(QPoint(0, 0), i_Cropped);
    }
    if (m_Stretched.isNull())
        return false;
    m_StretchedKey = i_Cropped.cacheKey();
    m_StretchedValid = true;
    return true;
}

bool Composer::Compose(const QImage& i_Cropped, const Input& i_Input, QImage& io_Screen)
{
    const int width = i_Input.screenWidth;
    const int height = i_Input.screenHeight;
    if (!ScreenFits(width, height))
        return false;
    const QRect placed(i_Input.imageX, i_Input.imageY, i_Input.imageWidth, i_Input.imageHeight);
    const QRect visible = Visible(i_Cropped, i_Input);

    const bool copies = !visible.isEmpty() && CopiesPixels(i_Cropped);
    if (copies && !Maps(m_Copied, placed.size()))
        return false;
    // Other pictures are stretched whole, as the toolkit would; one too
    // large to hold is drawn as the part of it that lies on the screen.
    bool whole = true;
    if (!visible.isEmpty() && !copies && !Stretch(i_Cropped, placed.size()))
        whole = false;

    QImage screen;
    if (io_Screen.size() == QSize(width, height) && io_Screen.format() == QImage::Format_ARGB32
        && io_Screen.isDetached()) {
        screen = io_Screen;
        io_Screen = QImage(); // `screen` alone holds the buffer, so writing does not copy it
    } else {
        screen = QImage(width, height, QImage::Format_ARGB32);
        if (screen.isNull())
            return false;
    }

    const QRgb fill = i_Input.background.rgba();
    // The buffer is taken once, here: scanLine() may detach and counts each
    // call in the image, which the bands' threads must not do side by side.
    uchar* const bits = screen.bits();
    const qsizetype stride = screen.bytesPerLine();
    if (copies) {
        CopyRows(m_Copied, placed, QSize(width, height), QRect(0, 0, width, height), fill, bits, stride);
        io_Screen = screen;
        return true;
    }
    ForEachBand(height, [&](int i_From, int i_To) {
        for (int y = i_From; y < i_To; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(bits + y * stride);
            std::fill(line, line + width, fill);
        }
    });
    if (!visible.isEmpty()) {
        QPainter painter(&screen);
        if (whole) {
            painter.drawImage(placed.topLeft(), m_Stretched);
        } else {
            // Stretched in place, clipped to the screen: the same picture,
            // though a pixel here and there may come from its neighbour.
            painter.setTransform(QTransform::fromScale(qreal(placed.width()) / i_Cropped.width(),
                                                       qreal(placed.height()) / i_Cropped.height())
                                 * QTransform::fromTranslate(placed.x(), placed.y()));
            painter.drawImage(QPoint(0, 0), i_Cropped);
        }
    }
    io_Screen = screen;
    return true;
}

bool Composer::NeedsScreen(const QImage& i_Cropped, const Input& i_Input)
{
    return !Visible(i_Cropped, i_Input).isEmpty() && !CopiesPixels(i_Cropped);
}

bool Composer::ComposePart(const QImage& i_Cropped, const Input& i_Input, const QRect& i_Rect, QImage& o_Part)
{
    const QRect placed(i_Input.imageX, i_Input.imageY, i_Input.imageWidth, i_Input.imageHeight);
    const QRect visible = Visible(i_Cropped, i_Input);
    if (NeedsScreen(i_Cropped, i_Input)) {
        // Painted pixels are made as they are on the whole screen.
        QImage screen;
        if (!Compose(i_Cropped, i_Input, screen))
            return false;
        o_Part = screen.copy(i_Rect);
        return !o_Part.isNull();
    }
    if (!ScreenFits(i_Rect.width(), i_Rect.height()) || (!visible.isEmpty() && !Maps(m_Copied, placed.size())))
        return false;
    QImage part(i_Rect.size(), QImage::Format_ARGB32);
    if (part.isNull())
        return false;
    CopyRows(m_Copied, visible.isEmpty() ? QRect() : placed, QSize(i_Input.screenWidth, i_Input.screenHeight), i_Rect,
             i_Input.background.rgba(), part.bits(), part.bytesPerLine());
    o_Part = part;
    return true;
}

} // namespace CanvasEngine

void HelpersCompute_ComputeCropping(QImage i_Source, unsigned int i_Left, unsigned int i_Top, unsigned int i_Right,
                                    unsigned int i_Bottom, QImage* o_Result)
{
    if (!o_Result)
        return;
    if (i_Left == 0 && i_Top == 0 && i_Right == 0 && i_Bottom == 0) {
        *o_Result = i_Source;
        return;
    }
    const int width = i_Source.width();
    const int height = i_Source.height();
    *o_Result = i_Source.copy(
        QRect(QPoint(int(i_Left), int(i_Top)), QPoint(width - 1 - int(i_Right), height - 1 - int(i_Bottom))));
}
