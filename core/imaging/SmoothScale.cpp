#include "core/imaging/SmoothScale.h"

#include <QtGlobal>

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// Where each pixel of the result starts in the source, in one direction:
// scaling up, a pixel's centre falls between two source pixels; scaling
// down, a pixel covers a run of them from there.
std::vector<int> Points(int i_Source, int i_Target)
{
    std::vector<int> points(size_t(i_Target) + 1, 0);
    const bool up = i_Target >= i_Source;
    qint64 value = up ? qint64(0x8000) * i_Source / i_Target - 0x8000 : 0;
    const qint64 step = (qint64(i_Source) << 16) / i_Target;
    for (int i = 0; i < i_Target; ++i) {
        points[size_t(i)] = int(std::max<qint64>(0, value >> 16));
        value += step;
    }
    return points;
}

// The weights that go with the points: scaling up, the share (of 256) of
// the second pixel; scaling down, the share (of 16384) of the first pixel
// of the run in the low 16 bits and of each whole one above them.
std::vector<int> Weights(int i_Source, int i_Target, bool i_Up)
{
    std::vector<int> weights(size_t(i_Target), 0);
    const qint64 step = (qint64(i_Source) << 16) / i_Target;
    if (i_Up) {
        qint64 value = qint64(0x8000) * i_Source / i_Target - 0x8000;
        for (int i = 0; i < i_Target; ++i) {
            const qint64 position = value >> 16;
            weights[size_t(i)] = position < 0 || position >= i_Source - 1 ? 0 : int((value >> 8) & 0xff);
            value += step;
        }
    } else {
        qint64 value = 0;
        const int whole = int(((qint64(i_Target) << 14) + i_Source - 1) / i_Source);
        for (int i = 0; i < i_Target; ++i) {
            const int first = int(((0x10000 - (value & 0xffff)) * whole) >> 16);
            weights[size_t(i)] = first | (whole << 16);
            value += step;
        }
    }
    return weights;
}

inline quint32 Mix(quint32 x, quint32 a, quint32 y, quint32 b)
{
    quint32 t = (x & 0xff00ff) * a + (y & 0xff00ff) * b;
    t = (t >> 8) & 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a + ((y >> 8) & 0xff00ff) * b;
    return (x & 0xff00ff00) | t;
}

inline quint32 Mix4(const quint32* top, const quint32* bottom, quint32 wx, quint32 wy)
{
    // Down the columns first, then across, as the toolkit does.
    const quint32 left = Mix(top[0], 256 - wy, bottom[0], wy);
    const quint32 right = Mix(top[1], 256 - wy, bottom[1], wy);
    return Mix(left, 256 - wx, right, wx);
}

} // namespace

SmoothScale::SmoothScale(const QImage& i_Source, const QSize& i_Target)
    : m_Source(i_Source)
    , m_Width(i_Target.width())
    , m_Height(i_Target.height())
{
    const QImage::Format format = i_Source.format();
    if (i_Source.isNull() || m_Width <= 0 || m_Height <= 0
        || (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied))
        return;
    m_Alpha = format == QImage::Format_ARGB32_Premultiplied;
    const int sw = i_Source.width();
    const int sh = i_Source.height();
    m_UpX = m_Width >= sw;
    m_UpY = m_Height >= sh;
    m_XPoints = Points(sw, m_Width);
    m_YPoints = Points(sh, m_Height);
    m_XWeights = Weights(sw, m_Width, m_UpX);
    m_YWeights = Weights(sh, m_Height, m_UpY);
    m_Valid = true;
}

bool SmoothScale::TakesScaler(const QImage& i_Source, const QSize& i_Target)
{
    if (i_Source.isNull() || i_Target.isEmpty() || i_Target == i_Source.size())
        return false;
    switch (i_Source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return true;
    case QImage::Format_ARGB32: {
        // Large sources and strong reductions are scaled as premultiplied
        // pixels; the others go through the painter.
        const qint64 pixels = qint64(i_Source.width()) * i_Source.height();
        const bool strong = i_Target.width() * 2 < i_Source.width() || i_Target.height() * 2 < i_Source.height();
        return pixels >= (1 << 20) || strong;
    }
    default:
        return false;
    }
}

