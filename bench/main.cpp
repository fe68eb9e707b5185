// quillex-bench: times the covering engine's stages (load, scale, cut and
// compose, encode and write) and its peak memory on fixed workloads, and runs
// ImageMagick, libvips and the toolkit's own PNG writer on the same image for
// comparison, and times the PNG reader against QImage::load on a wallpaper
// with an ICC profile. It prints figures and asserts nothing. Each workload
// runs in a child process of its own so that its peak memory is its own.
//
// Usage: quillex-bench               (everything, in a temporary folder)
//        quillex-bench --render      (quillex-render and ImageMagick on workload A only)
//        quillex-bench --canvas      (canvas recomposition only)
//        quillex-bench --canvas-save (16 canvas outputs saved, against QImage::save)
//        quillex-bench --soft-edges  (workload A at quality 100 without and
//                                     with soft edges blended, only)
//        quillex-bench --video [runs] (quillex-render cutting a 4K clip into 2 x 2
//                                     outputs, against ffmpeg; soft edges; memory)
//        quillex-bench --big-screens (quillex-render's time and peak memory on
//                                     the largest screens the pages allow)
//        quillex-bench --decodes [FOLDER] (our PNG reader against QImage::load
//                                     on pictures as tools write them, only;
//                                     the pictures are kept in FOLDER if given)
//        quillex-bench --levels      (file size and time of each libdeflate level
//                                     against zlib's, at every zlib level)
//        quillex-bench --window [runs] (Load, Refresh and Save in the window,
//                                     against the engine and ImageMagick)

#include "bench/BenchSupport.h"
#include "bench/BigScreens.h"
#include "bench/VideoBench.h"
#include "bench/VideoWindowBench.h"
#include "bench/WindowBench.h"
#include "core/canvas/CanvasCompose.h"
#include "core/covering/CoveringCompose.h"
#include "core/covering/CoveringSave.h"
#include "core/imaging/ImageSave.h"
#include "core/imaging/ParallelFor.h"
#include "core/imaging/PngReader.h"
#include "core/imaging/PngWriter.h"
#include "core/setup/SetupFile.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QJsonObject>
#include <QLinearGradient>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QRadialGradient>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <libdeflate.h>
#include <sys/resource.h>
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace CoveringEngine;

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

SetupFile::Covering CoveringGrid(int i_Columns, int i_Rows, int i_Width, int i_Height, int i_Covering, int i_Quality,
                                 const QString& i_Prefix)
{
    SetupFile::Covering c;
    c.screenW = i_Columns;
    c.screenH = i_Rows;
    c.outputW = i_Width;
    c.outputH = i_Height;
    c.isFullScreen = true;
    c.isCentered = true;
    c.isColorBackground = true;
    c.backgroundColor = Qt::black;
    c.pictureQuality = i_Quality;
    c.outputFilePrefix = i_Prefix;
    // Seam by seam, as the page saves them.
    c.coveringHorizontal.fill(i_Covering);
    c.coveringVertical.fill(i_Covering);
    return c;
}

bool WriteSetupFile(const QString& i_Path, const SetupFile::Covering* i_Covering, const SetupFile::Canvas* i_Canvas)
{
    QJsonObject top;
    if (i_Covering)
        SetupFile::WriteCovering(*i_Covering, top);
    if (i_Canvas)
        SetupFile::WriteCanvas(*i_Canvas, top);
    QFile file(i_Path);
    return file.open(QIODevice::WriteOnly) && file.write(SetupFile::Serialize(top)) > 0;
}

