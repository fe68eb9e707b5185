#include "PngReader.h"

#include "HugePages.h"
#include "ImageLimits.h"
#include "PngPaeth.h"
#include "SafeFiles.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <libdeflate.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <atomic>
#include <chrono>
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
// path does not take. i_Left is what the file holds after IHDR: no length
// read from the file makes anything larger be allocated.
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
            continue; // its CRC is checked later, with the others'
        }
        quint32 crc = Crc(0, head + 4, 4);
        if (type == kIEND && length == 0) {
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

// The image data's CRCs: a damaged chunk leaves the file to the toolkit.
// Large images check them on another thread while the data is
// decompressed.
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

// Undoes filter Type on one row of width pixels, from the samples at in into
// out; prev is the row above in the image (all zero for the first row). The
// four channels of a pixel are computed at once, each pixel waiting for the
// one on its left: the fewer steps from one to the next, the faster.
template <int Bpp, int Type>
void UnfilterRow(const uchar* in, const QRgb* prev, QRgb* out, size_t width)
{
    const quint32 opaque = Bpp == 4 ? 0 : 0xff000000u;
    const __m128i ones = _mm_set1_epi8(-1);
    __m128i a = _mm_setzero_si128(); // left
    __m128i notA = ones;             // left, inverted
    __m128i c = _mm_setzero_si128(); // above left, as lanes
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
void UnfilterRow(const uchar* in, const QRgb* prev, QRgb* out, size_t width)
{
    int a[4] = {0, 0, 0, 0}; // left, as R, G, B, A
    int c[4] = {0, 0, 0, 0}; // above left
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

using RowUnfilter = void (*)(const uchar*, const QRgb*, QRgb*, size_t);

template <int Bpp>
constexpr RowUnfilter kUnfilters[5] = {UnfilterRow<Bpp, 0>, UnfilterRow<Bpp, 1>, UnfilterRow<Bpp, 2>,
                                       UnfilterRow<Bpp, 3>, UnfilterRow<Bpp, 4>};

// The zlib header: deflate with at most a 32 KB window, no preset
// dictionary, and its check bits right.
bool ZlibHeaderOk(const uchar* p)
{
    return (p[0] & 0x0f) == 8 && (p[0] >> 4) <= 7 && !(p[1] & 0x20) && ((p[0] << 8) | p[1]) % 31 == 0;
}

// The filtered rows and the image they are unfiltered into, in one buffer.
// The filtered rows sit at its end: unfiltering them in order, top to
// bottom, straight into the image then never overwrites a row not yet read,
// nor a pixel of the row being read that is still to come (RGB rows take
// less room than the image's; RGBA rows take one filter byte more, and the
// buffer is that much larger until they are unfiltered).
struct Rows
{
    uchar* buffer = nullptr;
    size_t bufferSize;
    size_t width;
    size_t height;
    int bpp;
    size_t stride;
    uchar* raw = nullptr; // the first row's filter type; rows follow at stride

    Rows(size_t i_Width, size_t i_Height, int i_Bpp)
        : width(i_Width)
        , height(i_Height)
        , bpp(i_Bpp)
        , stride(i_Width * size_t(i_Bpp) + 1)
    {
        bufferSize = qMax(stride * height, width * 4 * height);
    }
    void Place(uchar* i_Buffer)
    {
        buffer = i_Buffer;
        raw = buffer + bufferSize - stride * height;
    }
    QRgb* Image(size_t y) const { return reinterpret_cast<QRgb*>(buffer) + y * width; }

    // Unfilters row y; false for an unknown filter type.
    bool Unfilter(size_t y, const QRgb* i_ZeroRow) const
    {
        const uchar* in = raw + y * stride;
        if (in[0] > 4)
            return false;
        const QRgb* prev = y ? Image(y - 1) : i_ZeroRow;
        (bpp == 4 ? kUnfilters<4> : kUnfilters<3>)[in[0]](in + 1, prev, Image(y), width);
        return true;
    }
};

// What decompression writes can be followed as it goes: it fills its output
// front to back, writing at most a little ahead of where it has got to, and
// reads back at most 32 KB behind. Each row's filter type is preset to a
// value no row can have; once one row's has been written, the rows well
// before it are whole and those far enough behind may be overwritten by the
// image. Whether the rows read were the final ones is checked at the end
// against the stream's checksum.
constexpr uchar kUnwritten = 0xff;
constexpr size_t kAheadBytes = 16 * 1024; // far more than decompression writes ahead
constexpr size_t kWindowBytes = 32 * 1024;

class RowFollower
{
public:
    explicit RowFollower(const Rows& i_Rows)
        : m_Rows(i_Rows)
        , m_ZeroRow(new (std::nothrow) QRgb[i_Rows.width]())
    {
    }

    // Unfilters all rows as they become whole; false for an unknown filter
    // type or when decompression failed. Adler() is then the checksum of
    // the rows as they were read.
    bool Run()
    {
        if (!m_ZeroRow)
            return false;
        quint32 adler = 1;
        for (size_t y = 0; y < m_Rows.height; ++y) {
            if (!WaitForRow(y))
                return false;
            adler = quint32(libdeflate_adler32(adler, m_Rows.raw + y * m_Rows.stride, m_Rows.stride));
            if (!m_Rows.Unfilter(y, m_ZeroRow.get()))
                return false;
        }
        m_Adler = adler;
        return true;
    }
    quint32 Adler() const { return m_Adler; }
    // Decompression has ended: the rows are all there, or never will be.
    void Finish(bool i_Inflated)
    {
        m_State.store(i_Inflated ? Inflating::Done : Inflating::Failed, std::memory_order_release);
    }

private:
    // The row whose written filter type shows that row y is whole and that
    // the image's row y may be written.
    size_t Witness(size_t y) const
    {
        const size_t rawStart = size_t(m_Rows.raw - m_Rows.buffer);
        const size_t whole = rawStart + (y + 1) * m_Rows.stride + kAheadBytes;
        const size_t behind = (y + 1) * m_Rows.width * 4 + kWindowBytes + kAheadBytes;
        return (qMax(whole, behind) - rawStart + m_Rows.stride - 1) / m_Rows.stride;
    }
    bool WaitForRow(size_t y)
    {
        const size_t witness = Witness(y);
        for (int polls = 0;; ++polls) {
            const Inflating state = m_State.load(std::memory_order_acquire);
            if (state == Inflating::Failed)
                return false;
            if (state == Inflating::Done)
                return true;
            if (witness < m_Rows.height
                && __atomic_load_n(m_Rows.raw + witness * m_Rows.stride, __ATOMIC_ACQUIRE) != kUnwritten)
                return true;
            if (polls < 16)
                std::this_thread::yield();
            else
                std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    const Rows& m_Rows;
    // Where decompression has got to.
    enum class Inflating
    {
        Running,
        Done,
        Failed
    };
    std::atomic<Inflating> m_State{Inflating::Running};
    std::unique_ptr<QRgb[]> m_ZeroRow;
    quint32 m_Adler = 1;
};

// Below this, other threads cost more than they save.
constexpr size_t kThreadPixels = 1u << 20;

// Decompresses the image data in one call into the image's own memory while
// another thread unfilters the rows behind it. Besides the image, only the
// compressed data is held.
QImage DecodeRows(Parsed& io_Parsed)
{
    const size_t width = io_Parsed.width;
    const size_t height = io_Parsed.height;
    const size_t imageBytes = width * 4 * height;
    Rows rows(width, height, io_Parsed.alpha ? 4 : 3);
    // Deflate expands data at most 1032 times: a stream too short for its
    // rows is damaged, and no buffer is made for it.
    if (rows.stride * height / 1032 > io_Parsed.streamSize)
        return QImage();
    std::unique_ptr<void, void (*)(void*)> own(std::malloc(rows.bufferSize), FreeBuffer);
    if (!own)
        return QImage(); // too large to allocate: the toolkit fails alike
    rows.Place(static_cast<uchar*>(own.get()));
    AdviseHugePages(rows.buffer, rows.bufferSize);
    // Presets each row's filter type (see RowFollower), which also maps the
    // buffer in before decompression needs it.
    for (size_t y = 0; y < height; ++y)
        rows.raw[y * rows.stride] = kUnwritten;

    RowFollower follower(rows);
    std::future<bool> followed;
    std::future<bool> crcs;
    // Following decompression needs a processor that shows one thread's
    // writes to another in the order they were made.
    const bool threads = width * height >= kThreadPixels && std::thread::hardware_concurrency() >= 2;
#if defined(__x86_64__) || defined(__i386__)
    const bool follow = threads;
#else
    const bool follow = false;
#endif
    try {
        if (follow)
            followed = std::async(std::launch::async, &RowFollower::Run, &follower);
        if (threads)
            crcs = std::async(std::launch::async, IdatCrcsMatch, std::cref(io_Parsed));
    } catch (const std::system_error&) {
    }

    // The rows are checked against the stream's checksum as they are read:
    // they are unfiltered in place, so only the deflate data is given to the
    // decompressor, which would check the rows once done.
    const uchar* stream = io_Parsed.stream.get();
    const size_t streamSize = io_Parsed.streamSize;
    std::unique_ptr<libdeflate_decompressor, DecompressorFreer> decompressor(libdeflate_alloc_decompressor());
    size_t used = 0;
    // Exactly the rows, and the deflate data's end exactly before the
    // checksum at the end of the image data.
    const bool inflated = decompressor && streamSize >= 6 && ZlibHeaderOk(stream)
        && libdeflate_deflate_decompress_ex(decompressor.get(), stream + 2, streamSize - 6, rows.raw,
                                            rows.stride * height, &used, nullptr)
            == LIBDEFLATE_SUCCESS
        && used == streamSize - 6;
    follower.Finish(inflated);
    const bool crcsMatch = crcs.valid() ? crcs.get() : IdatCrcsMatch(io_Parsed);
    const quint32 adler = inflated ? BigEndian32(stream + streamSize - 4) : 0;
    io_Parsed.stream.reset();
    const bool unfiltered = (followed.valid() ? followed.get() : follower.Run()) && follower.Adler() == adler;
    if (!inflated || !crcsMatch || !unfiltered)
        return QImage();

    void* data = own.release();
    if (void* shrunk = std::realloc(data, imageBytes))
        data = shrunk;
    QImage image(static_cast<uchar*>(data), int(width), int(height), int(width * 4),
                 io_Parsed.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32, FreeBuffer, data);
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

QImage Load(const QString& i_FileName, bool* o_Fast, QString* o_Problem)
{
    if (o_Fast)
        *o_Fast = false;
    QString problem = SafeFiles::ReadableFileProblem(i_FileName);
    QImage image;
    if (problem.isEmpty()) {
        // The header alone tells the size: a small file can stand for an
        // image far larger than memory.
        QImageReader reader(i_FileName);
        const QSize size = reader.size();
        if (size.isValid() && !ImageFits(size.width(), size.height())) {
            problem = QStringLiteral("%1 x %2 pixels: larger than the largest picture this program takes")
                          .arg(size.width())
                          .arg(size.height());
        } else {
            image = LoadFast(i_FileName);
            if (o_Fast)
                *o_Fast = !image.isNull();
            if (image.isNull())
                image = reader.read();
            if (image.isNull())
                problem = reader.error() == QImageReader::UnsupportedFormatError
                    ? QStringLiteral("not a picture this program reads")
                    : QStringLiteral("the picture is damaged or cannot be read (%1)").arg(reader.errorString());
        }
    }
    if (o_Problem)
        *o_Problem = problem;
    return image;
}

} // namespace PngReader
