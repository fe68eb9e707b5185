#include "PngReader.h"

#include "HugePages.h"

#include <QFile>
#include <QImageReader>

#include <zlib.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
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
constexpr quint32 kPHYS = FourCC('p', 'H', 'Y', 's');

quint32 BigEndian32(const uchar* p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

quint32 ChunkCrc(quint32 type, const uchar* data, size_t length)
{
    uchar typeBytes[4] = {uchar(type >> 24), uchar(type >> 16), uchar(type >> 8), uchar(type)};
    uLong crc = crc32(0L, typeBytes, 4);
    while (length > 0) {
        const uInt piece = uInt(qMin<size_t>(length, 1u << 30));
        crc = crc32(crc, data, piece);
        data += piece;
        length -= piece;
    }
    return quint32(crc);
}

// The toolkit's reader (libpng's default limits) refuses an image wider or
// higher than this; checked before anything is allocated for the image.
constexpr quint32 kMaxSide = 1000000;

// Decompresses the image data on its own thread into a ring of a few rows,
// which the calling thread unfilters in place and converts into the image.
// Byte counts are cumulative over the whole (still filtered) data: the
// inflater may write up to m_Released + ring size, the caller may read up to
// m_Produced. Each side wakes the other only when what it waits for is there,
// so an image costs a few wake-ups per ring, not one per row. The atomics are
// sequentially consistent on purpose: each side stores its count, then reads
// what the other waits for, so either the waiter sees the new count or the
// storer sees the wish and wakes it.
class Inflater
{
public:
    Inflater(std::FILE* file, uchar* ring, size_t ringSize, size_t rawSize)
        : m_File(file)
        , m_Ring(ring)
        , m_RingSize(ringSize)
        , m_RawSize(rawSize)
    {
    }

    void Run()
    {
        const bool ok = Decode();
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Succeeded = ok;
            m_Finished = true;
        }
        m_Wake.notify_all();
    }

    // Waits until at least i_Bytes are available; false if decoding ended
    // before (failure or too little data).
    bool WaitFor(size_t i_Bytes)
    {
        if (m_Produced.load() >= i_Bytes)
            return true;
        m_ReaderNeeds.store(i_Bytes);
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Wake.wait(lock, [&] { return m_Produced.load() >= i_Bytes || m_Finished; });
        m_ReaderNeeds.store(SIZE_MAX);
        return m_Produced.load() >= i_Bytes;
    }

    // The caller is done with every byte before i_Bytes: the ring may take
    // new data there.
    void Release(size_t i_Bytes)
    {
        m_Released.store(i_Bytes);
        if (i_Bytes >= m_InflaterNeeds.load()) {
            {
                std::lock_guard<std::mutex> lock(m_Mutex);
            }
            m_Wake.notify_all();
        }
    }

    void Cancel()
    {
        m_Cancelled.store(true);
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
        }
        m_Wake.notify_all();
    }

    bool Succeeded()
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Finished && m_Succeeded;
    }

    bool hasPhys = false;
    quint32 physX = 0;
    quint32 physY = 0;
    int physUnit = 0;