void SmoothScale::UnpremultiplyRow(QRgb* io_Pixels, int i_From, int i_To, int i_RowWidth)
{
    // The toolkit converts four pixels at a time from the row's start, and
    // the rest one by one; both give the same values only where it says so,
    // so each part is converted by the toolkit itself, grouped as it would be.
    const int grouped = i_RowWidth - i_RowWidth % 4;
    auto convert = [&](int from, int to) {
        if (to <= from)
            return;
        QImage part(reinterpret_cast<uchar*>(io_Pixels + (from - i_From)), to - from, 1,
                    QImage::Format_ARGB32_Premultiplied);
        part.convertTo(QImage::Format_ARGB32);
        std::copy_n(reinterpret_cast<const QRgb*>(part.constBits()), to - from, io_Pixels + (from - i_From));
    };
    const int groupStart = i_From - i_From % 4;
    const int groupEnd = std::min(grouped, i_To);
    if (i_From < groupEnd) {
        // Whole groups: pad the first and last to four pixels.
        QRgb padded[4];
        for (int at = groupStart; at < groupEnd; at += 4) {
            const int from = std::max(at, i_From);
            const int to = std::min(at + 4, groupEnd);
            if (from == at && to == at + 4) {
                // Convert as many whole groups as follow in one go.
                int end = at + 4;
                while (end + 4 <= groupEnd)
                    end += 4;
                convert(at, end);
                at = end - 4;
                continue;
            }
            std::fill_n(padded, 4, 0u);
            std::copy(io_Pixels + (from - i_From), io_Pixels + (to - i_From), padded + (from - at));
            QImage part(reinterpret_cast<uchar*>(padded), 4, 1, QImage::Format_ARGB32_Premultiplied);
            part.convertTo(QImage::Format_ARGB32);
            const QRgb* done = reinterpret_cast<const QRgb*>(part.constBits());
            std::copy(done + (from - at), done + (to - at), io_Pixels + (from - i_From));
        }
    }
    // The rest of the row, one by one.
    for (int x = std::max(i_From, grouped); x < i_To; ++x)
        convert(x, x + 1);
}

