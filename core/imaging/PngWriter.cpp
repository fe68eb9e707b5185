#include "core/imaging/PngWriter.h"

#include "core/imaging/HugePages.h"
#include "core/imaging/PngPaeth.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QtEndian>

#include <libdeflate.h>
#include <png.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

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

int DeflateLevel(int i_CompressionLevel)
{
    // The lowest (fastest) libdeflate level whose files are at most 5%
    // larger than zlib's at the same level, zlib driven as libpng drives it,
    // on the rows filtered as above (quillex-bench --levels; eight
    // photograph-like 1920 x 1080 tiles and a flat drawing). Levels 1 to 3:
    // libdeflate's level 1 makes files 7% smaller than zlib's on the
    // photograph, in 20-50% less time (380 against 480-740 ms), and 5%
    // smaller on the drawing (15 against 8 ms). From level 4: its level 2
    // makes files at most 1% larger on both, in a quarter of zlib's level 4
    // time and a fifth of its level 9 time; its level 1 is 7% larger. Higher
    // levels gain at most 1% on the photograph, for 10% more time (5 to 9) or
    // three times the time (10 to 12). Stored data (level 0) is the same size
    // either way.
    const int levels[10] = {0, 1, 1, 1, 2, 2, 2, 2, 2, 2};
    return levels[qBound(0, i_CompressionLevel, 9)];
}

namespace {

constexpr quint32 kIDAT = 0x49444154u;

const uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
const uchar kIend[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82};

quint32 Crc(quint32 crc, const void* data, size_t length)
{
    return quint32(libdeflate_crc32(crc, data, length));
}

void AppendChunk(QByteArray& io_Png, const char* i_Type, const uchar* i_Data, quint32 i_Length)
{
    uchar head[8];
    qToBigEndian(i_Length, head);
    std::memcpy(head + 4, i_Type, 4);
    uchar crc[4];
    qToBigEndian(Crc(Crc(0, head + 4, 4), i_Data, i_Length), crc);
    io_Png.append(reinterpret_cast<const char*>(head), 8);
    io_Png.append(reinterpret_cast<const char*>(i_Data), int(i_Length));
    io_Png.append(reinterpret_cast<const char*>(crc), 4);
}

// Signature, header and resolution: everything before the image data.
QByteArray Head(const QImage& image)
{
    QByteArray head(reinterpret_cast<const char*>(kSignature), 8);
    uchar ihdr[13] = {};
    qToBigEndian(quint32(image.width()), ihdr);
    qToBigEndian(quint32(image.height()), ihdr + 4);
    ihdr[8] = 8;
    ihdr[9] = image.format() == QImage::Format_ARGB32 ? 6 : 2;
    AppendChunk(head, "IHDR", ihdr, 13);
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0) {
        uchar phys[9];
        qToBigEndian(quint32(image.dotsPerMeterX()), phys);
        qToBigEndian(quint32(image.dotsPerMeterY()), phys + 4);
        phys[8] = 1; // metres
        AppendChunk(head, "pHYs", phys, 9);
    }
    return head;
}

// The level field zlib writes in its stream header for a level.
int HeaderLevel(int level)
{
    if (level < 2)
        return 0;
    if (level < 6)
        return 1;
    return level == 6 ? 2 : 3;
}

// The second byte of a zlib stream's header after i_First: the level field
// zlib writes for i_Level, and the check bits.
quint32 ZlibHeaderCheck(uchar i_First, int i_Level)
{
    quint32 header = (quint32(i_First) << 8) | (quint32(HeaderLevel(i_Level)) << 6);
    header += 31 - header % 31;
    return header & 0xffu;
}

// One row of 32-bit pixels 0xAARRGGBB as PNG samples: R, G, B (and A).
void Samples(const QRgb* from, uchar* to, size_t width, bool alpha)
{
    if (alpha) {
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        // Red and blue swapped in place, a pixel per 32-bit word.
        size_t x = 0;
#if defined(__SSE2__)
        const __m128i greenAlpha = _mm_set1_epi32(int(0xff00ff00u));
        const __m128i low = _mm_set1_epi32(0xff);
        for (; x + 4 <= width; x += 4, to += 16) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
            const __m128i red = _mm_and_si128(_mm_srli_epi32(p, 16), low);
            const __m128i blue = _mm_slli_epi32(_mm_and_si128(p, low), 16);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                             _mm_or_si128(_mm_and_si128(p, greenAlpha), _mm_or_si128(red, blue)));
        }
