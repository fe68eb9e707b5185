#include "PngReader.h"
#include "PngWriter.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>

#if defined(__linux__)
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

QImage AlphaNoise(int width, int height)
{
    QImage image = NoiseImage(width, height, QImage::Format_ARGB32, 7);
    static const int alphas[] = {255, 128, 1, 0, 77};
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = (line[x] & 0x00ffffffu) | (QRgb(alphas[(3 * x + y) % 5]) << 24);
    }
    return image;
}

// Smooth content that compresses, so the level shows in the size.
QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x % 256, y % 256, (x * y) % 7, 255));
    return image;
}

QByteArray ToolkitPng(const QImage& image, int quality)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", quality);
    return data;
}

QByteArray FastPng(const QImage& image, int quality)
{
    QByteArray data;
    if (!PngWriter::Encode(image, quality, data))
        return QByteArray();
    return data;
}

// The concatenated data of all IDAT chunks.
QByteArray IdatStream(const QByteArray& png)
{
    QByteArray stream;
    int pos = 8;
    while (pos + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + pos);
        if (png.mid(pos + 4, 4) == "IDAT")
            stream += png.mid(pos + 8, int(length));
        pos += 12 + int(length);
    }
    return stream;
}

int FLevel(const QByteArray& png)
{
    const QByteArray stream = IdatStream(png);
    return stream.size() >= 2 ? quint8(stream[1]) >> 6 : -1;
}

QByteArray Inflate(const QByteArray& stream, int size)
{
    QByteArray raw(size, '\0');
    uLongf length = uLongf(size);
    if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &length,
                   reinterpret_cast<const Bytef*>(stream.constData()), uLong(stream.size())) != Z_OK)
        return QByteArray();
    raw.resize(int(length));
    return raw;
}