namespace {

// The scaling of one row of the result, each direction up or down; the
// scalar form, and below the same sums four channels at a time.
struct RowJob
{
    const quint32* row; // the source row of the result's row
    qsizetype step;     // source pixels from one row to the next
    const int* xPoints;
    const int* xWeights;
    int yWeight;
    bool alpha;
    quint32* out;
    int count;
};

inline quint32 Pack(quint32 r, quint32 g, quint32 b, quint32 a, bool alpha)
{
    return ((alpha ? a & 0xff : 0xff) << 24) | ((r & 0xff) << 16) | ((g & 0xff) << 8) | (b & 0xff);
}

struct Sums
{
    quint32 r = 0, g = 0, b = 0, a = 0;
    void Add(quint32 pixel, quint32 weight)
    {
        r += quint32(qRed(pixel)) * weight;
        g += quint32(qGreen(pixel)) * weight;
        b += quint32(qBlue(pixel)) * weight;
        a += quint32(qAlpha(pixel)) * weight;
    }
};

// A run of pixels i_Step apart, the first weighted i_First, the others
// i_Whole, the last what is left of 16384.
inline Sums RunSums(const quint32* p, quint32 i_First, quint32 i_Whole, qsizetype i_Step)
{
    Sums s;
    s.Add(*p, i_First);
    quint32 left = (1u << 14) - i_First;
    for (; left > i_Whole; left -= i_Whole) {
        p += i_Step;
        s.Add(*p, i_Whole);
    }
    p += i_Step;
    s.Add(*p, left);
    return s;
}

inline Sums BlendSums(Sums s, const Sums& t, quint32 w)
{
    s.r = (s.r * (256 - w) + t.r * w) >> 8;
    s.g = (s.g * (256 - w) + t.g * w) >> 8;
    s.b = (s.b * (256 - w) + t.b * w) >> 8;
    s.a = (s.a * (256 - w) + t.a * w) >> 8;
    return s;
}

void RowUpUp(const RowJob& j)
{
    const quint32 wy = quint32(j.yWeight);
    for (int x = 0; x < j.count; ++x) {
        const quint32* p = j.row + j.xPoints[x];
        const quint32 wx = quint32(j.xWeights[x]);
        if (wy > 0)
            j.out[x] = wx > 0 ? Mix4(p, p + j.step, wx, wy) : Mix(p[0], 256 - wy, p[j.step], wy);
        else
            j.out[x] = wx > 0 ? Mix(p[0], 256 - wx, p[1], wx) : p[0];
    }
}

void RowUpDown(const RowJob& j) // up across, down along the columns
{
    const quint32 first = quint32(j.yWeight) & 0xffff;
    const quint32 whole = quint32(j.yWeight) >> 16;
    for (int x = 0; x < j.count; ++x) {
        const quint32* p = j.row + j.xPoints[x];
        Sums s = RunSums(p, first, whole, j.step);
        if (const quint32 wx = quint32(j.xWeights[x]))
            s = BlendSums(s, RunSums(p + 1, first, whole, j.step), wx);
        j.out[x] = Pack(s.r >> 14, s.g >> 14, s.b >> 14, s.a >> 14, j.alpha);
    }
}

void RowDownUp(const RowJob& j) // down across, up along the columns
{
    const quint32 wy = quint32(j.yWeight);
    for (int x = 0; x < j.count; ++x) {
        const quint32* p = j.row + j.xPoints[x];
        const quint32 first = quint32(j.xWeights[x]) & 0xffff;
        const quint32 whole = quint32(j.xWeights[x]) >> 16;
        Sums s = RunSums(p, first, whole, 1);
        if (wy > 0)
            s = BlendSums(s, RunSums(p + j.step, first, whole, 1), wy);
        j.out[x] = Pack(s.r >> 14, s.g >> 14, s.b >> 14, s.a >> 14, j.alpha);
    }
}

void RowDownDown(const RowJob& j)
{
    const quint32 yFirst = quint32(j.yWeight) & 0xffff;
    const quint32 yWhole = quint32(j.yWeight) >> 16;
    for (int x = 0; x < j.count; ++x) {
        const quint32* p = j.row + j.xPoints[x];
        const quint32 first = quint32(j.xWeights[x]) & 0xffff;
        const quint32 whole = quint32(j.xWeights[x]) >> 16;
        // Sums wrap past 2^31 for white: kept unsigned, their top byte is right.
        Sums line = RunSums(p, first, whole, 1);
        Sums s;
        s.r = (line.r >> 4) * yFirst;
        s.g = (line.g >> 4) * yFirst;
        s.b = (line.b >> 4) * yFirst;
        s.a = (line.a >> 4) * yFirst;
        quint32 left = (1u << 14) - yFirst;
        for (; left > yWhole; left -= yWhole) {
            p += j.step;
            line = RunSums(p, first, whole, 1);
            s.r += (line.r >> 4) * yWhole;
            s.g += (line.g >> 4) * yWhole;
            s.b += (line.b >> 4) * yWhole;
            s.a += (line.a >> 4) * yWhole;
        }
        p += j.step;
        line = RunSums(p, first, whole, 1);
        s.r += (line.r >> 4) * left;
        s.g += (line.g >> 4) * left;
        s.b += (line.b >> 4) * left;
        s.a += (line.a >> 4) * left;
        j.out[x] = Pack(s.r >> 24, s.g >> 24, s.b >> 24, s.a >> 24, j.alpha);
    }
}

#if defined(__x86_64__) || defined(__i386__)
#define QUILLEX_SCALE_SSE4 1

// The same sums with the four channels of a pixel in the lanes of one
// register. A run's whole pixels are added first and weighted once: the
// products are the same integers.
#define SSE4 __attribute__((target("sse4.1")))

SSE4 inline __m128i Channels(quint32 pixel)
{
    return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(int(pixel)));
}

SSE4 inline __m128i RunV(const quint32* p, quint32 i_First, quint32 i_Whole, qsizetype i_Step)
{
    __m128i s = _mm_mullo_epi32(Channels(*p), _mm_set1_epi32(int(i_First)));
    quint32 left = (1u << 14) - i_First;
    __m128i wholes = _mm_setzero_si128();
    for (; left > i_Whole; left -= i_Whole) {
        p += i_Step;
        wholes = _mm_add_epi32(wholes, Channels(*p));
    }
    p += i_Step;
    s = _mm_add_epi32(s, _mm_mullo_epi32(wholes, _mm_set1_epi32(int(i_Whole))));
    return _mm_add_epi32(s, _mm_mullo_epi32(Channels(*p), _mm_set1_epi32(int(left))));
}