namespace {

const int kSourceWidth = 7680;
const int kSourceHeight = 2160;
const int kCovering = 20;

double CpuMs()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double ChildrenCpuMs()
{
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

long PeakKb()
{
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QString LoadAverage()
{
    QFile file("/proc/loadavg");
    if (!file.open(QIODevice::ReadOnly))
        return "unknown";
    return QString::fromLatin1(file.readLine()).section(' ', 0, 2);
}

// ---- The source: a deterministic photograph-like picture -------------------

quint32 Hash(quint32 x)
{
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

float Lattice(int xi, int yi, quint32 seed)
{
    return float(Hash(quint32(xi) * 73856093u ^ quint32(yi) * 19349663u ^ seed * 83492791u) & 0xffffu) / 65535.0f;
}

float ValueNoise(float x, float y, quint32 seed)
{
    const int xi = int(std::floor(x));
    const int yi = int(std::floor(y));
    float fx = x - float(xi);
    float fy = y - float(yi);
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float top = Lattice(xi, yi, seed) * (1 - fx) + Lattice(xi + 1, yi, seed) * fx;
    const float bottom = Lattice(xi, yi + 1, seed) * (1 - fx) + Lattice(xi + 1, yi + 1, seed) * fx;
    return top * (1 - fy) + bottom * fy;
}

int Clamp(float value)
{
    return qBound(0, int(value + 0.5f), 255);
}

// Sky with clouds over textured ground, fine stripes and sensor noise: smooth
// areas, edges and noise, so that it compresses like a photograph, not like a
// flat drawing.
QImage PhotoLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    uchar* bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    ParallelFor(height, [&](int y) {
        QRgb* line = reinterpret_cast<QRgb*>(bits + y * bytesPerLine);
        const float v = float(y) / float(height);
        for (int x = 0; x < width; ++x) {
            const float u = float(x) / float(width);
            const float horizon = 0.45f + 0.08f * std::sin(u * 9.42f) + 0.03f * std::sin(u * 41.0f);
            float r, g, b;
            if (v < horizon) {
                const float cloud = 0.6f * ValueNoise(x / 240.0f, y / 120.0f, 1)
                    + 0.3f * ValueNoise(x / 60.0f, y / 40.0f, 2) + 0.1f * ValueNoise(x / 12.0f, y / 12.0f, 3);
                const float c = std::max(0.0f, cloud - 0.45f) * 2.2f;
                r = 70 + 60 * v + 170 * c;
                g = 120 + 50 * v + 120 * c;
                b = 210 - 20 * v + 40 * c;
            } else {
                const float t = 0.6f * ValueNoise(x / 35.0f, y / 18.0f, 4) + 0.4f * ValueNoise(x / 4.0f, y / 4.0f, 5);
                const float field = ValueNoise(x / 400.0f, y / 200.0f, 6);
                r = 50 + 110 * t * field + 30 * std::sin(x * 0.013f);
                g = 80 + 90 * t;
                b = 35 + 45 * t * (1 - field);
            }
            const float stripes = 9.0f * std::sin(x * 0.21f + y * 0.07f) * std::sin(y * 0.13f);
            const quint32 n = Hash(quint32(x) * 2654435761u + quint32(y) * 40503u);
            line[x] = qRgb(Clamp(r + stripes + float(int(n % 11) - 5)),
                           Clamp(g + stripes + float(int((n >> 8) % 11) - 5)),
                           Clamp(b + stripes + float(int((n >> 16) % 11) - 5)));
        }
    });
    return image;
}

// ---- One workload, run in a child process ----------------------------------

Input WorkloadGrid(int columns, int rows)
{
    Input in;
    in.columnCount = columns;
    in.rowCount = rows;
    in.outputWidth = 1920;
    in.outputHeight = 1080;
    in.coveredWidth = columns * 1920 - (columns - 1) * kCovering;
    in.coveredHeight = rows * 1080 - (rows - 1) * kCovering;
    for (int i = 1; i < kGridSize; ++i) {
        in.columnOffsets[i] = in.columnOffsets[i - 1] + kCovering;
        in.rowOffsets[i] = in.rowOffsets[i - 1] + kCovering;
    }
    in.isFullScreen = true;
    return in;
}

void Report(const char* key, const std::vector<double>& wall, const std::vector<double>& cpu)
{
    std::printf("%s %.1f %.1f\n", key, Median(wall), Median(cpu));
}

// Arguments: columns rows source-png output-folder quality repetitions compare-with-toolkit(0/1)
//            [soft-edges(0/1)]
int RunWorkload(const QStringList& args)
{
    const int columns = args.value(2).toInt();
    const int rows = args.value(3).toInt();
    const QString png = args.value(4);
    const QString folder = args.value(5);
    const int quality = args.value(6).toInt();
    const int repetitions = qMax(1, args.value(7).toInt());
    const bool compare = args.value(8) == "1";

    Input in = WorkloadGrid(columns, rows);
    in.softEdge.enabled = args.value(9) == "1";
    std::vector<double> wall[5], cpu[5];
    ImageTable kept;
    for (int rep = 0; rep < repetitions; ++rep) {
        ImageTable results;
        QElapsedTimer timer;
        double c = CpuMs();
        timer.start();
        QImage source = PngReader::Load(png);
        wall[0].push_back(timer.nsecsElapsed() / 1e6);
        cpu[0].push_back(CpuMs() - c);
        if (source.isNull()) {
            std::printf("error cannot-load\n");
            return 1;
        }
        in.imageWidth = source.width();
        in.imageHeight = source.height();

        c = CpuMs();
        timer.restart();
        const QImage cropped = CropSource(source, in);
        PlacedPicture placed;
        const bool scaled = placed.Prepare(cropped, PlacedSize(in));
        wall[1].push_back(timer.nsecsElapsed() / 1e6);
        cpu[1].push_back(CpuMs() - c);

        c = CpuMs();
        timer.restart();
        const RecordTable records = ComputeResultImages(in);
        const bool composed = scaled && ComposeOutputImages(placed, in, records, results);
        placed.PrepareWhole(QImage());
        wall[2].push_back(timer.nsecsElapsed() / 1e6);
        cpu[2].push_back(CpuMs() - c);
        if (!composed) {
            std::printf("error cannot-compose\n");
            return 1;
        }

        c = CpuMs();
        timer.restart();
        const QStringList failed = SaveOutputImages(results, columns, rows, folder, "out", quality);
        wall[3].push_back(timer.nsecsElapsed() / 1e6);
        cpu[3].push_back(CpuMs() - c);
        if (!failed.isEmpty()) {
            std::printf("error cannot-write %s\n", qPrintable(failed.first()));
            return 1;
        }
        wall[4].push_back(wall[0].back() + wall[1].back() + wall[2].back() + wall[3].back());
        cpu[4].push_back(cpu[0].back() + cpu[1].back() + cpu[2].back() + cpu[3].back());
        if (rep == repetitions - 1 && compare)
            kept = results;
    }
    Report("load", wall[0], cpu[0]);
    Report("scale", wall[1], cpu[1]);
    Report("compose", wall[2], cpu[2]);
    Report("encode", wall[3], cpu[3]);
    Report("total", wall[4], cpu[4]);
    std::printf("peak %ld\n", PeakKb());

    if (compare) {
        // The toolkit alone: QImage::load, and QImage::save of every output in turn.
        std::vector<double> saveWall, saveCpu, loadWall, loadCpu;
        for (int rep = 0; rep < repetitions; ++rep) {
            QElapsedTimer timer;
            double c = CpuMs();
            timer.start();
            for (int i = 0; i < columns; ++i)
                for (int j = 0; j < rows; ++j)
                    kept[i][j].save(QString("%1/qt_%2_%3.png").arg(folder).arg(i).arg(j), "PNG", quality);
            saveWall.push_back(timer.nsecsElapsed() / 1e6);
            saveCpu.push_back(CpuMs() - c);
            c = CpuMs();
            timer.restart();
            const QImage loaded(png);
            loadWall.push_back(timer.nsecsElapsed() / 1e6);
            loadCpu.push_back(CpuMs() - c);
        }
        Report("qtsave", saveWall, saveCpu);
        Report("qtload", loadWall, loadCpu);
    }
    return 0;
}

// ---- Decoding a wallpaper ---------------------------------------------------

const int kWallpaperWidth = 5120;
const int kWallpaperHeight = 2880;

// The photograph-like picture with an alpha channel that fades towards the
// edges, tagged with a wide-gamut colour space: saved by the toolkit, it
// carries an ICC profile.
QImage Wallpaper()
{
    QImage image = PhotoLike(kWallpaperWidth, kWallpaperHeight).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int dy = qMin(y, image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x) {
            const int edge = qMin(dy, qMin(x, image.width() - 1 - x));
            line[x] = (line[x] & 0x00ffffffu) | (QRgb(qMin(255, 128 + edge / 2)) << 24);
        }
    }
    image.setColorSpace(QColorSpace::DisplayP3);
    return image;
}

// Gradients and soft light shapes with a one-level grain and a touch of
// alpha, tagged like the other wallpaper.
QImage SmoothWallpaper()
{
    QImage image(kWallpaperWidth, kWallpaperHeight, QImage::Format_ARGB32);
    {
        QPainter painter(&image);
        QLinearGradient gradient(0, 0, image.width(), image.height());
        gradient.setColorAt(0, QColor(20, 30, 90));
        gradient.setColorAt(0.5, QColor(200, 90, 60));
        gradient.setColorAt(1, QColor(250, 220, 120));
        painter.fillRect(image.rect(), gradient);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        for (int i = 0; i < 40; ++i) {
            QRadialGradient light(QPointF((i * 733) % image.width(), (i * 377) % image.height()), 300 + (i * 97) % 600);
            light.setColorAt(0, QColor(255, 255, 255, 90));
            light.setColorAt(1, QColor(255, 255, 255, 0));
            painter.setBrush(light);
            painter.drawEllipse(light.center(), light.radius(), light.radius());
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(Hash(quint32(x) * 2654435761u + quint32(y)) % 3) - 1;
            const QRgb c = line[x];
            line[x] = qRgba(qBound(0, qRed(c) + grain, 255), qBound(0, qGreen(c) + grain, 255),
                            qBound(0, qBlue(c) + grain, 255), 255 - (x * y) % 2);
        }
    }
    image.setColorSpace(QColorSpace::DisplayP3);
    return image;
}

// Arguments: png repetitions. Our reader and QImage::load in turn.
int RunDecode(const QStringList& args)
{
    const QString png = args.value(2);
    const int repetitions = qMax(1, args.value(3).toInt());
    std::vector<double> oursWall, oursCpu, qtWall, qtCpu;
    bool fast = true;
    bool same = true;
    long peakKb = 0;
    for (int rep = 0; rep < repetitions; ++rep) {
        QElapsedTimer timer;
        double c = CpuMs();
        timer.start();
        bool wasFast = false;
        const QImage ours = PngReader::Load(png, &wasFast);
        oursWall.push_back(timer.nsecsElapsed() / 1e6);
        oursCpu.push_back(CpuMs() - c);
        fast = fast && wasFast;
        if (rep == 0)
            peakKb = PeakKb(); // our reader's, before the toolkit's reader runs
        c = CpuMs();
        timer.restart();
        const QImage toolkit(png);
        qtWall.push_back(timer.nsecsElapsed() / 1e6);
        qtCpu.push_back(CpuMs() - c);
        same = same && !ours.isNull() && ours == toolkit && ours.colorSpace() == toolkit.colorSpace();
    }
    Report("ours", oursWall, oursCpu);
    Report("qtload", qtWall, qtCpu);
    std::printf("fast %d\nsame %d\npeak %ld\n", int(fast), int(same), peakKb);
    return 0;
}

// ---- Compression levels ------------------------------------------------------

int QualityForLevel(int level)
{
    for (int quality = 100; quality >= 0; --quality)
        if (PngWriter::CompressionLevel(quality) == level)
            return quality;
    return -1;
}

// The filtered rows our writer compresses at a zlib level: the image data of
// its file, inflated.
QByteArray FilteredRows(const QImage& image, int level)
{
    QByteArray png;
    if (!PngWriter::Encode(image, QualityForLevel(level), png))
        return QByteArray();
    QByteArray stream;
    for (int at = 8; at + 12 <= png.size();) {
        const int length = int(qFromBigEndian<quint32>(png.constData() + at));
        if (png.mid(at + 4, 4) == "IDAT")
            stream += png.mid(at + 8, length);
        at += 12 + length;
    }
    QByteArray rows(image.height() * (image.width() * 4 + 1), Qt::Uninitialized);
    uLongf size = uLongf(rows.size());
    if (uncompress(reinterpret_cast<Bytef*>(rows.data()), &size, reinterpret_cast<const Bytef*>(stream.constData()),
                   uLong(stream.size()))
        != Z_OK)
        return QByteArray();
    rows.resize(int(size));
    return rows;
}

// Compressed size with zlib as libpng drives it (32 KB window, memory level
// 8, the "filtered" strategy for filtered rows); adds the processor time.
size_t ZlibSize(const QByteArray& rows, int level, double& io_Ms)
{
    const double start = CpuMs();
    z_stream zs{};
    if (deflateInit2(&zs, level, Z_DEFLATED, 15, 8, level == 0 ? Z_DEFAULT_STRATEGY : Z_FILTERED) != Z_OK)
        return 0;
    std::vector<Bytef> out(deflateBound(&zs, uLong(rows.size())));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(rows.constData()));
    zs.avail_in = uInt(rows.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    const size_t size = deflate(&zs, Z_FINISH) == Z_STREAM_END ? size_t(zs.total_out) : 0;
    deflateEnd(&zs);
    io_Ms += CpuMs() - start;
    return size;
}

size_t DeflateSize(const QByteArray& rows, int level, double& io_Ms)
{
    const double start = CpuMs();
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    if (!compressor)
        return 0;
    std::vector<uchar> out(libdeflate_zlib_compress_bound(compressor, size_t(rows.size())));
    const size_t size = libdeflate_zlib_compress(compressor, rows.constData(), size_t(rows.size()), out.data(),
                                                 out.size());
    libdeflate_free_compressor(compressor);
    io_Ms += CpuMs() - start;
    return size;
}

// Large flat areas in a few colours with antialiased outlines.
QImage FlatDrawing(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 228));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 40), 3));
    for (quint32 i = 0; i < 40; ++i) {
        const quint32 h = Hash(i + 1);
        painter.setBrush(QColor::fromHsv(int(h % 360), 150, 225));
        const QRectF shape(h % quint32(width), (h >> 11) % quint32(height), 80 + (h >> 5) % 400, 60 + (h >> 17) % 300);
        if (i % 2)
            painter.drawEllipse(shape);
        else
            painter.drawRoundedRect(shape, 12, 12);
    }
    return image;
}

