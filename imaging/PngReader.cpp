#include "PngReader.h"

#include "HugePages.h"
#include "PngPaeth.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QThread>
#include <QtEndian>

#include <libdeflate.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace PngReader {

namespace {

constexpr quint32 FourCC(char a, char b, char c, char d)
{
    return (quint32(quint8(a)) << 24) | (quint32(quint8(b)) << 16) | (quint32(quint8(c)) << 8) | quint32(quint8(d));
}

constexpr quint32 kIHDR = FourCC('I', 'H', 'D', 'R');
constexpr quint32 kIDAT = FourCC('I', 'D', 'A', 'T');
constexpr quint32 kIEND = FourCC('I', 'E', 'N', 'D');

// Chunks that only describe the image: what the toolkit makes of them is
// asked of the toolkit itself (see ReadDescription).
bool DescribesImage(quint32 type)
{
    return type == FourCC('p', 'H', 'Y', 's') || type == FourCC('i', 'C', 'C', 'P')
        || type == FourCC('t', 'E', 'X', 't') || type == FourCC('z', 'T', 'X', 't')
        || type == FourCC('i', 'T', 'X', 't');
}

// The toolkit's reader (libpng's default limits) refuses an image wider or
// higher than this; checked before anything is allocated for the image.
constexpr quint32 kMaxSide = 1000000;

// A file with more than this in describing chunks is left to the toolkit,
// which caps decompressed text and profiles at 8 MB.
constexpr qint64 kMaxDescription = 16 * 1024 * 1024;

const uchar kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

quint32 BigEndian32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint32 Crc(quint32 crc, const void* data, size_t length)
{
    return quint32(libdeflate_crc32(crc, data, length));
}

QByteArray Chunk(quint32 type, const QByteArray& data)
{
    QByteArray chunk(8 + data.size() + 4, Qt::Uninitialized);
    uchar* p = reinterpret_cast<uchar*>(chunk.data());
    qToBigEndian(quint32(data.size()), p);
    qToBigEndian(type, p + 4);
    std::memcpy(p + 8, data.constData(), size_t(data.size()));
    qToBigEndian(Crc(0, p + 4, 4 + size_t(data.size())), p + 8 + data.size());
    return chunk;
}

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

struct DecompressorFreer
{
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

void FreeBuffer(void* data)
{
    std::free(data);
}

// What the fast path keeps of a file: the header, the image data of all IDAT
// chunks one after another, and the describing chunks whole, those before
// the image data apart from those after it.
struct Parsed
{
    uchar header[13];
    quint32 width = 0;
    quint32 height = 0;
    bool alpha = false;
    std::unique_ptr<uchar[]> stream;
    size_t streamSize = 0;
    std::vector<std::pair<quint32, quint32>> idatChunks; // length and stored CRC of each, in order
    QByteArray before;
    QByteArray after;
};

bool Read(std::FILE* file, void* data, size_t length)
{
    return std::fread(data, 1, length, file) == length;
}

// Reads the chunks after IHDR up to IEND, checking every CRC but the image
// data's (see IdatCrcsMatch); false when the file holds anything the fast
// path does not take. i_Left is what the
// file holds after IHDR: no length read from the file makes anything
// larger be allocated.
bool ReadChunks(std::FILE* file, qint64 i_Left, Parsed& o_Parsed)
{
    if (i_Left < 24) // at least an IDAT and an IEND chunk
        return false;
    const size_t capacity = size_t(i_Left) - 24;
    // Room for the whole image data at once; only what is read into it is
    // ever touched.
    o_Parsed.stream.reset(new (std::nothrow) uchar[qMax<size_t>(capacity, 1)]);
    if (!o_Parsed.stream)
        return false;
    qint64 left = i_Left;
    bool inIdat = false;
    bool idatSeen = false;
    for (;;) {
        uchar head[8];
        if (left < 12 || !Read(file, head, 8))
            return false;
        const quint32 length = BigEndian32(head);
        const quint32 type = BigEndian32(head + 4);
        if (length > 0x7fffffffu || qint64(length) > left - 12)
            return false;
        left -= qint64(length) + 12;
        quint32 crc = Crc(0, head + 4, 4);
        uchar stored[4];
        if (type == kIDAT) {
            if ((idatSeen && !inIdat) || o_Parsed.streamSize + length > capacity)
                return false; // image data must be one run of chunks
            inIdat = idatSeen = true;
            uchar* at = o_Parsed.stream.get() + o_Parsed.streamSize;
            if (!Read(file, at, length) || !Read(file, stored, 4))
                return false;
            try {
                o_Parsed.idatChunks.emplace_back(length, BigEndian32(stored));
            } catch (const std::bad_alloc&) {
                return false;
            }
            o_Parsed.streamSize += length;
            continue;
        } else if (type == kIEND && length == 0) {
            if (!Read(file, stored, 4))
                return false;
        } else if (DescribesImage(type)) {
            inIdat = false;
            QByteArray& kept = idatSeen ? o_Parsed.after : o_Parsed.before;
            if (o_Parsed.before.size() + o_Parsed.after.size() + 12 + qint64(length) > kMaxDescription)
                return false;
            const int at = kept.size();
            try {
                kept.resize(at + 12 + int(length));
            } catch (const std::bad_alloc&) {
                return false;
            }
            uchar* chunk = reinterpret_cast<uchar*>(kept.data()) + at;
            std::memcpy(chunk, head, 8);
            if (!Read(file, chunk + 8, length + 4))
                return false;
            crc = Crc(crc, chunk + 8, length);
            std::memcpy(stored, chunk + 8 + length, 4);
        } else {
            return false; // anything else is left to the toolkit's reader
        }
        if (BigEndian32(stored) != crc)
            return false;
        if (type == kIEND)
            return idatSeen;
    }
}

// The image data's CRCs, checked on another thread while the data is
// decompressed: a damaged chunk still leaves the file to the toolkit, and
// the checking costs no time.
bool IdatCrcsMatch(const Parsed& i_Parsed)
{
    const quint32 typeCrc = Crc(0, "IDAT", 4);
    const uchar* at = i_Parsed.stream.get();
    for (const auto& [length, stored] : i_Parsed.idatChunks) {
        if (Crc(typeCrc, at, length) != stored)
            return false;
        at += length;
    }
    return true;
}

// The resolution, colour space and text the toolkit's reader gives for the
// describing chunks: it reads them, in their places, around a one-pixel
// image of the same kind, so that whatever it takes, refuses or warns about
// in them comes out as it would from the whole file. A null image when it
// cannot read even that.
QImage ReadDescription(const Parsed& i_Parsed)
{
    QByteArray header(reinterpret_cast<const char*>(i_Parsed.header), 13);
    qToBigEndian(quint32(1), header.data());
    qToBigEndian(quint32(1), header.data() + 4);
    const QByteArray row(i_Parsed.alpha ? 5 : 4, 0); // filter type and one black pixel
    QByteArray file = QByteArray(reinterpret_cast<const char*>(kSignature), 8) + Chunk(kIHDR, header) + i_Parsed.before
        + Chunk(kIDAT, qCompress(row).mid(4)) + i_Parsed.after + Chunk(kIEND, QByteArray());
    QBuffer device(&file);
    device.open(QIODevice::ReadOnly);
    return QImageReader(&device, "png").read();
}

// Rows are unfiltered straight into the image: the filters work channel by
// channel, so each pixel's channels are taken in the image's order and the
// row above is the image's own previous row.

#if defined(__SSE2__)

// The samples R, G, B (, A) at p as an ARGB32 pixel's bytes (the alpha byte
// is junk for RGB); whole: four bytes may be read.
template <int Bpp>
inline quint32 RawPixel(const uchar* p, bool whole)
{
    quint32 bytes;
    if (Bpp == 4 || whole)
        std::memcpy(&bytes, p, 4);
    else
        bytes = quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16);
    return (bytes & 0xff00ff00u) | ((bytes & 0xffu) << 16) | ((bytes >> 16) & 0xffu);
}

// A pixel's four bytes as 16-bit lanes.
inline __m128i Lanes(__m128i bytes)
{
    return _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
}

inline __m128i Abs16(__m128i v)
{
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear)
{
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// Undoes filter Type on width pixels of a row, from the samples at in into
// out; prev is the row above in the image (all zero for the first row), left
// and aboveLeft the unfiltered pixels before the first (zero at the row's
// start). The four channels of a pixel are computed at once, each pixel
// waiting for the one on its left: the fewer steps from one to the next, the
// faster.
template <int Bpp, int Type>
void UnfilterRow(const uchar* in, const QRgb* prev, QRgb* out, size_t width, QRgb left, QRgb aboveLeft)
{
    const quint32 opaque = Bpp == 4 ? 0 : 0xff000000u;
    const __m128i ones = _mm_set1_epi8(-1);
    __m128i a = _mm_cvtsi32_si128(int(left));             // left
    __m128i notA = _mm_xor_si128(a, ones);                // left, inverted
    __m128i c = Lanes(_mm_cvtsi32_si128(int(aboveLeft))); // above left, as lanes
    for (size_t x = 0; x < width; ++x) {
        const __m128i raw = _mm_cvtsi32_si128(int(RawPixel<Bpp>(in + x * Bpp, x + 1 < width)));
        const __m128i b = _mm_cvtsi32_si128(int(prev[x])); // above
        if (Type == 0) {
            a = raw;
        } else if (Type == 1) {
            a = _mm_add_epi8(raw, a);
        } else if (Type == 2) {
            a = _mm_add_epi8(raw, b);
        } else if (Type == 3) {
            // The rounded-down mean of a and b is the inverse of the
            // rounded-up mean of their inverses: carrying the inverse of the
            // result, each pixel takes two steps.
            notA = _mm_sub_epi8(_mm_avg_epu8(notA, _mm_xor_si128(b, ones)), raw);
            a = _mm_xor_si128(notA, ones);
        } else {
            const __m128i wideB = Lanes(b);
            const __m128i p = _mm_sub_epi16(wideB, c);
            const __m128i q = _mm_sub_epi16(Lanes(a), c);
            const __m128i pa = Abs16(p);
            const __m128i pb = Abs16(q);
            const __m128i pc = Abs16(_mm_add_epi16(p, q));
            const __m128i notLeft = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
            const __m128i predicted = Select(notLeft, Select(_mm_cmpgt_epi16(pb, pc), c, wideB), Lanes(a));
            a = _mm_add_epi8(raw, _mm_packus_epi16(predicted, predicted));
            c = wideB;
        }
        out[x] = quint32(_mm_cvtsi128_si32(a)) | opaque;
    }
}

#else

template <int Bpp, int Type>
void UnfilterRow(const uchar* in, const QRgb* prev, QRgb* out, size_t width, QRgb left, QRgb aboveLeft)
{
    int a[4] = {qRed(left), qGreen(left), qBlue(left), qAlpha(left)};                     // left, as R, G, B, A
    int c[4] = {qRed(aboveLeft), qGreen(aboveLeft), qBlue(aboveLeft), qAlpha(aboveLeft)}; // above left
    for (size_t x = 0; x < width; ++x, in += Bpp) {
        const int b[4] = {qRed(prev[x]), qGreen(prev[x]), qBlue(prev[x]), qAlpha(prev[x])}; // above
        for (int i = 0; i < Bpp; ++i) {
            const int predicted = Type == 0 ? 0
                : Type == 1                 ? a[i]
                : Type == 2                 ? b[i]
                : Type == 3                 ? (a[i] + b[i]) >> 1
                                            : PngPaeth(a[i], b[i], c[i]);
            a[i] = (in[i] + predicted) & 0xff;
            c[i] = b[i];
        }
        out[x] = Bpp == 4 ? qRgba(a[0], a[1], a[2], a[3]) : qRgb(a[0], a[1], a[2]);
    }
}

#endif

using RowUnfilter = void (*)(const uchar*, const QRgb*, QRgb*, size_t, QRgb, QRgb);

template <int Bpp>
constexpr RowUnfilter kUnfilters[5] = {UnfilterRow<Bpp, 0>, UnfilterRow<Bpp, 1>, UnfilterRow<Bpp, 2>,
                                       UnfilterRow<Bpp, 3>, UnfilterRow<Bpp, 4>};

// The filtered rows and the image they are unfiltered into, in one buffer.
struct Rows
{
    const uchar* raw; // the first row's filter type; rows follow at stride
    size_t stride;
    QRgb* image; // rows of width pixels, one after another
    size_t width;
    size_t height;
    int bpp;
    const QRgb* zeroRow; // the row above the first
    const uchar* types;  // each row's filter type, checked

    // Unfilters the pixels from up to to of row y.
    void Unfilter(size_t y, size_t from, size_t to) const
    {
        QRgb* out = image + y * width;
        const QRgb* prev = y ? out - width : zeroRow;
        const uchar* in = raw + y * stride + 1 + from * size_t(bpp);
        (bpp == 4 ? kUnfilters<4> : kUnfilters<3>)[types[y]](in, prev + from, out + from, to - from,
                                                             from ? out[from - 1] : 0, from ? prev[from - 1] : 0);
    }
};

// Below this, a second thread costs more than it saves.
constexpr size_t kSplitPixels = 1u << 20;

// Waits, briefly spinning, then letting other threads run.
template <typename Ready>
void WaitFor(Ready ready)
{
    for (int spins = 0; !ready(); ++spins)
        if (spins > 64)
            std::this_thread::yield();
}

// Each row depends on the row above and on the pixel on its left, so rows
// are unfiltered in order; on two threads, one takes the left half of each
// row and the other follows a row behind with the right half, picking up
// the left half's last pixel. The left half never gets more than one row
// ahead, which the buffer's layout allows (see DecodeRows).
void UnfilterAll(const Rows& i_Rows)
{
    const size_t split = i_Rows.width / 2;
    if (i_Rows.width * i_Rows.height < kSplitPixels || split == 0 || QThread::idealThreadCount() < 2) {
        for (size_t y = 0; y < i_Rows.height; ++y)
            i_Rows.Unfilter(y, 0, i_Rows.width);
        return;
    }
    std::atomic<size_t> leftDone(0), rightDone(0);
    std::thread right;
    try {
        right = std::thread([&]() {
            for (size_t y = 0; y < i_Rows.height; ++y) {
                WaitFor([&]() { return leftDone.load(std::memory_order_acquire) > y; });
                i_Rows.Unfilter(y, split, i_Rows.width);
                rightDone.store(y + 1, std::memory_order_release);
            }
        });
    } catch (const std::system_error&) {
        for (size_t y = 0; y < i_Rows.height; ++y)
            i_Rows.Unfilter(y, 0, i_Rows.width);
        return;
    }
    for (size_t y = 0; y < i_Rows.height; ++y) {
        WaitFor([&]() { return rightDone.load(std::memory_order_acquire) + 1 >= y; });
        i_Rows.Unfilter(y, 0, split);
        leftDone.store(y + 1, std::memory_order_release);
    }
    right.join();
}

// Decompresses the image data in one call into the image's own memory, then
// unfilters the rows in order, top to bottom, straight into the image. The
// filtered rows sit at the end of the buffer, one image row more than they
// need further on: the image's rows then never overwrite a filtered row not
// yet read, even with the left halves a row ahead of the right ones (RGBA
// rows take one byte more than the image's, RGB rows less). Besides the
// image, only the compressed data and that row are held.
QImage DecodeRows(Parsed& io_Parsed)
{
    const bool alpha = io_Parsed.alpha;
    const size_t width = io_Parsed.width;
    const size_t height = io_Parsed.height;
    const size_t stride = width * (alpha ? 4 : 3) + 1;
    const size_t rawSize = stride * height;
    const size_t imageBytes = width * 4 * height;
    const size_t bufferSize = qMax(rawSize, imageBytes) + width * 4;

    std::unique_ptr<void, void (*)(void*)> own(std::malloc(bufferSize), FreeBuffer);
    uchar* buffer = static_cast<uchar*>(own.get());
    std::unique_ptr<QRgb[]> zeroRow(new (std::nothrow) QRgb[width]());
    std::unique_ptr<uchar[]> types(new (std::nothrow) uchar[height]);
    if (!buffer || !zeroRow || !types)
        return QImage(); // too large to allocate: the toolkit fails alike
    AdviseHugePages(buffer, bufferSize);

    uchar* raw = buffer + (bufferSize - rawSize);
    {
        const PrefaultBackwards prefault(buffer, bufferSize);
        std::future<bool> crcs;
        try {
            crcs = std::async(std::launch::async, IdatCrcsMatch, std::cref(io_Parsed));
        } catch (const std::system_error&) {
        }
        std::unique_ptr<libdeflate_decompressor, DecompressorFreer> decompressor(libdeflate_alloc_decompressor());
        size_t used = 0;
        // Exactly the rows, and the stream's end and checksum exactly at the
        // end of the image data.
        const bool inflated = decompressor
            && libdeflate_zlib_decompress_ex(decompressor.get(), io_Parsed.stream.get(), io_Parsed.streamSize, raw,
                                             rawSize, &used, nullptr)
                == LIBDEFLATE_SUCCESS
            && used == io_Parsed.streamSize;
        const bool crcsMatch = crcs.valid() ? crcs.get() : IdatCrcsMatch(io_Parsed);
        if (!inflated || !crcsMatch)
            return QImage();
    }
    io_Parsed.stream.reset();

    // The filter types are read before any row is unfiltered: the image's
    // rows overwrite them.
    for (size_t y = 0; y < height; ++y) {
        types[y] = raw[y * stride];
        if (types[y] > 4)
            return QImage();
    }
    UnfilterAll(
        {raw, stride, reinterpret_cast<QRgb*>(buffer), width, height, alpha ? 4 : 3, zeroRow.get(), types.get()});

    void* data = own.release();
    if (void* shrunk = std::realloc(data, imageBytes))
        data = shrunk;
    QImage image(static_cast<uchar*>(data), int(width), int(height), int(width * 4),
                 alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32, FreeBuffer, data);
    if (image.isNull())
        std::free(data);
    return image;
}

// Null when the fast path does not apply or fails; the caller then asks the
// toolkit.
QImage LoadFast(const QString& fileName)
{
    // Chunk headers are read a few bytes at a time: a large buffer saves most
    // system calls (the C library ignores a size given without a buffer).
    // Declared first, so that it outlives the file.
    const size_t bufferSize = 256 * 1024;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[bufferSize]);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(QFile::encodeName(fileName).constData(), "rb"));
    if (!file || !buffer)
        return QImage();
    std::setvbuf(file.get(), buffer.get(), _IOFBF, bufferSize);
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return QImage();
    const qint64 fileSize = std::ftell(file.get());
    if (fileSize < 33 || std::fseek(file.get(), 0, SEEK_SET) != 0)
        return QImage();