SSE4 inline quint32 PackV(__m128i v, bool alpha)
{
    v = _mm_packus_epi32(v, v);
    const quint32 pixel = quint32(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
    return alpha ? pixel : pixel | 0xff000000u;
}

SSE4 void RowUpDownV(const RowJob& j)
{
    const quint32 first = quint32(j.yWeight) & 0xffff;
    const quint32 whole = quint32(j.yWeight) >> 16;
    for (int x = 0; x < j.count; ++x) {
        const quint32* p = j.row + j.xPoints[x];
        __m128i s = RunV(p, first, whole, j.step);
        if (const int wx = j.xWeights[x]) {
            const __m128i t = RunV(p + 1, first, whole, j.step);
            s = _mm_srli_epi32(
                _mm_add_epi32(_mm_mullo_epi32(s, _mm_set1_epi32(256 - wx)), _mm_mullo_epi32(t, _mm_set1_epi32(wx))), 8);
        }
        j.out[x] = PackV(_mm_srli_epi32(s, 14), j.alpha);
    }
}

SSE4 void RowDownUpV(const RowJob& j)
{
    const int wy = j.yWeight;
    for (int x = 0; x < j.count; ++x) {
        const quint32* p = j.row + j.xPoints[x];
        const quint32 first = quint32(j.xWeights[x]) & 0xffff;
        const quint32 whole = quint32(j.xWeights[x]) >> 16;
        __m128i s = RunV(p, first, whole, 1);
        if (wy > 0) {
            const __m128i t = RunV(p + j.step, first, whole, 1);
            s = _mm_srli_epi32(
                _mm_add_epi32(_mm_mullo_epi32(s, _mm_set1_epi32(256 - wy)), _mm_mullo_epi32(t, _mm_set1_epi32(wy))), 8);
        }
        j.out[x] = PackV(_mm_srli_epi32(s, 14), j.alpha);
    }
}

SSE4 void RowDownDownV(const RowJob& j)
{
    const quint32 yFirst = quint32(j.yWeight) & 0xffff;
    const quint32 yWhole = quint32(j.yWeight) >> 16;
    for (int x = 0; x < j.count; ++x) {
        const quint32* p = j.row + j.xPoints[x];
        const quint32 first = quint32(j.xWeights[x]) & 0xffff;
        const quint32 whole = quint32(j.xWeights[x]) >> 16;
        __m128i s = _mm_mullo_epi32(_mm_srli_epi32(RunV(p, first, whole, 1), 4), _mm_set1_epi32(int(yFirst)));
        quint32 left = (1u << 14) - yFirst;
        __m128i wholes = _mm_setzero_si128();
        for (; left > yWhole; left -= yWhole) {
            p += j.step;
            wholes = _mm_add_epi32(wholes, _mm_srli_epi32(RunV(p, first, whole, 1), 4));
        }
        p += j.step;
        s = _mm_add_epi32(s, _mm_mullo_epi32(wholes, _mm_set1_epi32(int(yWhole))));
        s = _mm_add_epi32(s, _mm_mullo_epi32(_mm_srli_epi32(RunV(p, first, whole, 1), 4), _mm_set1_epi32(int(left))));
        j.out[x] = PackV(_mm_srli_epi32(s, 24), j.alpha);
    }
}

bool HasSse4()
{
    static const bool has = __builtin_cpu_supports("sse4.1");
    return has;
}

#endif

} // namespace

void SmoothScale::Scale(const QRect& i_Rect, uchar* o_Pixels, qsizetype i_Stride) const
{
    if (!m_Valid || i_Rect.isEmpty())
        return;
    void (*row)(const RowJob&) = m_UpX ? (m_UpY ? RowUpUp : RowUpDown) : (m_UpY ? RowDownUp : RowDownDown);
#ifdef QUILLEX_SCALE_SSE4
    if (HasSse4() && !(m_UpX && m_UpY))
        row = m_UpX ? RowUpDownV : (m_UpY ? RowDownUpV : RowDownDownV);
#endif
    const uchar* bits = m_Source.constBits();
    const qsizetype sourceStride = m_Source.bytesPerLine();
    RowJob job;
    job.step = sourceStride / 4;
    job.xPoints = m_XPoints.data() + i_Rect.left();
    job.xWeights = m_XWeights.data() + i_Rect.left();
    job.alpha = m_Alpha;
    job.count = i_Rect.width();
    for (int y = i_Rect.top(); y <= i_Rect.bottom(); ++y) {
        job.row = reinterpret_cast<const quint32*>(bits + qsizetype(m_YPoints[size_t(y)]) * sourceStride);
        job.yWeight = m_YWeights[size_t(y)];
        job.out = reinterpret_cast<quint32*>(o_Pixels + qsizetype(y - i_Rect.top()) * i_Stride);
        row(job);
    }
}