// For every zlib level: the sizes and times of zlib and of each libdeflate
// level on the rows our writer filters at that level, for the eight tiles of
// workload A's picture and for a flat drawing. The writer's choice is the
// fastest level whose files are at most 5% larger than zlib's on both.
int RunLevels()
{
    const QImage photo = PhotoLike(kSourceWidth, kSourceHeight);
    QVector<QImage> sets[2];
    for (int k = 0; k < 8; ++k)
        sets[0].append(photo.copy((k % 4) * 1920, (k / 4) * 1080, 1920, 1080));
    sets[1].append(FlatDrawing(1920, 1080));
    std::printf("Compressed size against zlib's, processor time; 8 photo-like tiles and a drawing, 1920 x 1080\n");
    for (int level = 0; level <= 9; ++level) {
        QList<QByteArray> rows[2];
        for (int set = 0; set < 2; ++set)
            for (const QImage& image : sets[set])
                rows[set].append(FilteredRows(image, level));
        double zlibMs[2] = {0, 0};
        double zlibBytes[2] = {0, 0};
        for (int set = 0; set < 2; ++set)
            for (const QByteArray& r : rows[set])
                zlibBytes[set] += double(ZlibSize(r, level, zlibMs[set]));
        std::printf("zlib level %d: photo %.2f MB %.0f ms, drawing %.3f MB %.1f ms; libdeflate uses %d\n", level,
                    zlibBytes[0] / 1e6, zlibMs[0], zlibBytes[1] / 1e6, zlibMs[1], PngWriter::DeflateLevel(level));
        for (int candidate = 0; candidate <= 12; ++candidate) {
            double ms[2] = {0, 0};
            double bytes[2] = {0, 0};
            for (int set = 0; set < 2; ++set)
                for (const QByteArray& r : rows[set])
                    bytes[set] += double(DeflateSize(r, candidate, ms[set]));
            std::printf("  libdeflate %2d: photo %6.3f x %5.0f ms, drawing %6.3f x %6.1f ms%s\n", candidate,
                        bytes[0] / zlibBytes[0], ms[0], bytes[1] / zlibBytes[1], ms[1],
                        candidate == PngWriter::DeflateLevel(level) ? "  <- used" : "");
        }
    }
    return 0;
}