private:
    bool Read(uchar* data, size_t length) { return std::fread(data, 1, length, m_File) == length; }

    void Publish(size_t produced)
    {
        m_Produced.store(produced);
        if (produced >= m_ReaderNeeds.load()) {
            {
                std::lock_guard<std::mutex> lock(m_Mutex);
            }
            m_Wake.notify_all();
        }
    }

    // Contiguous bytes of the ring that may be written at cumulative offset
    // produced (< m_RawSize), waiting for a quarter of the ring to be free
    // if it is full; 0 when cancelled.
    size_t WaitForRoom(size_t produced)
    {
        const size_t left = m_RawSize - produced;
        const size_t target = produced + qMin(left, qMax<size_t>(m_RingSize / 4, 1));
        if (m_Released.load() + m_RingSize < target) {
            m_InflaterNeeds.store(target - m_RingSize);
            std::unique_lock<std::mutex> lock(m_Mutex);
            m_Wake.wait(lock, [&] { return m_Released.load() + m_RingSize >= target || m_Cancelled.load(); });
            m_InflaterNeeds.store(SIZE_MAX);
        }
        if (m_Cancelled.load())
            return 0;
        const size_t free = m_Released.load() + m_RingSize - produced;
        const size_t untilEnd = m_RingSize - produced % m_RingSize;
        return qMin(qMin(free, untilEnd), qMin<size_t>(left, 1u << 30));
    }

    bool Decode()
    {
        std::vector<uchar> buffer;
        try {
            buffer.resize(256 * 1024);
        } catch (const std::bad_alloc&) {
            return false;
        }
        z_stream zs;
        std::memset(&zs, 0, sizeof(zs));
        if (inflateInit(&zs) != Z_OK)
            return false;
        const bool ok = DecodeChunks(zs, buffer);
        inflateEnd(&zs);
        return ok;
    }

    bool DecodeChunks(z_stream& zs, std::vector<uchar>& buffer)
    {
        bool inIdat = false;
        bool idatSeen = false;
        bool streamEnded = false;
        size_t produced = 0;
        for (;;) {
            if (m_Cancelled.load())
                return false;
            uchar header[8];
            if (!Read(header, 8))
                return false;
            const quint32 length = BigEndian32(header);
            const quint32 type = BigEndian32(header + 4);
            if (length > 0x7fffffffu)
                return false;
            uchar typeBytes[4] = {header[4], header[5], header[6], header[7]};
            uLong crc = crc32(0L, typeBytes, 4);

            if (type == kIDAT) {
                if (idatSeen && !inIdat)
                    return false; // image data must be one run of chunks
                inIdat = idatSeen = true;
                size_t left = length;
                while (left > 0) {
                    if (m_Cancelled.load())
                        return false;
                    const size_t piece = qMin(left, buffer.size());
                    if (!Read(buffer.data(), piece))
                        return false;
                    crc = crc32(crc, buffer.data(), uInt(piece));
                    left -= piece;
                    if (streamEnded)
                        return false; // data after the end of the stream
                    zs.next_in = buffer.data();
                    zs.avail_in = uInt(piece);
                    while (zs.avail_in > 0) {
                        // Once the image is complete, inflate gets no room:
                        // it may still read the stream's end, and any further
                        // data makes it fail.
                        size_t room = 0;
                        if (produced < m_RawSize) {
                            room = WaitForRoom(produced);
                            if (room == 0)
                                return false;
                        }
                        zs.next_out = m_Ring + produced % m_RingSize;
                        zs.avail_out = uInt(room);
                        const int status = inflate(&zs, Z_NO_FLUSH);
                        produced += room - zs.avail_out;
                        Publish(produced);
                        if (status == Z_STREAM_END) {
                            streamEnded = true;
                            if (zs.avail_in > 0)
                                return false;
                            break;
                        }
                        if (status != Z_OK)
                            return false; // corrupt data, or more data than the image holds
                    }
                }
            } else {
                inIdat = false;
                uchar data[16];
                if (type == kIEND && length == 0) {
                    // nothing to read
                } else if (type == kPHYS && length == 9 && !idatSeen && !hasPhys) {
                    if (!Read(data, 9))
                        return false;
                    crc = crc32(crc, data, 9);
                } else {
                    return false; // anything else is left to the toolkit's reader
                }
                uchar stored[4];
                if (!Read(stored, 4) || BigEndian32(stored) != quint32(crc))
                    return false;
                if (type == kIEND)
                    return streamEnded && produced == m_RawSize;
                hasPhys = true;
                physX = BigEndian32(data);
                physY = BigEndian32(data + 4);
                physUnit = data[8];
                continue;
            }
            uchar stored[4];
            if (!Read(stored, 4) || BigEndian32(stored) != quint32(crc))
                return false;
        }
    }

    std::FILE* m_File;
    uchar* m_Ring;
    size_t m_RingSize;
    size_t m_RawSize;
    std::atomic<size_t> m_Produced{0};
    std::atomic<size_t> m_Released{0};
    std::atomic<size_t> m_ReaderNeeds{SIZE_MAX};
    std::atomic<size_t> m_InflaterNeeds{SIZE_MAX};
    std::atomic<bool> m_Cancelled{false};
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    bool m_Finished = false;
    bool m_Succeeded = false;
};

inline uchar Paeth(int a, int b, int c)
{
    const int pa = qAbs(b - c);
    const int pb = qAbs(a - c);
    const int pc = qAbs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return uchar(a);
    return uchar(pb <= pc ? b : c);
}

