#include "core/imaging/PngReader.h"

#include "core/files/SafeFiles.h"
#include "core/imaging/HugePages.h"
#include "core/imaging/ImageLimits.h"
#include "core/imaging/PngPaeth.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <libdeflate.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
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
constexpr quint32 kPLTE = FourCC('P', 'L', 'T', 'E');
constexpr quint32 kTRNS = FourCC('t', 'R', 'N', 'S');

// Chunks that only describe the image: what the toolkit makes of them is
// asked of the toolkit itself (see ReadDescription). None of them changes the
// toolkit's pixels: it asks for no gamma correction, background, or shift of
// significant bits.
bool DescribesImage(quint32 type)
{
    static const quint32 kDescribing[] = {
        FourCC('p', 'H', 'Y', 's'), FourCC('i', 'C', 'C', 'P'), FourCC('t', 'E', 'X', 't'), FourCC('z', 'T', 'X', 't'),
        FourCC('i', 'T', 'X', 't'), FourCC('g', 'A', 'M', 'A'), FourCC('c', 'H', 'R', 'M'), FourCC('s', 'R', 'G', 'B'),
        FourCC('t', 'I', 'M', 'E'), FourCC('b', 'K', 'G', 'D'), FourCC('s', 'B', 'I', 'T'), FourCC('h', 'I', 'S', 'T'),
        FourCC('s', 'P', 'L', 'T'), FourCC('e', 'X', 'I', 'f')};
    return std::find(std::begin(kDescribing), std::end(kDescribing), type) != std::end(kDescribing);
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
    int colorType = 2;
    int depth = 8;
    int paletteSize = 0; // PLTE entries
    bool transparency = false; // a tRNS chunk
    // Bytes of one pixel: 8- and 16-bit samples only.
    int PixelBytes() const { return (colorType == 0 || colorType == 3 ? 1 : colorType == 4 ? 2 : colorType == 2 ? 3 : 4) * depth / 8; }
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
        } else if (DescribesImage(type) || ((type == kPLTE || type == kTRNS) && !idatSeen)) {
            if (type == kPLTE)
                o_Parsed.paletteSize = int(length / 3);
            o_Parsed.transparency = o_Parsed.transparency || type == kTRNS;
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
    const QByteArray row(1 + i_Parsed.PixelBytes(), 0); // filter type and one black pixel (or the first colour)
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

// The image data's deflate stream, walked over without writing anything, to
// find what zlib (and so the toolkit) refuses though libdeflate takes it.

// Reads a stream's bits, least significant first; past its end it reads
// zero bits, and Overran() tells when any of those was used.
class BitReader
{
public:
    BitReader(const uchar* i_Data, size_t i_Size)
        : m_Begin(i_Data)
        , m_At(i_Data)
        , m_End(i_Data + i_Size)
    {
    }
    // At least 56 bits can be taken after this. False once all of them
    // would be past the end: whatever reads on is bound to fail.
    bool Refill()
    {
        if (m_End - m_At >= 8) {
            quint64 word;
            std::memcpy(&word, m_At, 8);
            const int bytes = (63 - m_Count) >> 3;
            m_Bits |= (qFromLittleEndian(word) & ((quint64(1) << (bytes * 8)) - 1)) << m_Count;
            m_At += bytes;
            m_Count += bytes * 8;
            return true;
        }
        for (; m_Count < 56; m_Count += 8) {
            if (m_At < m_End)
                m_Bits |= quint64(*m_At++) << m_Count;
            else
                ++m_Past;
        }
        return m_Past < 8;
    }
    int Count() const { return m_Count; }
    quint32 Peek() const { return quint32(m_Bits); }
    void Drop(int n)
    {
        m_Bits >>= n;
        m_Count -= n;
    }
    quint32 Take(int n)
    {
        const quint32 bits = quint32(m_Bits & ((quint64(1) << n) - 1));
        Drop(n);
        return bits;
    }
    bool Overran() const { return Used() > Size() * 8; }
    // Moves on to the next whole byte and past i_Bytes more; false when
    // that is past the end.
    bool SkipBytes(size_t i_Bytes)
    {
        Drop(m_Count % 8);
        const size_t at = size_t(m_At - m_Begin) + m_Past - size_t(m_Count / 8);
        if (at > Size() || i_Bytes > Size() - at)
            return false;
        m_At = m_Begin + at + i_Bytes;
        m_Past = 0;
        m_Bits = 0;
        m_Count = 0;
        return true;
    }

private:
    size_t Size() const { return size_t(m_End - m_Begin); }
    size_t Used() const { return (size_t(m_At - m_Begin) + m_Past) * 8 - size_t(m_Count); }

    const uchar* m_Begin;
    const uchar* m_At;
    const uchar* m_End;
    size_t m_Past = 0; // zero bytes read past the end
    quint64 m_Bits = 0;
    int m_Count = 0;
};

// A block's canonical Huffman code: codes of up to kFastBits bits are found
// in one look-up, longer ones bit by bit.
constexpr int kFastBits = 10;
constexpr quint32 kFastMask = (1u << kFastBits) - 1;
// Fast entries (minus one) below this are literals.
constexpr quint32 kLiteralEntries = 256u << 8;

struct HuffmanCode
{
    // (symbol << 8) | length, the length where a shift takes it; 0 for
    // longer or unused codes.
    quint32 fast[1 << kFastBits];
    quint16 count[16];
    quint16 symbols[288]; // by code length, then by symbol

    // False for a set of lengths zlib refuses: more codes than the lengths
    // allow, or fewer, unless i_Short and there is at most one code, of one
    // bit.
    bool Build(const quint8* i_Lengths, int i_Symbols, bool i_Short)
    {
        std::memset(count, 0, sizeof(count));
        for (int s = 0; s < i_Symbols; ++s)
            ++count[i_Lengths[s]];
        count[0] = 0;
        int left = 1;
        int longest = 0;
        for (int length = 1; length < 16; ++length) {
            left = (left << 1) - count[length];
            if (left < 0)
                return false;
            if (count[length])
                longest = length;
        }
        if (left > 0 && !(i_Short && longest <= 1))
            return false;
        quint16 offset[16];
        quint16 next[16];
        offset[1] = 0;
        next[1] = 0;
        for (int length = 1; length < 15; ++length) {
            offset[length + 1] = quint16(offset[length] + count[length]);
            next[length + 1] = quint16((next[length] + count[length]) << 1);
        }
        std::memset(fast, 0, sizeof(fast));
        for (int s = 0; s < i_Symbols; ++s) {
            const int length = i_Lengths[s];
            if (!length)
                continue;
            symbols[offset[length]++] = quint16(s);
            if (length > kFastBits)
                continue;
            const quint32 code = next[length]++;
            quint32 reversed = 0;
            for (int bit = 0; bit < length; ++bit)
                reversed |= ((code >> bit) & 1) << (length - 1 - bit);
            for (quint32 at = reversed; at < (1u << kFastBits); at += 1u << length)
                fast[at] = quint32(s << 8) | quint32(length);
        }
        return true;
    }

    // The next symbol, or kNoCode for bits that are no code.
    static constexpr int kNoCode = 0xffff;
    int Decode(BitReader& io_In) const
    {
        const quint32 bits = io_In.Peek();
        if (const quint32 entry = fast[bits & ((1u << kFastBits) - 1)]) {
            io_In.Drop(int(entry & 63));
            return int(entry >> 8);
        }
        int code = 0;
        int first = 0;
        int index = 0;
        for (int length = 1; length < 16; ++length) {
            code |= int(bits >> (length - 1)) & 1;
            if (code - count[length] < first) {
                io_In.Drop(length);
                return symbols[index + code - first];
            }
            index += count[length];
            first = (first + count[length]) << 1;
            code <<= 1;
        }
        return kNoCode;
    }
};

constexpr quint16 kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr quint8 kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                     2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr quint16 kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                       33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                       1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr quint8 kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                       6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// What a walk that only finds where each block ends needs of its codes:
// for each value of the next kFastBits bits, how many bits the symbols they
// hold take, as many whole literals as fit, then perhaps a length (with its
// extra bits; a distance follows) or the end of the block. Whatever is not
// whole in those bits, and any symbol zlib refuses, is left to the slower
// look-up, which finds it refused.
struct SkipTables
{
    static constexpr quint16 kDistance = 1 << 6; // a length: a distance follows
    static constexpr quint16 kEnd = 1 << 7;      // the end of the block
    static constexpr quint16 kSlow = 1 << 8;     // decode one symbol the long way
    quint16 literals[1 << kFastBits];
    quint16 distances[1 << kFastBits]; // code and extra bits, or kSlow

    void Build(const HuffmanCode& i_Literals, const HuffmanCode& i_Distances)
    {
        for (quint32 bits = 0; bits < (1u << kFastBits); ++bits) {
            int used = 0;
            quint16 then = 0;
            for (;;) {
                const quint32 entry = i_Literals.fast[bits >> used];
                const int length = int(entry & 63);
                const quint32 symbol = entry >> 8;
                if (!entry || length > kFastBits - used || symbol > 285)
                    break;
                used += length;
                if (symbol < 256)
                    continue;
                if (symbol == 256) {
                    then = kEnd;
                } else {
                    used += kLengthExtra[symbol - 257];
                    then = kDistance;
                }
                break;
            }
            literals[bits] = used ? quint16(used) | then : kSlow;
            const quint32 entry = i_Distances.fast[bits];
            distances[bits] = entry && (entry >> 8) < 30 ? quint16((entry & 63) + kDistanceExtra[entry >> 8]) : kSlow;
        }
    }
};

// Reads a dynamic block's code lengths into its two codes; false for
// anything zlib refuses, among them more than 286 literal/length or 30
// distance codes, which libdeflate takes.
bool ReadDynamicCodes(BitReader& io_In, HuffmanCode& o_Literals, HuffmanCode& o_Distances)
{
    static const quint8 kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    io_In.Refill();
    const int literals = int(io_In.Take(5)) + 257;
    const int distances = int(io_In.Take(5)) + 1;
    const int lengthCodes = int(io_In.Take(4)) + 4;
    if (literals > 286 || distances > 30)
        return false;
    quint8 lengths[286 + 30] = {};
    for (int i = 0; i < lengthCodes; ++i) {
        io_In.Refill();
        lengths[kOrder[i]] = quint8(io_In.Take(3));
    }
    HuffmanCode lengthCode;
    if (!lengthCode.Build(lengths, 19, false))
        return false;
    std::memset(lengths, 0, 19);
    for (int i = 0; i < literals + distances;) {
        io_In.Refill();
        const int symbol = lengthCode.Decode(io_In);
        if (symbol > 18)
            return false;
        if (symbol < 16) {
            lengths[i++] = quint8(symbol);
            continue;
        }
        if (symbol == 16 && i == 0)
            return false;
        const quint8 value = symbol == 16 ? lengths[i - 1] : 0;
        const int repeat = symbol == 16 ? 3 + int(io_In.Take(2))
            : symbol == 17              ? 3 + int(io_In.Take(3))
                                        : 11 + int(io_In.Take(7));
        if (repeat > literals + distances - i)
            return false;
        std::memset(lengths + i, value, size_t(repeat));
        i += repeat;
    }
    return lengths[256] != 0 && o_Literals.Build(lengths, literals, true)
        && o_Distances.Build(lengths + literals, distances, true);
}

// True when zlib takes the deflate stream as libdeflate does, as far as the
// compressed data shows: every block is walked over, the stream must give
// exactly i_Bytes, and no distance may reach past i_Window (the zlib
// header's window; zlib may refuse what does).
bool ZlibTakesDeflate(const uchar* i_Data, size_t i_Size, size_t i_Window, size_t i_Bytes)
{
    // With a window of 32 KiB, the most deflate allows, zlib refuses nothing
    // inside a block that libdeflate takes, except symbols the tables below
    // have no room for; and libdeflate itself refuses a distance before the
    // start and any other number of bytes than the image's. Smaller windows
    // are counted out byte by byte.
    const bool counted = i_Window < 32768;
    BitReader in(i_Data, i_Size);
    HuffmanCode literals;
    HuffmanCode distances;
    std::unique_ptr<SkipTables> skips(counted ? nullptr : new (std::nothrow) SkipTables);
    if (!counted && !skips)
        return false;
    size_t out = 0;
    for (bool last = false; !last;) {
        if (in.Overran() || out > i_Bytes)
            return false;
        in.Refill();
        last = in.Take(1);
        const quint32 type = in.Take(2);
        if (type == 0) {
            if (!in.SkipBytes(0))
                return false;
            in.Refill();
            const quint32 length = in.Take(16);
            if (in.Take(16) != (~length & 0xffff) || !in.SkipBytes(length) || length > i_Bytes - out)
                return false;
            out += length;
            continue;
        }
        if (type == 1) {
            // Codes for all 288 and 32 symbols, though zlib refuses the last two of each.
            quint8 lengths[288];
            std::memset(lengths, 8, 144);
            std::memset(lengths + 144, 9, 112);
            std::memset(lengths + 256, 7, 24);
            std::memset(lengths + 280, 8, 8);
            literals.Build(lengths, 288, false);
            std::memset(lengths, 5, 32);
            distances.Build(lengths, 32, false);
        } else if (type == 3 || !ReadDynamicCodes(in, literals, distances)) {
            return false;
        }
        if (!counted) {
            // Only where the block ends is needed: no distance reaches past a
            // full window, and libdeflate checks the rest.
            skips->Build(literals, distances);
            for (;;) {
                // Refilled only when a long code, a length's extra bits and
                // then a distance could run out of bits.
                if (in.Count() < 20 && !in.Refill())
                    return false;
                const quint32 entry = skips->literals[in.Peek() & kFastMask];
                in.Drop(int(entry & 63));
                if (entry < SkipTables::kDistance)
                    continue;
                if (entry & SkipTables::kDistance) {
                    if (in.Count() < 28)
                        in.Refill();
                    const quint32 distance = skips->distances[in.Peek() & kFastMask];
                    if (distance == SkipTables::kSlow) {
                        const int code = distances.Decode(in);
                        if (code > 29)
                            return false;
                        in.Drop(kDistanceExtra[code]);
                    } else {
                        in.Drop(int(distance));
                    }
                    continue;
                }
                if (entry & SkipTables::kEnd)
                    break;
                const int symbol = literals.Decode(in);
                if (symbol == 256)
                    break;
                if (symbol > 285)
                    return false;
                if (symbol > 256) {
                    in.Drop(kLengthExtra[symbol - 257]);
                    if (in.Count() < 28)
                        in.Refill();
                    const int code = distances.Decode(in);
                    if (code > 29)
                        return false;
                    in.Drop(kDistanceExtra[code]);
                }
            }
            continue;
        }
        for (;;) {
            // Refilling only when needed keeps it off the chain from one
            // symbol to the next; two literals of short codes, the usual run,
            // are taken from one look-up each.
            if (in.Count() < 30 && !in.Refill())
                return false;
            quint32 entry = literals.fast[in.Peek() & kFastMask];
            if (entry - 1 < kLiteralEntries) {
                in.Drop(int(entry & 63));
                ++out;
                entry = literals.fast[in.Peek() & kFastMask];
                if (entry - 1 < kLiteralEntries) {
                    in.Drop(int(entry & 63));
                    ++out;
                    continue;
                }
            }
            const int symbol = literals.Decode(in);
            if (symbol < 256) {
                ++out; // checked against i_Bytes with the next length and at the end
                continue;
            }
            if (symbol == 256)
                break;
            if (symbol > 285)
                return false;
            if (in.Count() < 5 + 15 + 13)
                in.Refill();
            const size_t length = kLengthBase[symbol - 257] + in.Take(kLengthExtra[symbol - 257]);
            const int code = distances.Decode(in);
            if (code > 29)
                return false;
            const size_t distance = kDistanceBase[code] + in.Take(kDistanceExtra[code]);
            if (distance > out || distance > i_Window || out > i_Bytes || length > i_Bytes - out)
                return false;
            out += length;
        }
    }
    return (!counted || out == i_Bytes) && !in.Overran();
}

// What can be checked of the image data without decompressing it: the IDAT
// CRCs, and that zlib takes the stream (see ZlibTakesDeflate). It reads only
// the compressed data, so it runs beside decompression on large images.
bool StreamChecksPass(const Parsed& i_Parsed, size_t i_Bytes)
{
    const uchar* stream = i_Parsed.stream.get();
    return IdatCrcsMatch(i_Parsed) && i_Parsed.streamSize >= 6
        && ZlibTakesDeflate(stream + 2, i_Parsed.streamSize - 6, size_t(256) << qMin(stream[0] >> 4, 7), i_Bytes);
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

// Below this, another thread costs more than it saves.
constexpr size_t kThreadPixels = 1u << 20;

// Decompresses the image data in one call into o_Rows, exactly i_Bytes of
// it, the stream's end exactly at the end of the image data (libdeflate
// checks the zlib header and checksum); large images start the checks of the
// compressed data on another thread first, in o_Checks. That thread first
// has the pages of the rows, then of the rest of i_Buffer (the image, when
// the rows are unfiltered into it), made ready: the calling thread then
// writes without faulting on them.
bool Decompress(const Parsed& i_Parsed, uchar* o_Rows, size_t i_Bytes, std::future<bool>& o_Checks,
                uchar* i_Buffer = nullptr, size_t i_BufferBytes = 0)
{
    if (size_t(i_Parsed.width) * i_Parsed.height >= kThreadPixels && std::thread::hardware_concurrency() >= 2) {
        try {
            o_Checks = std::async(std::launch::async, [&i_Parsed, o_Rows, i_Bytes, i_Buffer, i_BufferBytes]() {
                PrefaultPages(o_Rows, i_Bytes);
                if (i_Buffer && o_Rows > i_Buffer)
                    PrefaultPages(i_Buffer, std::min(size_t(o_Rows - i_Buffer), i_BufferBytes));
                return StreamChecksPass(i_Parsed, i_Bytes);
            });
        } catch (const std::system_error&) {
        }
    }
    std::unique_ptr<libdeflate_decompressor, DecompressorFreer> decompressor(libdeflate_alloc_decompressor());
    size_t used = 0;
    return decompressor
        && libdeflate_zlib_decompress_ex(decompressor.get(), i_Parsed.stream.get(), i_Parsed.streamSize, o_Rows,
                                         i_Bytes, &used, nullptr)
            == LIBDEFLATE_SUCCESS
        && used == i_Parsed.streamSize;
}

// The toolkit's image format for a kind of file the fast path takes besides
// 8-bit RGB and RGBA without tRNS, which DecodeRows takes; Format_Invalid for
// the others. ReadDescription's image must agree.
QImage::Format OtherFormat(const Parsed& i_Parsed)
{
    const bool wide = i_Parsed.depth == 16;
    if (i_Parsed.transparency && i_Parsed.colorType != 3 && !(i_Parsed.colorType == 0 && !wide))
        return QImage::Format_Invalid; // converted to alpha or to a colour table otherwise
    switch (i_Parsed.colorType) {
    case 0:
        return i_Parsed.transparency ? QImage::Format_Indexed8 : wide ? QImage::Format_Grayscale16
                                                                      : QImage::Format_Grayscale8;
    case 3:
        return wide ? QImage::Format_Invalid : QImage::Format_Indexed8;
    case 4:
        return wide ? QImage::Format_RGBA64 : QImage::Format_ARGB32;
    case 2:
        return wide ? QImage::Format_RGBX64 : QImage::Format_Invalid;
    case 6:
        return wide ? QImage::Format_RGBA64 : QImage::Format_Invalid;
    }
    return QImage::Format_Invalid;
}

// Undoes the filter of one row of i_Bytes bytes in place; i_Above is the row
// above, unfiltered (all zero for the first). False for an unknown filter.
bool UnfilterBytes(int i_Type, uchar* io_Row, const uchar* i_Above, size_t i_Bytes, size_t i_Bpp)
{
    uchar* row = io_Row;
    const uchar* above = i_Above;
    if (i_Bpp == 1 && (i_Type == 1 || i_Type >= 3)) {
        // One byte a pixel: the pixel on the left is kept in a register, not
        // read back from the row just written.
        int left = 0;
        int aboveLeft = 0;
        for (size_t i = 0; i < i_Bytes; ++i) {
            const int up = above[i];
            left = uchar(row[i] + (i_Type == 1 ? left : i_Type == 3 ? (left + up) >> 1 : PngPaeth(left, up, aboveLeft)));
            aboveLeft = up;
            row[i] = uchar(left);
        }
        return true;
    }
    switch (i_Type) {
    case 0:
        return true;
    case 1:
        for (size_t i = i_Bpp; i < i_Bytes; ++i)
            row[i] = uchar(row[i] + row[i - i_Bpp]);
        return true;
    case 2:
        for (size_t i = 0; i < i_Bytes; ++i)
            row[i] = uchar(row[i] + above[i]);
        return true;
    case 3:
        for (size_t i = 0; i < i_Bpp; ++i)
            row[i] = uchar(row[i] + (above[i] >> 1));
        for (size_t i = i_Bpp; i < i_Bytes; ++i)
            row[i] = uchar(row[i] + ((row[i - i_Bpp] + above[i]) >> 1));
        return true;
    case 4:
        for (size_t i = 0; i < i_Bpp; ++i)
            row[i] = uchar(row[i] + above[i]);
        for (size_t i = i_Bpp; i < i_Bytes; ++i)
            row[i] = uchar(row[i] + PngPaeth(row[i - i_Bpp], above[i], above[i - i_Bpp]));
        return true;
    }
    return false;
}

inline quint16 Sample16(const uchar* p)
{
    return quint16((p[0] << 8) | p[1]);
}

// One unfiltered row into the image's row of the format OtherFormat gives;
// false for a colour index past the palette, which the toolkit warns about
// and is left to it.
bool ConvertRow(const Parsed& i_Parsed, const uchar* i_Row, uchar* o_Line)
{
    const size_t width = i_Parsed.width;
    const int channels = i_Parsed.PixelBytes() / (i_Parsed.depth / 8);
    if (i_Parsed.depth == 8) {
        if (channels == 1) {
            std::memcpy(o_Line, i_Row, width);
            bool outside = false;
            for (size_t x = 0; i_Parsed.colorType == 3 && i_Parsed.paletteSize < 256 && x < width; ++x)
                outside = outside || i_Row[x] >= i_Parsed.paletteSize;
            return !outside;
        }
        QRgb* line = reinterpret_cast<QRgb*>(o_Line);
        for (size_t x = 0; x < width; ++x) // grey and alpha
            line[x] = qRgba(i_Row[2 * x], i_Row[2 * x], i_Row[2 * x], i_Row[2 * x + 1]);
        return true;
    }
    quint16* line = reinterpret_cast<quint16*>(o_Line);
    if (channels == 1) {
        for (size_t x = 0; x < width; ++x)
            line[x] = Sample16(i_Row + 2 * x);
        return true;
    }
    for (size_t x = 0; x < width; ++x, i_Row += 2 * channels, line += 4) {
        const bool grey = channels < 3;
        line[0] = Sample16(i_Row);
        line[1] = grey ? line[0] : Sample16(i_Row + 2);
        line[2] = grey ? line[0] : Sample16(i_Row + 4);
        line[3] = channels == 3 ? 0xffff : Sample16(i_Row + 2 * (channels - 1));
    }
    return true;
}

// The kinds OtherFormat names: decompressed into a buffer of their own,
// each row unfiltered there and converted into the image of the format the
// description has (with its colour table).
QImage DecodeOtherRows(Parsed& io_Parsed, const QImage& i_Description)
{
    const size_t height = io_Parsed.height;
    const size_t rowBytes = size_t(io_Parsed.width) * size_t(io_Parsed.PixelBytes());
    const size_t stride = rowBytes + 1;
    if (stride * height / 1032 > io_Parsed.streamSize)
        return QImage(); // see DecodeRows
    std::unique_ptr<uchar[]> raw(new (std::nothrow) uchar[stride * height]);
    const std::unique_ptr<uchar[]> zeroRow(new (std::nothrow) uchar[rowBytes]());
    QImage image;
    if (raw)
        image = QImage(int(io_Parsed.width), int(height), i_Description.format());
    if (image.isNull() || !zeroRow)
        return QImage();
    image.setColorTable(i_Description.colorTable());
    std::future<bool> checks;
    bool decoded = Decompress(io_Parsed, raw.get(), stride * height, checks);
    for (size_t y = 0; decoded && y < height; ++y) {
        uchar* row = raw.get() + y * stride;
        decoded = UnfilterBytes(row[0], row + 1, y ? row + 1 - stride : zeroRow.get(), rowBytes,
                                size_t(io_Parsed.PixelBytes()))
            && ConvertRow(io_Parsed, row + 1, image.scanLine(int(y)));
    }
    const bool checked = checks.valid() ? checks.get() : decoded && StreamChecksPass(io_Parsed, stride * height);
    io_Parsed.stream.reset();
    return decoded && checked ? image : QImage();
}

// Decompresses the image data in one call into the image's own memory, then
// unfilters it there, top to bottom; large images check the compressed data
// on another thread meanwhile. Besides the image, only the compressed data
// is held. Only this thread writes to the image: the other reads only the
// compressed data, which nothing writes to until it has finished.
QImage DecodeRows(Parsed& io_Parsed)
{
    const size_t width = io_Parsed.width;
    const size_t height = io_Parsed.height;
    const size_t imageBytes = width * 4 * height;
    Rows rows(width, height, io_Parsed.alpha ? 4 : 3);
    const size_t rawBytes = rows.stride * height;
    // Deflate expands data at most 1032 times: a stream too short for its
    // rows is damaged, and no buffer is made for it.
    if (rawBytes / 1032 > io_Parsed.streamSize)
        return QImage();
    std::unique_ptr<QRgb[]> zeroRow(new (std::nothrow) QRgb[width]());
    std::unique_ptr<void, void (*)(void*)> own(std::malloc(rows.bufferSize), FreeBuffer);
    if (!own || !zeroRow)
        return QImage(); // too large to allocate: the toolkit fails alike
    rows.Place(static_cast<uchar*>(own.get()));
    AdviseHugePages(rows.buffer, rows.bufferSize);

    std::future<bool> checks;
    bool decoded = Decompress(io_Parsed, rows.raw, rawBytes, checks, rows.buffer, rows.bufferSize);
    for (size_t y = 0; decoded && y < height; ++y)
        decoded = rows.Unfilter(y, zeroRow.get());
    const bool checked = checks.valid() ? checks.get() : decoded && StreamChecksPass(io_Parsed, rawBytes);
    io_Parsed.stream.reset();
    if (!decoded || !checked)
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
    parsed.depth = head[24];
    parsed.colorType = head[25];
    // No image larger than the program takes is decoded, whoever asks.
    if (!ImageFits(parsed.width, parsed.height) || parsed.width > kMaxSide || parsed.height > kMaxSide
        || (parsed.depth != 8 && parsed.depth != 16) || parsed.colorType > 6 || parsed.colorType == 1
        || parsed.colorType == 5 || head[26] != 0 || head[27] != 0 || head[28] != 0)
        return QImage();
    parsed.alpha = parsed.colorType == 6;

    if (!ReadChunks(file.get(), fileSize - 33, parsed))
        return QImage();
    file.reset();
    const bool rgb8 = parsed.depth == 8 && (parsed.colorType == 2 || parsed.colorType == 6);
    const QImage::Format other = rgb8 ? QImage::Format_Invalid : OtherFormat(parsed);
    if (rgb8 ? parsed.transparency : other == QImage::Format_Invalid || (parsed.colorType == 3 && !parsed.paletteSize))
        return QImage();
    QImage description;
    if (!rgb8 || !parsed.before.isEmpty() || !parsed.after.isEmpty()) {
        description = ReadDescription(parsed);
        // The text of an empty key can be read back only joined with all
        // the others (see QImage::text): such a file is left to the toolkit.
        if (description.isNull() || description.textKeys().contains(QString())
            || (!rgb8 && description.format() != other))
            return QImage();
    }

    QImage image = rgb8 ? DecodeRows(parsed) : DecodeOtherRows(parsed, description);
    if (image.isNull() || description.isNull())
        return image;
    image.setDotsPerMeterX(description.dotsPerMeterX());
    image.setDotsPerMeterY(description.dotsPerMeterY());
    image.setColorSpace(description.colorSpace());
    for (const QString& key : description.textKeys())
        image.setText(key, description.text(key));
    return image;
}

} // namespace

QStringList PicturePatterns()
{
    return {QStringLiteral("*.png"), QStringLiteral("*.xpm"),  QStringLiteral("*.jpg"),
            QStringLiteral("*.bmp"), QStringLiteral("*.jpeg"), QStringLiteral("*.pbm"),
            QStringLiteral("*.pgm"), QStringLiteral("*.ppm"),  QStringLiteral("*.xbm")};
}

QString PictureFilter()
{
    return QStringLiteral("Images (%1)").arg(PicturePatterns().join(QLatin1Char(' ')));
}

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