// ---- The orchestrating process -----------------------------------------------

struct Figures
{
    QMap<QString, QPair<double, double>> stages; // wall, cpu
    long peakKb = 0;
    QString error;
    QMap<QString, QString> notes; // other "key value" lines
};

Figures RunChild(const QStringList& args, const QString& mode = "--run")
{
    Figures figures;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList{mode} + args);
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        figures.error = "the workload failed";
    const QStringList lines = QString::fromLatin1(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList parts = line.split(' ');
        if (parts.value(0) == "peak")
            figures.peakKb = parts.value(1).toLong();
        else if (parts.value(0) == "error")
            figures.error = line;
        else if (parts.size() == 3)
            figures.stages[parts[0]] = qMakePair(parts[1].toDouble(), parts[2].toDouble());
        else if (parts.size() == 2)
            figures.notes[parts[0]] = parts[1];
    }
    return figures;
}

// Median wall time of running the commands in turn (negative on failure), and
// the mean processor time they took.
QPair<double, double> TimeCommands(const QList<QStringList>& commands, int repetitions, const QString& folder)
{
    std::vector<double> times;
    const double cpuBefore = ChildrenCpuMs();
    for (int rep = 0; rep < repetitions; ++rep) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QElapsedTimer timer;
        timer.start();
        for (const QStringList& command : commands) {
            QProcess process;
            process.setWorkingDirectory(folder);
            process.setProcessChannelMode(QProcess::ForwardedChannels);
            process.start(command.first(), command.mid(1));
            if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
                || process.exitCode() != 0) {
                std::printf("  command failed: %s\n", qPrintable(command.join(' ')));
                return qMakePair(-1.0, 0.0);
            }
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return qMakePair(Median(times), (ChildrenCpuMs() - cpuBefore) / repetitions);
}