    uchar head[33];
    if (!Read(file.get(), head, sizeof(head)) || std::memcmp(head, kSignature, 8) != 0)
        return QImage();
    if (BigEndian32(head + 8) != 13 || BigEndian32(head + 12) != kIHDR
        || BigEndian32(head + 29) != Crc(0, head + 12, 17))
        return QImage();
    Parsed parsed;
    std::memcpy(parsed.header, head + 16, 13);
    parsed.width = BigEndian32(head + 16);
    parsed.height = BigEndian32(head + 20);
    const int depth = head[24];
    const int colorType = head[25];
    if (parsed.width == 0 || parsed.height == 0 || parsed.width > kMaxSide || parsed.height > kMaxSide || depth != 8
        || (colorType != 2 && colorType != 6) || head[26] != 0 || head[27] != 0 || head[28] != 0)
        return QImage();
    parsed.alpha = colorType == 6;

    if (!ReadChunks(file.get(), fileSize - 33, parsed))
        return QImage();
    file.reset();
    QImage description;
    if (!parsed.before.isEmpty() || !parsed.after.isEmpty()) {
        description = ReadDescription(parsed);
        if (description.isNull())
            return QImage();
    }

    QImage image = DecodeRows(parsed);
    if (image.isNull() || description.isNull())
        return image;
    image.setDotsPerMeterX(description.dotsPerMeterX());
    image.setDotsPerMeterY(description.dotsPerMeterY());
    image.setColorSpace(description.colorSpace());
    const QStringList keys = description.textKeys();
    for (const QString& key : keys)
        image.setText(key, description.text(key));
    return image;
}

} // namespace

QImage Load(const QString& i_FileName, bool* o_Fast)
{
    QImage image = LoadFast(i_FileName);
    if (o_Fast)
        *o_Fast = !image.isNull();
    if (image.isNull())
        image = QImageReader(i_FileName).read();
    return image;
}

} // namespace PngReader