// A PNG written by libpng with chosen options the toolkit's writer does not offer.
bool WriteRawPng(const QString& path, const QImage& image, int filters, bool interlaced, int physUnit)
{
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    const bool alpha = image.format() == QImage::Format_ARGB32;
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, 0, 0);
    if (physUnit >= 0)
        png_set_pHYs(png, info, 1234, 5678, physUnit);
    png_set_filter(png, 0, filters);
    png_write_info(png, info);
    png_set_bgr(png);
    if (!alpha)
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < image.height(); ++y)
            png_write_row(png, image.constScanLine(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestCoveringEnginePng : public QObject
{
    Q_OBJECT
private slots:
    void compressionLevel_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("level");
        QTest::newRow("100") << 100 << 0;
        QTest::newRow("90") << 90 << 0;
        QTest::newRow("89") << 89 << 1;
        QTest::newRow("50") << 50 << 4;
        QTest::newRow("0") << 0 << 9;
        QTest::newRow("above 100") << 150 << 0;
        QTest::newRow("default") << -1 << 6;
    }
    void compressionLevel()
    {
        QFETCH(int, quality);
        QFETCH(int, level);
        QCOMPARE(PngWriter::CompressionLevel(quality), level);
    }

    void encodesThePixelsTheToolkitWrites_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("quality");
        const QList<int> qualities = {100, 75, 50};
        for (int quality : qualities) {
            const QByteArray q = QByteArray::number(quality);
            QTest::newRow("alpha " + q) << AlphaNoise(37, 23) << quality;
            QTest::newRow("opaque " + q) << NoiseImage(64, 17, QImage::Format_RGB32) << quality;
            QTest::newRow("one pixel " + q) << AlphaNoise(1, 1) << quality;
            QTest::newRow("wide " + q) << AlphaNoise(1920, 4) << quality;
            QTest::newRow("other format " + q) << NoiseImage(9, 9, QImage::Format_RGB888) << quality;
        }
    }
    void encodesThePixelsTheToolkitWrites()
    {
        QFETCH(QImage, image);
        QFETCH(int, quality);
        const QImage fast = QImage::fromData(FastPng(image, quality), "PNG");
        const QImage toolkit = QImage::fromData(ToolkitPng(image, quality), "PNG");
        QVERIFY(!fast.isNull());
        QCOMPARE(fast.format(), toolkit.format());
        QCOMPARE(fast.dotsPerMeterX(), toolkit.dotsPerMeterX());
        COMPARE_IMAGES(fast, toolkit);
        COMPARE_IMAGES(fast, image);
    }

    void zlibLevelFollowsQuality_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("flevel");  // 0: levels 0-1, 1: 2-5, 2: 6, 3: 7-9
        QTest::newRow("100") << 100 << 0;
        QTest::newRow("80") << 80 << 0;
        QTest::newRow("70") << 70 << 1;
        QTest::newRow("50") << 50 << 1;
        QTest::newRow("default") << -1 << 2;
        QTest::newRow("0") << 0 << 3;
    }
    void zlibLevelFollowsQuality()
    {
        QFETCH(int, quality);
        QFETCH(int, flevel);
        const QImage image = Gradient(200, 120);
        QCOMPARE(FLevel(FastPng(image, quality)), flevel);
        QCOMPARE(FLevel(ToolkitPng(image, quality)), flevel);
    }

    void storedAtFullQualityCompressedBelow()
    {
        const QImage image = Gradient(300, 200);
        const QByteArray stored = FastPng(image, 100);
        const QByteArray compressed = FastPng(image, 50);
        QVERIFY(stored.size() > 300 * 200 * 4);
        QVERIFY(compressed.size() * 4 < stored.size());
        // Stored rows carry no filter: filtering cannot shrink stored data.
        const QByteArray raw = Inflate(IdatStream(stored), 200 * (1 + 300 * 4));
        QCOMPARE(raw.size(), 200 * (1 + 300 * 4));
        for (int y = 0; y < 200; ++y)
            QCOMPARE(int(raw[y * (1 + 300 * 4)]), 0);
    }

    void imageTextAndOtherFormatsGoThroughTheToolkit()
    {
        QImage image = AlphaNoise(20, 10);
        image.setText("Title", "wall");
        const QImage decoded = QImage::fromData(FastPng(image, 50), "PNG");
        QCOMPARE(decoded.text("Title"), QString("wall"));
        COMPARE_IMAGES(decoded, image);
        QVERIFY(FastPng(QImage(), 50).isEmpty());
    }

    void writeFileReportsFailures()
    {
        QTemporaryDir dir;
        const QImage image = AlphaNoise(16, 16);
        QVERIFY(PngWriter::WriteFile(image, dir.filePath("ok.png"), 100));
        COMPARE_IMAGES(QImage(dir.filePath("ok.png")), image);
        QVERIFY(QDir(dir.path()).mkdir("taken.png"));
        QVERIFY(!PngWriter::WriteFile(image, dir.filePath("taken.png"), 100));
        QVERIFY(QFileInfo(dir.filePath("taken.png")).isDir());
        QVERIFY(!PngWriter::WriteFile(image, dir.filePath("missing/a.png"), 100));
        QVERIFY(!PngWriter::WriteFile(QImage(), dir.filePath("null.png"), 100));
        QVERIFY(!QFile::exists(dir.filePath("null.png")));
    }

    void writeErrorRemovesThePartialFile()
    {
#if defined(__linux__)
        // A file size limit makes the writes fail part-way, as a full disk would.
        QTemporaryDir dir;
        const QString path = dir.filePath("cut.png");
        struct rlimit saved;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
        const bool written = PngWriter::WriteFile(AlphaNoise(200, 200), path, 100);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY(!written);
        QVERIFY(!QFile::exists(path));
#else
        QSKIP("needs file size limits");
#endif
    }

    void fastReaderGivesWhatTheToolkitReads_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("fast");
        const char* fastKinds[] = {"toolkit rgb 100", "toolkit rgb 50", "toolkit rgb default", "toolkit alpha 50",
                                   "none rgb", "sub rgb", "up rgb", "avg rgb", "paeth rgb", "none alpha",
                                   "sub alpha", "up alpha", "avg alpha", "paeth alpha", "paeth narrow",
                                   "ours multi-chunk", "ours 50", "phys unknown unit"};
        for (const char* kind : fastKinds)
            QTest::newRow(kind) << QString(kind) << true;
        const char* slowKinds[] = {"palette", "grey", "16-bit", "interlaced", "text", "truncated", "corrupt",
                                   "garbage", "empty", "missing", "jpeg"};
        for (const char* kind : slowKinds)
            QTest::newRow(kind) << QString(kind) << false;
    }
    void fastReaderGivesWhatTheToolkitReads()
    {
        QFETCH(QString, kind);
        QFETCH(bool, fast);
        QTemporaryDir dir;
        const QString path = dir.filePath("source.png");
        const QImage rgb = NoiseImage(97, 31, QImage::Format_RGB32, 3);
        const QImage alpha = AlphaNoise(61, 29);
        const QMap<QString, int> filters = {{"none", PNG_FILTER_NONE}, {"sub", PNG_FILTER_SUB}, {"up", PNG_FILTER_UP},
                                            {"avg", PNG_FILTER_AVG}, {"paeth", PNG_FILTER_PAETH}};
        const QString first = kind.section(' ', 0, 0);
        bool made = true;
        if (kind.startsWith("toolkit")) {
            const int quality = kind.endsWith("default") ? -1 : kind.section(' ', 2).toInt();
            made = (kind.contains("alpha") ? alpha : rgb).save(path, "PNG", quality);
        } else if (filters.contains(first)) {
            const QImage image = kind.endsWith("narrow") ? NoiseImage(3, 5, QImage::Format_RGB32)
                                                         : (kind.endsWith("alpha") ? alpha : rgb);
            made = WriteRawPng(path, image, filters[first], false, -1);
        } else if (kind == "ours multi-chunk") {
            made = PngWriter::WriteFile(AlphaNoise(300, 300), path, 100);
        } else if (kind == "ours 50") {
            made = PngWriter::WriteFile(rgb, path, 50);
        } else if (kind == "phys unknown unit") {
            made = WriteRawPng(path, rgb, PNG_ALL_FILTERS, false, PNG_RESOLUTION_UNKNOWN);
        } else if (kind == "palette") {
            made = rgb.convertToFormat(QImage::Format_Indexed8).save(path, "PNG");
        } else if (kind == "grey") {
            made = rgb.convertToFormat(QImage::Format_Grayscale8).save(path, "PNG");
        } else if (kind == "16-bit") {
            made = alpha.convertToFormat(QImage::Format_RGBA64).save(path, "PNG");
        } else if (kind == "interlaced") {
            made = WriteRawPng(path, rgb, PNG_ALL_FILTERS, true, -1);
        } else if (kind == "text") {
            QImage texted = rgb;
            texted.setText("Author", "someone");
            made = texted.save(path, "PNG");
        } else if (kind == "truncated" || kind == "corrupt") {
            QByteArray bytes = ToolkitPng(rgb, 100);
            if (kind == "truncated")
                bytes.truncate(bytes.size() / 2);
            else
                bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x5a);
            made = WriteBytes(path, bytes);
        } else if (kind == "garbage") {
            made = WriteBytes(path, QByteArray("\x89PNG\r\n\x1a\nnot really", 18));
        } else if (kind == "empty") {
            made = WriteBytes(path, QByteArray());
        } else if (kind == "jpeg") {
            if (!rgb.save(path, "JPG"))
                QSKIP("no JPEG writer");
        }
        QVERIFY(made);

        bool wasFast = !fast;
        const QImage loaded = PngReader::Load(path, &wasFast);
        const QImage expected(path);
        QCOMPARE(wasFast, fast);
        QCOMPARE(loaded.isNull(), expected.isNull());
        QCOMPARE(loaded.format(), expected.format());
        QCOMPARE(loaded.dotsPerMeterX(), expected.dotsPerMeterX());
        QCOMPARE(loaded.dotsPerMeterY(), expected.dotsPerMeterY());
        QCOMPARE(loaded.textKeys(), expected.textKeys());
        COMPARE_IMAGES(loaded, expected);
    }
};

QTEST_MAIN(TestCoveringEnginePng)
#include "tst_covering_engine_png.moc"