QString FindTool(const QStringList& names)
{
    for (const QString& name : names) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

// Workload A as the window would save it: 4 x 2 outputs of 1920 x 1080,
// coverings of 20 on every seam, full screen, quality 100.
bool WriteWorkloadSetup(const QString& i_Path, const QString& i_Picture)
{
    SetupFile::Covering c = CoveringGrid(4, 2, 1920, 1080, kCovering, 100, "out");
    c.backgroundColor = Qt::white;
    c.picturePath = i_Picture;
    return WriteSetupFile(i_Path, &c);
}

// One column per set of figures; the second is left out when it has no name.
void PrintStages(const char* title, const Figures& a, const Figures& b, const char* aName, const char* bName)
{
    const bool two = bName && *bName;
    std::printf("%s\n", title);
    std::printf("  %-18s %22s %22s\n", "stage (median)", aName, two ? bName : "");
    const char* keys[] = {"load", "scale", "compose", "encode", "total"};
    const char* names[] = {"load", "scale", "cut and compose", "encode and write", "end to end"};
    for (int k = 0; k < 5; ++k) {
        const auto sa = a.stages.value(keys[k]);
        std::printf("  %-18s %9.0f ms (cpu %5.0f)", names[k], sa.first, sa.second);
        if (two) {
            const auto sb = b.stages.value(keys[k]);
            std::printf(" %9.0f ms (cpu %5.0f)", sb.first, sb.second);
        }
        std::printf("\n");
    }
    std::printf("  %-18s %19.0f MB", "peak memory", a.peakKb / 1024.0);
    if (two)
        std::printf(" %19.0f MB", b.peakKb / 1024.0);
    std::printf("\n");
}

// Workload A at quality 100 with soft edges blended into the images (default
// curve and gamma), against the same without, in one run: alternating
// children, so that a change of the machine's load touches both alike.
void CompareSoftEdges(const QString& i_Source, const QString& i_Out, int i_Repetitions)
{
    Figures plain[2], soft[2];
    for (int round = 0; round < 2; ++round) {
        plain[round] = RunChild({"4", "2", i_Source, i_Out, "100", QString::number(i_Repetitions), "0", "0"});
        soft[round] = RunChild({"4", "2", i_Source, i_Out, "100", QString::number(i_Repetitions), "0", "1"});
    }
    for (const Figures* f : {&plain[0], &plain[1], &soft[0], &soft[1]})
        if (!f->error.isEmpty()) {
            std::printf("workload error: %s\n", qPrintable(f->error));
            return;
        }
    const auto best = [](const Figures* f, const char* stage) {
        return std::min(f[0].stages.value(stage).first, f[1].stages.value(stage).first);
    };
    std::printf("Soft edges, workload A at quality 100 (best of two children of %d runs each, medians):\n",
                i_Repetitions);
    std::printf("  cut and compose: %.0f ms without, %.0f ms with\n", best(plain, "compose"), best(soft, "compose"));
    std::printf("  end to end:      %.0f ms without, %.0f ms with: %+.1f%% (target <= +10%%)\n", best(plain, "total"),
                best(soft, "total"), 100.0 * (best(soft, "total") / best(plain, "total") - 1.0));
}

// The source picture of the covering workloads, written to i_Path.
bool WriteSource(const QString& i_Path)
{
    QElapsedTimer timer;
    timer.start();
    const QImage photo = PhotoLike(kSourceWidth, kSourceHeight);
    if (!photo.save(i_Path, "PNG")) {
        std::printf("cannot write the source image\n");
        return false;
    }
    std::printf("source: %d x %d photo-like RGB PNG, %.1f MB, written by QImage::save at its default level "
                "(made in %.1f s)\n\n",
                kSourceWidth, kSourceHeight, QFileInfo(i_Path).size() / 1e6, timer.elapsed() / 1000.0);
    return true;
}

int RunSoftEdges()
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::printf("cannot create a temporary folder\n");
        return 1;
    }
    std::printf("KV Quillex soft-edge benchmark\n");
    std::printf("machine: %d cores, load average %s at start\n", QThread::idealThreadCount(),
                qPrintable(LoadAverage()));
    const QString source = dir.filePath("source.png");
    if (!WriteSource(source))
        return 1;
    const QString out = dir.filePath("out");
    QDir().mkpath(out);
    CompareSoftEdges(source, out, 5);
    std::printf("\nload average %s at the end\n", qPrintable(LoadAverage()));
    return 0;
}

// ---- Decoding pictures as tools write them --------------------------------

QByteArray PngChunk(const char* i_Type, const QByteArray& i_Data)
{
    const QByteArray body = QByteArray(i_Type, 4) + i_Data;
    QByteArray chunk(4, 0), crc(4, 0);
    qToBigEndian(quint32(i_Data.size()), chunk.data());
    qToBigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))), crc.data());
    return chunk + body + crc;
}