// Undoes the row filter in place; prev is the previous row, already
// unfiltered (all zero for the first row).
bool Unfilter(uchar* cur, const uchar* prev, size_t n, int bpp, int type)
{
    switch (type) {
    case 0:
        return true;
    case 1:
        for (size_t i = size_t(bpp); i < n; ++i)
            cur[i] = uchar(cur[i] + cur[i - bpp]);
        return true;
    case 2:
        for (size_t i = 0; i < n; ++i)
            cur[i] = uchar(cur[i] + prev[i]);
        return true;
    case 3:
        for (size_t i = 0; i < size_t(bpp); ++i)
            cur[i] = uchar(cur[i] + (prev[i] >> 1));
        for (size_t i = size_t(bpp); i < n; ++i)
            cur[i] = uchar(cur[i] + ((cur[i - bpp] + prev[i]) >> 1));
        return true;
    case 4:
        for (size_t i = 0; i < size_t(bpp); ++i)
            cur[i] = uchar(cur[i] + prev[i]);
        for (size_t i = size_t(bpp); i < n; ++i)
            cur[i] = uchar(cur[i] + Paeth(cur[i - bpp], prev[i], prev[i - bpp]));
        return true;
    default:
        return false;
    }
}

void ConvertRow(const uchar* from, QRgb* to, int width, bool alpha)
{
    if (alpha) {
        for (int x = 0; x < width; ++x, from += 4)
            to[x] = (QRgb(from[3]) << 24) | (QRgb(from[0]) << 16) | (QRgb(from[1]) << 8) | from[2];
    } else {
        for (int x = 0; x < width; ++x, from += 3)
            to[x] = 0xff000000u | (QRgb(from[0]) << 16) | (QRgb(from[1]) << 8) | from[2];
    }
}

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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

    static const uchar signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    uchar head[33];
    if (std::fread(head, 1, sizeof(head), file.get()) != sizeof(head) || std::memcmp(head, signature, 8) != 0)
        return QImage();
    if (BigEndian32(head + 8) != 13 || BigEndian32(head + 12) != kIHDR
        || BigEndian32(head + 29) != ChunkCrc(kIHDR, head + 16, 13))
        return QImage();
    const quint32 width = BigEndian32(head + 16);
    const quint32 height = BigEndian32(head + 20);
    const int depth = head[24];
    const int colorType = head[25];
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide || depth != 8
        || (colorType != 2 && colorType != 6) || head[26] != 0 || head[27] != 0 || head[28] != 0)
        return QImage();

    const bool alpha = colorType == 6;
    const int bpp = alpha ? 4 : 3;
    const size_t rowBytes = size_t(width) * size_t(bpp);
    const size_t stride = rowBytes + 1;
    const size_t rawSize = stride * height;
    // Half a megabyte of rows stays in the cache between the two threads; at
    // least four rows, so that the inflater can work ahead of the caller.
    const size_t ringRows = qMin<size_t>(height, qMax<size_t>(4, (512 * 1024) / stride));
    const size_t ringSize = ringRows * stride;

    QImage image(int(width), int(height), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return QImage(); // too large to allocate: the toolkit fails alike
    std::unique_ptr<uchar[]> ring(new (std::nothrow) uchar[ringSize]);
    std::unique_ptr<uchar[]> zeroRow(new (std::nothrow) uchar[rowBytes]());
    if (!ring || !zeroRow)
        return QImage();
    AdviseHugePages(image.bits(), size_t(image.sizeInBytes()));

    Inflater inflater(file.get(), ring.get(), ringSize, rawSize);
    std::thread worker;
    try {
        worker = std::thread(&Inflater::Run, &inflater);
    } catch (const std::system_error&) {
        return QImage(); // no thread to be had: the toolkit reads it
    }

    bool ok = true;
    const uchar* prev = zeroRow.get();
    uchar* row = ring.get();
    for (quint32 y = 0; y < height && ok; ++y) {
        if (!inflater.WaitFor(stride * (y + 1))) {
            ok = false;
            break;
        }
        ok = Unfilter(row + 1, prev, rowBytes, bpp, row[0]);
        if (ok)
            ConvertRow(row + 1, reinterpret_cast<QRgb*>(image.scanLine(int(y))), int(width), alpha);
        // Only this row is still needed, as the previous row of the next one.
        inflater.Release(stride * y);
        prev = row + 1;
        row = row + stride == ring.get() + ringSize ? ring.get() : row + stride;
    }
    if (!ok)
        inflater.Cancel();
    if (worker.joinable())
        worker.join();
    if (!ok || !inflater.Succeeded())
        return QImage();

    // The toolkit's reader keeps a resolution given in dots per metre.
    if (inflater.hasPhys && inflater.physUnit == 1) {
        image.setDotsPerMeterX(int(inflater.physX));
        image.setDotsPerMeterY(int(inflater.physY));
    }
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