#endif
        for (; x < width; ++x, to += 4) {
            const quint32 p = from[x];
            const quint32 rgba = (p & 0xff00ff00u) | ((p >> 16) & 0xffu) | ((p & 0xffu) << 16);
            std::memcpy(to, &rgba, 4);
        }
#else
        for (size_t x = 0; x < width; ++x, to += 4) {
            to[0] = uchar(from[x] >> 16);
            to[1] = uchar(from[x] >> 8);
            to[2] = uchar(from[x]);
            to[3] = uchar(from[x] >> 24);
        }
#endif
    } else {
        for (size_t x = 0; x < width; ++x, to += 3) {
            to[0] = uchar(from[x] >> 16);
            to[1] = uchar(from[x] >> 8);
            to[2] = uchar(from[x]);
        }
    }
}

// Filters row cur with the given filter type into out; prev is the row above
// (all zero for the first row).
template <int Bpp>
void Filter(int type, const uchar* cur, const uchar* prev, uchar* out, size_t n)
{
    switch (type) {
    case 0:
        std::memcpy(out, cur, n);
        break;
    case 1:
        for (size_t i = 0; i < Bpp; ++i)
            out[i] = cur[i];
        for (size_t i = Bpp; i < n; ++i)
            out[i] = uchar(cur[i] - cur[i - Bpp]);
        break;
    case 2:
        for (size_t i = 0; i < n; ++i)
            out[i] = uchar(cur[i] - prev[i]);
        break;
    case 3:
        for (size_t i = 0; i < Bpp; ++i)
            out[i] = uchar(cur[i] - (prev[i] >> 1));
        for (size_t i = Bpp; i < n; ++i)
            out[i] = uchar(cur[i] - ((cur[i - Bpp] + prev[i]) >> 1));
        break;
    default:
        for (size_t i = 0; i < Bpp; ++i)
            out[i] = uchar(cur[i] - prev[i]);
        for (size_t i = Bpp; i < n; ++i)
            out[i] = uchar(cur[i] - PngPaeth(cur[i - Bpp], prev[i], prev[i - Bpp]));
        break;
    }
}

// libpng's guess of how well a filtered row compresses: the smaller the sum
// of its bytes taken as signed values, in absolute value, the better.
quint64 Cost(const uchar* row, size_t n)
{
    quint64 sum = 0;
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the magnitude of a byte is the smaller of it
    // and its negation.
    __m128i sums = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i magnitudes = _mm_min_epu8(bytes, _mm_sub_epi8(_mm_setzero_si128(), bytes));
        sums = _mm_add_epi64(sums, _mm_sad_epu8(magnitudes, _mm_setzero_si128()));
    }
    quint64 halves[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(halves), sums);
    sum = halves[0] + halves[1];
#endif
    for (; i < n; ++i)
        sum += qMin(row[i], uchar(256 - row[i]));
    return sum;
}

// Writes every row, led by its filter type, at o_Rows: with the one filter
// the mask holds, or with the one of its filters that Cost prefers, the first
// on a tie.
template <int Bpp>
bool FilterRows(const QImage& image, int filters, uchar* o_Rows)
{
    static const int masks[5] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
    const size_t width = size_t(image.width());
    const size_t rowBytes = width * Bpp;
    std::unique_ptr<uchar[]> scratch(new (std::nothrow) uchar[3 * rowBytes]());
    if (!scratch)
        return false;
    uchar* prev = scratch.get(); // all zero above the first row
    uchar* cur = prev + rowBytes;
    uchar* trial = cur + rowBytes;
    int single = -1;
    for (int type = 0; type < 5; ++type)
        if (filters == masks[type])
            single = type;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = o_Rows + size_t(y) * (rowBytes + 1);
        if (single == 0) { // stored as they are: no row to keep
            out[0] = 0;
            Samples(pixels, out + 1, width, Bpp == 4);
            continue;
        }
        Samples(pixels, cur, width, Bpp == 4);
        if (single > 0) {
            out[0] = uchar(single);
            Filter<Bpp>(single, cur, prev, out + 1, rowBytes);
        } else {
            quint64 best = ~quint64(0);
            for (int type = 0; type < 5; ++type) {
                if (!(filters & masks[type]))
                    continue;
                uchar* target = best == ~quint64(0) ? out + 1 : trial;
                Filter<Bpp>(type, cur, prev, target, rowBytes);
                const quint64 cost = Cost(target, rowBytes);
                if (cost < best) {
                    best = cost;
                    out[0] = uchar(type);
                    if (target != out + 1)
                        std::memcpy(out + 1, target, rowBytes);
                }
            }
        }
        std::swap(prev, cur);
    }
    return true;
}