// A toolkit-written file with the chunks an image editor adds: sRGB, pHYs,
// tIME, bKGD and eXIf, or gAMA with cHRM instead of sRGB.
bool WriteEditorLike(const QImage& i_Image, const QString& i_Path, bool i_Srgb)
{
    QImage image = i_Image;
    image.setColorSpace(QColorSpace());
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return false;
    const QByteArray colour = i_Srgb ? PngChunk("sRGB", QByteArray(1, 0))
                                     : PngChunk("gAMA", QByteArray::fromHex("0000b18f"))
            + PngChunk("cHRM",
                       QByteArray::fromHex("00007a26000080840000fa00000080e800007530"
                                           "0000ea6000003a9800001770"));
    // The toolkit has written pHYs already.
    const QByteArray chunks = colour + PngChunk("bKGD", QByteArray::fromHex("00ff00ff00ff"))
        + PngChunk("tIME", QByteArray::fromHex("07ea0c07030a2b"))
        + PngChunk("eXIf", QByteArray::fromHex("4d4d002a00000008000100fe0004000000010000000000000000"));
    QFile file(i_Path);
    return file.open(QIODevice::WriteOnly)
        && file.write(png.left(33) + chunks + png.mid(33)) == png.size() + chunks.size();
}

// QImage::load against our reader on photo-like pictures as the toolkit,
// ImageMagick and image editors write them, and on a smooth wallpaper.
void CompareDecodes(const QString& i_Folder, int i_Repetitions)
{
    struct Picture
    {
        QString name;
        QString what;
    };
    QList<Picture> pictures;
    const QImage wallpaper = Wallpaper();
    const QString toolkitWallpaper = i_Folder + "/wallpaper.png";
    if (wallpaper.save(toolkitWallpaper, "PNG"))
        pictures.append({toolkitWallpaper, "RGBA photo-like wallpaper with an ICC profile, by QImage::save"});
    const QString smooth = i_Folder + "/smooth.png";
    if (SmoothWallpaper().save(smooth, "PNG"))
        pictures.append({smooth, "RGBA smooth wallpaper with an ICC profile, by QImage::save"});
    const QImage photo = PhotoLike(kWallpaperWidth, kWallpaperHeight);
    const QString magick = FindTool({"convert-im6.q16", "convert-im6", "convert"});
    const QString plain = i_Folder + "/plain.png";
    if (magick.isEmpty() || !photo.save(plain, "PNG")) {
        std::printf("\nImageMagick-written pictures: no ImageMagick, skipped\n");
    } else {
        const QString wide = i_Folder + "/wide.png";
        if (PhotoLike(kSourceWidth, kSourceHeight).save(wide, "PNG")) {
            for (const QString& from : {plain, wide}) {
                const QString to = QString(from).replace(".png", "-magick.png");
                if (QProcess::execute(magick, {from, to}) == 0)
                    pictures.append({to, "RGB photo-like picture, by ImageMagick (gAMA, cHRM, bKGD, tIME)"});
            }
        }
    }
    for (const bool srgb : {true, false}) {
        const QString editor = i_Folder + (srgb ? "/editor-srgb.png" : "/editor-gama.png");
        if (WriteEditorLike(photo, editor, srgb))
            pictures.append({editor,
                             srgb ? "RGB photo-like picture, as an editor writes it (sRGB, pHYs, tIME, "
                                    "bKGD, eXIf)"
                                  : "RGB photo-like picture, as an editor writes it (gAMA, cHRM, pHYs, "
                                    "tIME, bKGD, eXIf)"});
    }
    for (const Picture& picture : pictures) {
        const Figures decode = RunChild({picture.name, QString::number(i_Repetitions)}, "--decode");
        const auto ours = decode.stages.value("ours");
        const auto toolkit = decode.stages.value("qtload");
        const QSize size = QImageReader(picture.name).size();
        std::printf("\nDecode of a %d x %d %s, %.1f MB, %d runs\n", size.width(), size.height(),
                    qPrintable(picture.what), QFileInfo(picture.name).size() / 1e6, i_Repetitions);
        std::printf("  ours %.0f ms (cpu %.0f), QImage::load %.0f ms (cpu %.0f): ratio %.2f (target <= 0.5), in "
                    "processor time %.2f; fast path %s, same image and colour space %s\n",
                    ours.first, ours.second, toolkit.first, toolkit.second, ours.first / toolkit.first,
                    ours.second / toolkit.second, decode.notes.value("fast") == "1" ? "yes" : "NO",
                    decode.notes.value("same") == "1" ? "yes" : "NO");
        std::printf("  peak memory %.0f MB (image %.0f MB, file %.0f MB)\n", decode.peakKb / 1024.0,
                    size.width() * size.height() * 4 / 1048576.0, QFileInfo(picture.name).size() / 1048576.0);
    }
}

int RunDecodes(const QString& i_Folder)
{
    QTemporaryDir dir;
    if (i_Folder.isEmpty() && !dir.isValid()) {
        std::printf("cannot create a temporary folder\n");
        return 1;
    }
    std::printf("KV Quillex PNG decode benchmark\nmachine: %d cores, load average %s at start\n",
                QThread::idealThreadCount(), qPrintable(LoadAverage()));
    CompareDecodes(i_Folder.isEmpty() ? dir.path() : i_Folder, 5);
    std::printf("\nload average %s at the end\n", qPrintable(LoadAverage()));
    return 0;
}

