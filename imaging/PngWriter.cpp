#include "PngWriter.h"

#include "HugePages.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QtEndian>

#include <png.h>

#include <cstdio>
#include <new>
#include <vector>

namespace PngWriter {

int CompressionLevel(int i_Quality)
{
    if (i_Quality < 0)
        return 6;
    return (100 - qMin(i_Quality, 100)) * 9 / 91;
}

int RowFilters(int i_CompressionLevel)
{
    // Stored data cannot get smaller, so filtering would only cost time.
    if (i_CompressionLevel <= 0)
        return PNG_FILTER_NONE;
    // Measured (processor time, file size) on eight 1920 x 1080 outputs of a
    // photograph-like picture and on a flat drawing. Levels 1 to 3, zlib's
    // fast matcher: "up" alone is among the fastest, 5% larger than the
    // smallest on the photograph and the smallest on the drawing; trying all
    // five filters per row takes 60% longer. From level 4, the lazy matcher:
    // letting libpng choose between "up" and "average" row by row gives files
    // as small as trying all five (26.78 against 26.80 MB; 0.06 against
    // 0.07 MB) in 15-40% less time; "average" alone makes the drawing 50%
    // larger, "up" alone the photograph 6% larger.
    if (i_CompressionLevel <= 3)
        return PNG_FILTER_UP;
    return PNG_FILTER_UP | PNG_FILTER_AVG;
}

namespace {

// Where the encoded bytes go: a memory buffer or an open file. I/O errors are
// remembered and the rest of the data dropped, so libpng never has to unwind
// through our frames for them.
struct Sink
{
    QByteArray* buffer = nullptr;
    std::FILE* file = nullptr;
    bool failed = false;
};

void WriteData(png_structp png, png_bytep data, png_size_t length)
{
    Sink* sink = static_cast<Sink*>(png_get_io_ptr(png));
    if (sink->failed)
        return;
    if (sink->file) {
        if (std::fwrite(data, 1, length, sink->file) != length)
            sink->failed = true;
        return;
    }
    try {
        sink->buffer->append(reinterpret_cast<const char*>(data), int(length));
    } catch (const std::bad_alloc&) {
        sink->failed = true;
    }
}

void FlushData(png_structp)
{
}

void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
}

bool FastPathApplies(const QImage& image)
{
    return (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32)
        && image.textKeys().isEmpty() && !image.colorSpace().isValid() && image.offset().isNull();
}

// Everything between setjmp and its end uses only plain values, so the
// longjmp of a libpng error skips no destructor.
bool EncodeRows(const QImage& image, int level, Sink* sink)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }

    const bool alpha = image.format() == QImage::Format_ARGB32;
    const int width = image.width();
    const int height = image.height();
    png_set_write_fn(png, sink, WriteData, FlushData);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(image.dotsPerMeterX()), png_uint_32(image.dotsPerMeterY()),
                     PNG_RESOLUTION_METER);
    png_set_compression_level(png, level);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, RowFilters(level));
    // Bigger IDAT chunks: fewer calls and chunk headers for the same data.
    png_set_compression_buffer_size(png, 256 * 1024);
    png_write_info(png, info);

    // The pixels are 32-bit words 0xAARRGGBB; libpng reorders them to RGBA
    // (or drops the unused byte) row by row while writing.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
#else
    if (alpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0, PNG_FILLER_BEFORE);
#endif
    for (int y = 0; y < height; ++y)
        png_write_row(png, image.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool EncodeWithToolkit(const QImage& image, int quality, QIODevice* device)
{
    QImageWriter writer(device, "png");
    writer.setQuality(quality);
    return writer.write(image);
}

} // namespace

bool Encode(const QImage& i_Image, int i_Quality, QByteArray& o_Png)
{
    if (i_Image.isNull())
        return false;
    QByteArray png;
    if (!FastPathApplies(i_Image)) {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!EncodeWithToolkit(i_Image, i_Quality, &buffer))
            return false;
        o_Png = png;
        return true;
    }
    // Room for the rows, a little more than stored data takes, made at once:
    // the array never moves while it grows, and huge pages make its first
    // filling cheap. Compressed data uses only the start of it.
    const qint64 rows = qint64(i_Image.height()) * (qint64(i_Image.width()) * 4 + 1);
    const qint64 room = rows + rows / 256 + 4096;
    if (room < INT_MAX / 2) {
        try {
            png.reserve(int(room));
            AdviseHugePages(png.data(), size_t(png.capacity()));
        } catch (const std::bad_alloc&) {
        }
    }
    Sink sink;
    sink.buffer = &png;
    if (!EncodeRows(i_Image, CompressionLevel(i_Quality), &sink) || sink.failed)
        return false;
    o_Png = png;
    return true;
}

bool WriteFile(const QImage& i_Image, const QString& i_Path, int i_Quality)
{
    if (i_Image.isNull() || i_Path.isEmpty())
        return false;
    if (!FastPathApplies(i_Image)) {
        QFile file(i_Path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const bool ok = EncodeWithToolkit(i_Image, i_Quality, &file);
        file.close();
        if (!ok || file.error() != QFileDevice::NoError) {
            if (QFileInfo(i_Path).isFile())
                file.remove();
            return false;
        }
        return true;
    }

    const QByteArray path = QFile::encodeName(i_Path);
    std::FILE* file = std::fopen(path.constData(), "wb");
    if (!file)
        return false;
    // libpng hands over large IDAT chunks and a few small pieces around them.
    std::vector<char> buffer;
    try {
        buffer.resize(64 * 1024);
        std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
    } catch (const std::bad_alloc&) {
    }
    Sink sink;
    sink.file = file;
    bool ok = EncodeRows(i_Image, CompressionLevel(i_Quality), &sink) && !sink.failed;
    if (std::fflush(file) != 0 || std::ferror(file))
        ok = false;
    if (std::fclose(file) != 0)
        ok = false;
    if (!ok && QFileInfo(i_Path).isFile())
        std::remove(path.constData()); // never a device or anything but the file we wrote
    return ok;
}

} // namespace PngWriter