// The image's filtered rows and, from them, the zlib stream, compressed by
// libdeflate in one call.
class RowStream
{
public:
    RowStream() = default;
    RowStream(const RowStream&) = delete;
    RowStream& operator=(const RowStream&) = delete;
    ~RowStream()
    {
        if (m_Compressor)
            libdeflate_free_compressor(m_Compressor);
    }

    // False when memory is short.
    bool Prepare(const QImage& image, int level)
    {
        const bool alpha = image.format() == QImage::Format_ARGB32;
        m_Level = level;
        m_Size = size_t(image.height()) * (size_t(image.width()) * (alpha ? 4 : 3) + 1);
        m_Rows.reset(new (std::nothrow) uchar[m_Size]);
        m_Compressor = libdeflate_alloc_compressor(DeflateLevel(level));
        if (!m_Rows || !m_Compressor)
            return false;
        AdviseHugePages(m_Rows.get(), m_Size);
        const int filters = RowFilters(level);
        return alpha ? FilterRows<4>(image, filters, m_Rows.get()) : FilterRows<3>(image, filters, m_Rows.get());
    }

    // The most Write can take.
    size_t Bound() const { return libdeflate_zlib_compress_bound(m_Compressor, m_Size); }

    // Writes the stream at o_Out, which has room for Bound() bytes, and lets
    // the rows go; returns its size, 0 on failure.
    size_t Write(uchar* o_Out)
    {
        const size_t size = libdeflate_zlib_compress(m_Compressor, m_Rows.get(), m_Size, o_Out, Bound());
        m_Rows.reset();
        if (size < 2)
            return 0;
        // libdeflate's header names its own level; the file names the zlib
        // level asked for, as zlib writes it.
        o_Out[1] = uchar(ZlibHeaderCheck(o_Out[0], m_Level));
        return size;
    }

private:
    std::unique_ptr<uchar[]> m_Rows;
    size_t m_Size = 0;
    int m_Level = 0;
    libdeflate_compressor* m_Compressor = nullptr;
};