int Orchestrate(bool i_RenderOnly)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::printf("cannot create a temporary folder\n");
        return 1;
    }
    const QString source = dir.filePath("source.png");
    const int repetitions = 5;

    std::printf("KV Quillex covering benchmark\n");
    std::printf("machine: %d cores, load average %s at start\n", QThread::idealThreadCount(),
                qPrintable(LoadAverage()));

    if (!WriteSource(source))
        return 1;

    const QString out = dir.filePath("out");
    QDir().mkpath(out);
    const Figures a100 = RunChild({"4", "2", source, out, "100", QString::number(repetitions), "0"});
    const Figures a50 = i_RenderOnly ? Figures()
                                     : RunChild({"4", "2", source, out, "50", QString::number(repetitions), "1"});
    const Figures b100 = i_RenderOnly ? Figures() : RunChild({"6", "6", source, out, "100", "3", "0"});
    for (const Figures* f : {&a100, &a50, &b100})
        if (!f->error.isEmpty())
            std::printf("workload error: %s\n", qPrintable(f->error));

    PrintStages("Workload A: 4 x 2 outputs of 1920 x 1080, coverings 20, full screen (source scaled to 7620 x 2140), "
                "5 runs",
                a100, a50, "quality 100", i_RenderOnly ? "" : "quality 50");
    std::printf("\n");

    // Other tools on the same image: cut into 1920 x 1080 tiles, stored PNG.
    const double ours100 = a100.stages.value("total").first;
    const double oursCpu100 = a100.stages.value("total").second;
    const QString tiles = dir.filePath("tiles");
    const QString magick = FindTool({"magick", "convert-im6.q16", "convert-im6", "convert"});
    double magickMs = -1;
    if (magick.isEmpty()) {
        std::printf("ImageMagick: not installed, skipped\n");
    } else {
        QStringList command{magick,  source,      "-define", "png:compression-level=0",
                            "-crop", "1920x1080", "+repage", tiles + "/out_%d.png"};
        const auto t = TimeCommands({command}, repetitions, tiles);
        magickMs = t.first;
        if (t.first > 0)
            std::printf("ImageMagick (%s): %.0f ms (cpu %.0f); ours at quality 100 end to end / ImageMagick = %.2f "
                        "(target <= 0.3), in processor time %.2f\n",
                        qPrintable(QFileInfo(magick).fileName()), t.first, t.second, ours100 / t.first,
                        oursCpu100 / t.second);
    }
    // The renderer of saved set-ups, timed as a whole process (start, set-up,
    // load, cut, encode and write) on the same workload.
    const QString setup = dir.filePath("workload-a.dat");
    if (!WriteWorkloadSetup(setup, source)) {
        std::printf("cannot write the set-up of workload A\n");
    } else {
        const QString rendered = dir.filePath("rendered");
        const auto r = TimeCommands({{QUILLEX_RENDER, setup, "--mode", "covering", "--quiet", "--out", rendered}},
                                    repetitions, rendered);
        if (r.first > 0) {
            std::printf("quillex-render, whole process: %.0f ms (cpu %.0f); / engine end to end = %.2f (target <= "
                        "1.2)",
                        r.first, r.second, r.first / ours100);
            if (magickMs > 0)
                std::printf("; / ImageMagick = %.2f (target <= 0.4)", r.first / magickMs);
            std::printf("\n");
        }
        // A batch through one set-up: every picture of a folder, each into
        // a folder of its own.
        const int batch = 20;
        const QString pictures = dir.filePath("batch");
        QDir().mkpath(pictures);
        bool copied = true;
        for (int k = 0; k < batch; ++k)
            copied = copied && QFile::copy(source, QString("%1/picture%2.png").arg(pictures).arg(k, 2, 10, QChar('0')));
        const auto b = copied ? TimeCommands({{QUILLEX_RENDER, setup, "--mode", "covering", "--quiet", "--image",
                                               pictures, "--out", rendered}},
                                             2, rendered)
                              : qMakePair(-1.0, 0.0);
        if (b.first > 0)
            std::printf("quillex-render, batch of %d pictures: %.0f ms (cpu %.0f), %.2f pictures per second\n", batch,
                        b.first, b.second, batch * 1000.0 / b.first);
        QDir(pictures).removeRecursively();
    }
    if (i_RenderOnly)
        return 0;
    const QString vips = FindTool({"vips"});
    if (vips.isEmpty()) {
        std::printf("libvips: not installed, skipped\n");
    } else {
        QList<QStringList> commands{{vips, "copy", source, tiles + "/decoded.v"}};
        for (int k = 0; k < 8; ++k)
            commands.append({vips, "crop", tiles + "/decoded.v",
                             QString("%1/out_%2.png[compression=0]").arg(tiles).arg(k), QString::number((k % 4) * 1920),
                             QString::number((k / 4) * 1080), "1920", "1080"});
        const auto t = TimeCommands(commands, repetitions, tiles);
        if (t.first > 0)
            std::printf(
                "libvips (decode once, 8 crops): %.0f ms (cpu %.0f); ours at quality 100 end to end / libvips = "
                "%.2f (target < 1), in processor time %.2f\n",
                t.first, t.second, ours100 / t.first, oursCpu100 / t.second);
    }

    const auto qtSave = a50.stages.value("qtsave");
    const auto qtLoad = a50.stages.value("qtload");
    if (qtSave.first > 0) {
        const double oursEncode = a50.stages.value("encode").first;
        std::printf("QImage::save of the same 8 outputs at quality 50, one after another: %.0f ms (cpu %.0f); "
                    "our encode and write / QImage::save = %.2f (target <= 0.25), in processor time %.2f\n",
                    qtSave.first, qtSave.second, oursEncode / qtSave.first,
                    a50.stages.value("encode").second / qtSave.second);
        const double toolkitPath = qtLoad.first + a50.stages.value("scale").first + a50.stages.value("compose").first
            + qtSave.first;
        std::printf("  end to end at quality 50: ours %.0f ms; with QImage::load (%.0f ms) and QImage::save instead: "
                    "%.0f ms; ratio %.2f\n",
                    a50.stages.value("total").first, qtLoad.first, toolkitPath,
                    a50.stages.value("total").first / toolkitPath);
    }
    std::printf("\n");
    PrintStages("Workload B: 6 x 6 outputs of 1920 x 1080, coverings 20, full screen (source scaled to 11420 x 6380), "
                "3 runs",
                b100, Figures(), "quality 100", "");
    std::printf("  peak memory of workload B: %.0f MB (target < 1024 MB)\n", b100.peakKb / 1024.0);
    std::printf("\n");
    if (!i_RenderOnly)
        CompareSoftEdges(source, out, repetitions);

    CompareDecodes(dir.path(), repetitions);
    std::printf("\nload average %s at the end\n", qPrintable(LoadAverage()));
    return 0;
}

