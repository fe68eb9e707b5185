#include "core/canvas/CanvasCompose.h"

#include "core/imaging/ImageLimits.h"
#include "core/imaging/ParallelFor.h"

#include <QPainter>

#include <algorithm>
#include <atomic>

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
    const QRect visible = i_Cropped.isNull() || placed.isEmpty() ? QRect() : placed & QRect(0, 0, width, height);

    // The picture is stretched whole, as the toolkit would; one too large to
    // hold is drawn as the part of it that lies on the screen.
    bool whole = true;
    if (!visible.isEmpty() && !Stretch(i_Cropped, placed.size()))
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

    if (!m_OpaqueValid || m_OpaqueKey != i_Cropped.cacheKey()) {
        m_Opaque = IsOpaque(i_Cropped);
        m_OpaqueKey = i_Cropped.cacheKey();
        m_OpaqueValid = true;
    }
    const QRgb fill = i_Input.background.rgba();
    // Rows are copied as they are only from formats whose 32-bit words are
    // 0xAARRGGBB; others (RGBX8888, BGR30, RGB30...) order or size their
    // channels otherwise and go through the painter, which converts them.
    const QImage::Format stretched = m_Stretched.format();
    const bool copyRows = !visible.isEmpty() && whole && m_Opaque
        && (stretched == QImage::Format_RGB32 || stretched == QImage::Format_ARGB32
            || stretched == QImage::Format_ARGB32_Premultiplied);
    // The buffer is taken once, here: scanLine() may detach and counts each
    // call in the image, which the bands' threads must not do side by side.
    uchar* const bits = screen.bits();
    const qsizetype stride = screen.bytesPerLine();
    ForEachBand(height, [&](int i_From, int i_To) {
        for (int y = i_From; y < i_To; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(bits + y * stride);
            if (!copyRows || y < visible.top() || y > visible.bottom()) {
                std::fill(line, line + width, fill);
                continue;
            }
            // Opaque pixels drawn over anything are themselves.
            const QRgb* from = reinterpret_cast<const QRgb*>(m_Stretched.constScanLine(y - placed.y()));
            std::fill(line, line + visible.left(), fill);
            const int count = visible.width();
            const QRgb* source = from + (visible.left() - placed.x());
            for (int x = 0; x < count; ++x)
                line[visible.left() + x] = source[x] | 0xff000000u;
            std::fill(line + visible.right() + 1, line + width, fill);
        }
    });
    if (!visible.isEmpty() && !copyRows) {
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