// The zlib stream of stored rows: the image's rows, each led by filter type
// 0, converted once straight into their place among stored blocks (through
// a row of scratch when a block ends in it), with both checksums taken
// while the bytes are in cache. Its bytes are those
// libdeflate writes at level 0 (blocks of 65535 bytes, the last one shorter
// and final), without its copy of every row. o_Png gets the whole file.
bool EncodeStored(const QImage& image, const QByteArray& head, QByteArray& o_Png)
{
    const bool alpha = image.format() == QImage::Format_ARGB32;
    const size_t width = size_t(image.width());
    const size_t rowBytes = width * (alpha ? 4 : 3) + 1;
    const size_t total = rowBytes * size_t(image.height());
    const size_t blockBytes = 65535;
    const size_t blocks = (total + blockBytes - 1) / blockBytes;
    const size_t stream = 2 + total + 5 * blocks + 4;
    if (stream > size_t(INT_MAX) - size_t(head.size()) - 64)
        return false; // more than an array holds
    std::unique_ptr<uchar[]> row(new (std::nothrow) uchar[rowBytes]);
    QByteArray png;
    try {
        png = QByteArray(head.size() + 8 + int(stream) + 4 + 12, Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (!row)
        return false;
    AdviseHugePages(png.data(), size_t(png.size()));
    std::memcpy(png.data(), head.constData(), size_t(head.size()));
    uchar* idat = reinterpret_cast<uchar*>(png.data()) + head.size();
    qToBigEndian(quint32(stream), idat);
    qToBigEndian(kIDAT, idat + 4);
    uchar* at = idat + 8;
    at[0] = 0x78; // deflate, 32 KB window
    at[1] = uchar(ZlibHeaderCheck(at[0], 0));
    at += 2;
    quint32 crc = Crc(0, idat + 4, 6);
    quint32 adler = 1;
    size_t blockLeft = 0;
    size_t remaining = total;
    row[0] = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* const rowStart = at;
        if (rowBytes <= blockLeft) { // most rows lie within a block: made in place
            at[0] = 0;
            Samples(pixels, at + 1, width, alpha);
            adler = quint32(libdeflate_adler32(adler, at, rowBytes));
            at += rowBytes;
            blockLeft -= rowBytes;
            remaining -= rowBytes;
            crc = Crc(crc, rowStart, rowBytes);
            continue;
        }
        Samples(pixels, row.get() + 1, width, alpha);
        adler = quint32(libdeflate_adler32(adler, row.get(), rowBytes));
        for (size_t done = 0; done < rowBytes;) {
            if (blockLeft == 0) {
                blockLeft = qMin(remaining, blockBytes);
                at[0] = blockLeft == remaining ? 1 : 0; // the last block is final
                qToLittleEndian(quint16(blockLeft), at + 1);
                qToLittleEndian(quint16(~blockLeft), at + 3);
                at += 5;
            }
            const size_t step = qMin(rowBytes - done, blockLeft);
            std::memcpy(at, row.get() + done, step);
            at += step;
            done += step;
            blockLeft -= step;
            remaining -= step;
        }
        crc = Crc(crc, rowStart, size_t(at - rowStart));
    }
    qToBigEndian(adler, at);
    crc = Crc(crc, at, 4);
    qToBigEndian(crc, at + 4);
    std::memcpy(at + 8, kIend, 12);
    o_Png.swap(png);
    return true;
}

bool FastPathApplies(const QImage& image)
{
    return (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32)
        && image.textKeys().isEmpty() && !image.colorSpace().isValid() && image.offset().isNull();
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
    const QByteArray head = Head(i_Image);
    if (CompressionLevel(i_Quality) == 0)
        return EncodeStored(i_Image, head, o_Png);
    RowStream stream;
    if (!stream.Prepare(i_Image, CompressionLevel(i_Quality)))
        return false;
    // The stream is compressed straight into its place in the file, one IDAT
    // chunk, in an array made large enough at once.
    const size_t bound = stream.Bound();
    if (bound > size_t(INT_MAX) - size_t(head.size()) - 64)
        return false; // more than an array holds
    try {
        png = QByteArray(head.size() + 8 + int(bound) + 4 + 12, Qt::Uninitialized);
    } catch (const std::bad_alloc&) {
        return false;
    }
    AdviseHugePages(png.data(), size_t(png.size()));
    uchar* idat = reinterpret_cast<uchar*>(png.data()) + head.size();
    const size_t size = stream.Write(idat + 8);
    if (size == 0)
        return false;
    std::memcpy(png.data(), head.constData(), size_t(head.size()));
    qToBigEndian(quint32(size), idat);
    qToBigEndian(kIDAT, idat + 4);
    qToBigEndian(Crc(0, idat + 4, 4 + size), idat + 8 + size);
    std::memcpy(idat + 12 + size, kIend, 12);
    png.resize(head.size() + 12 + int(size) + 12);
    png.squeeze();
    o_Png.swap(png);
    return true;
}

void SetResolution(QByteArray& io_Png, int i_DotsPerMeter)
{
    uchar phys[9];
    qToBigEndian(quint32(i_DotsPerMeter), phys);
    qToBigEndian(quint32(i_DotsPerMeter), phys + 4);
    phys[8] = 1; // metres
    // The chunks before the image data; the file is one of ours, whole.
    for (int at = 8; at + 12 <= io_Png.size();) {
        const auto* chunk = reinterpret_cast<const uchar*>(io_Png.constData()) + at;
        const int length = int(qFromBigEndian<quint32>(chunk));
        if (std::memcmp(chunk + 4, "IDAT", 4) == 0 || length < 0 || length > io_Png.size() - at - 12)
            break;
        if (std::memcmp(chunk + 4, "pHYs", 4) == 0 && length == 9) {
            QByteArray replaced;
            AppendChunk(replaced, "pHYs", phys, 9);
            std::memcpy(io_Png.data() + at, replaced.constData(), size_t(replaced.size()));
            return;
        }
        at += 12 + length;
    }
    QByteArray added;
    AppendChunk(added, "pHYs", phys, 9);
    io_Png.insert(33, added); // after the signature and the header
}

} // namespace PngWriter