// Canvas mode recomposes its whole screen on every change of a setting:
// median time of one recomposition, when the change keeps the stretched
// picture (background, position) and when it stretches again (size, crop).
int RunCanvas()
{
    const QImage source = PhotoLike(kSourceWidth, kSourceHeight);
    std::printf("KV Quillex canvas recomposition, source %d x %d, %d cores\n", kSourceWidth, kSourceHeight,
                QThread::idealThreadCount());
    for (const QSize screenSize : {QSize(3840, 2160), QSize(15360, 4320)}) {
        for (const bool fullScreen : {true, false}) {
            CanvasEngine::Input in;
            in.screenWidth = screenSize.width();
            in.screenHeight = screenSize.height();
            const QSize placed = fullScreen ? screenSize : source.size();
            in.imageWidth = placed.width();
            in.imageHeight = placed.height();
            const QPoint at = CanvasEngine::CenteredPosition(screenSize, placed);
            in.imageX = at.x();
            in.imageY = at.y();
            CanvasEngine::Composer composer;
            QImage screen;
            std::vector<double> kept, stretched;
            for (int rep = 0; rep < 9; ++rep) {
                for (const bool again : {false, true}) {
                    if (again)
                        composer.DropCache();
                    in.background = rep % 2 ? Qt::black : Qt::white;
                    QElapsedTimer timer;
                    timer.start();
                    if (!composer.Compose(source, in, screen))
                        std::printf("composition failed\n");
                    (again ? stretched : kept).push_back(timer.nsecsElapsed() / 1e6);
                }
            }
            std::printf("  screen %5d x %4d, %-13s: %6.1f ms with the stretched picture kept, %6.1f ms stretching "
                        "again (medians of 9, first runs included)\n",
                        screenSize.width(), screenSize.height(), fullScreen ? "full screen" : "original size",
                        Median(kept), Median(stretched));
        }
    }
    return 0;
}

// Canvas saving: 16 outputs of 1920 x 1080 cut from a 7680 x 4320 canvas,
// written by the ordered parallel save and, one after another, by plain
// QImage::save, at quality 100 and 50 (median of 3 each).
int RunCanvasSave()
{
    QTemporaryDir dir;
    const QImage canvas = PhotoLike(7680, 4320).convertToFormat(QImage::Format_ARGB32);
    QVector<QImage> outputs;
    QStringList paths;
    for (int k = 0; k < 16; ++k) {
        outputs << canvas.copy((k % 4) * 1920, (k / 4) * 1080, 1920, 1080);
        paths << dir.filePath(QString("canvas_Output %1.png").arg(k + 1));
    }
    std::printf("KV Quillex canvas save, 16 outputs of 1920 x 1080 from a 7680 x 4320 canvas, %d cores\n",
                QThread::idealThreadCount());
    for (const int quality : {100, 50}) {
        std::vector<double> ours, plain;
        for (int rep = 0; rep < 3; ++rep) {
            QElapsedTimer timer;
            timer.start();
            if (!ImageSave::SaveImages(outputs, paths, quality).isEmpty())
                std::printf("a file could not be written\n");
            ours.push_back(timer.nsecsElapsed() / 1e6);
            timer.restart();
            for (int k = 0; k < outputs.size(); ++k)
                outputs[k].save(paths[k], "PNG", quality);
            plain.push_back(timer.nsecsElapsed() / 1e6);
        }
        std::printf("  quality %3d: ours %6.0f ms, QImage::save %6.0f ms: ratio %.2f (target %s)\n", quality,
                    Median(ours), Median(plain), Median(ours) / Median(plain), quality == 100 ? "< 0.3" : "< 0.6");
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--window") == 0)
        return WindowBench::Run(argc, argv, {PhotoLike, FindTool, TimeCommands});
    if (argc > 2 && qstrcmp(argv[1], "--video-window") == 0)
        return RunVideoWindow(QString::fromLocal8Bit(argv[2]), argc > 3 ? qMax(1, atoi(argv[3])) : 3);
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.value(1) == "--run")
        return RunWorkload(args);
    if (args.value(1) == "--canvas")
        return RunCanvas();
    if (args.value(1) == "--canvas-save")
        return RunCanvasSave();
    if (args.value(1) == "--soft-edges")
        return RunSoftEdges();
    if (args.value(1) == "--decode")
        return RunDecode(args);
    if (args.value(1) == "--decodes")
        return RunDecodes(args.value(2));
    if (args.value(1) == "--levels")
        return RunLevels();
    if (args.value(1) == "--big-screens")
        return RunBigScreens(args);
    if (args.value(1) == "--video")
        return RunVideo(args);
    return Orchestrate(args.value(1) == "--render");
}
