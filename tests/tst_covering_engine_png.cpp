#include "PngReader.h"
#include "PngWriter.h"
#include "CoreSupport.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <png.h>

#include <csetjmp>

namespace {

QImage AlphaNoise(int width, int height) { return NoiseImage(width, height, QImage::Format_ARGB32, 7, true); }

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
    return PngWriter::Encode(image, quality, data) ? data : QByteArray();
}

// A PNG written by libpng with options the toolkit's writer does not offer.
QByteArray RawPng(const QImage& image, int filters, bool interlaced = false, int physUnit = -1)
{
    QByteArray data;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return QByteArray();
    }
    png_set_write_fn(png, &data, [](png_structp p, png_bytep bytes, png_size_t size) {
        static_cast<QByteArray*>(png_get_io_ptr(p))->append(reinterpret_cast<const char*>(bytes), int(size));
    }, nullptr);
    const bool alpha = image.format() == QImage::Format_ARGB32;
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
    return data;
}

// FLEVEL of the zlib stream, from the header at the start of the first IDAT
// chunk: 0 for levels 0-1, 1 for 2-5, 2 for 6, 3 for 7-9.
int FLevel(const QByteArray& png)
{
    const int at = png.indexOf("IDAT");
    return at < 0 || at + 5 >= png.size() ? -1 : quint8(png[at + 5]) >> 6;
}

} // namespace

class TestCoveringEnginePng : public QObject
{
    Q_OBJECT
private slots:
    void encodesThePixelsTheToolkitWrites_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<int>("quality");
        QTest::newRow("alpha 100") << AlphaNoise(37, 23) << 100;
        QTest::newRow("alpha 50") << AlphaNoise(37, 23) << 50;
        QTest::newRow("wide alpha 100") << AlphaNoise(1920, 4) << 100;
        QTest::newRow("opaque 100") << NoiseImage(64, 17, QImage::Format_RGB32) << 100;
        QTest::newRow("opaque 50") << NoiseImage(64, 17, QImage::Format_RGB32) << 50;
        QTest::newRow("other format 75") << NoiseImage(9, 9, QImage::Format_RGB888) << 75;
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

    // zlib level (100 - quality) * 9 / 91; the rows sit on both sides of
    // every step the stream header shows.
    void zlibLevelFollowsQuality_data()
    {
        QTest::addColumn<int>("quality");
        QTest::addColumn<int>("flevel");
        QTest::newRow("100: level 0") << 100 << 0;
        QTest::newRow("80: level 1") << 80 << 0;
        QTest::newRow("79: level 2") << 79 << 1;
        QTest::newRow("40: level 5") << 40 << 1;
        QTest::newRow("39: level 6") << 39 << 2;
        QTest::newRow("30: level 6") << 30 << 2;
        QTest::newRow("29: level 7") << 29 << 3;
        QTest::newRow("default: level 6") << -1 << 2;
    }
    void zlibLevelFollowsQuality()
    {
        QFETCH(int, quality);
        QFETCH(int, flevel);
        QImage image(200, 120, QImage::Format_ARGB32);
        image.fill(Qt::darkCyan);
        QCOMPARE(FLevel(FastPng(image, quality)), flevel);
        QCOMPARE(FLevel(ToolkitPng(image, quality)), flevel);
        if (quality == 100)  // level 0 stores the rows: not even a flat image shrinks
            QVERIFY(FastPng(image, quality).size() > image.sizeInBytes());
    }

    void fastReaderGivesWhatTheToolkitReads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("fast");
        const QImage rgb = NoiseImage(97, 31, QImage::Format_RGB32, 3);
        const QImage alpha = AlphaNoise(61, 29);
        QTest::newRow("toolkit rgb 100") << ToolkitPng(rgb, 100) << true;
        QTest::newRow("toolkit alpha 50") << ToolkitPng(alpha, 50) << true;
        QTest::newRow("toolkit default") << ToolkitPng(rgb, -1) << true;
        QTest::newRow("ours, several chunks") << FastPng(AlphaNoise(300, 300), 100) << true;
        QTest::newRow("ours 50") << FastPng(rgb, 50) << true;
        const std::pair<const char*, int> filters[] = {{"none", PNG_FILTER_NONE}, {"sub", PNG_FILTER_SUB},
            {"up", PNG_FILTER_UP}, {"avg", PNG_FILTER_AVG}, {"paeth", PNG_FILTER_PAETH}};
        for (const auto& filter : filters) {
            QTest::addRow("%s rgb", filter.first) << RawPng(rgb, filter.second) << true;
            QTest::addRow("%s alpha", filter.first) << RawPng(alpha, filter.second) << true;
        }
        QTest::newRow("paeth narrow") << RawPng(NoiseImage(3, 5, QImage::Format_RGB32), PNG_FILTER_PAETH) << true;
        QTest::newRow("pHYs, unknown unit") << RawPng(rgb, PNG_ALL_FILTERS, false, PNG_RESOLUTION_UNKNOWN) << true;

        QTest::newRow("interlaced") << RawPng(rgb, PNG_ALL_FILTERS, true) << false;
        QTest::newRow("palette") << ToolkitPng(rgb.convertToFormat(QImage::Format_Indexed8), -1) << false;
        QTest::newRow("16-bit") << ToolkitPng(alpha.convertToFormat(QImage::Format_RGBA64), -1) << false;
        QImage texted = rgb;
        texted.setText("Author", "someone");
        QTest::newRow("text") << ToolkitPng(texted, -1) << false;
        const QByteArray whole = ToolkitPng(rgb, 100);
        QTest::newRow("truncated") << whole.left(whole.size() / 2) << false;
        QByteArray corrupt = whole;
        corrupt[corrupt.size() / 2] = char(corrupt[corrupt.size() / 2] ^ 0x5a);
        QTest::newRow("corrupt") << corrupt << false;
        QTest::newRow("empty") << QByteArray() << false;
    }
    void fastReaderGivesWhatTheToolkitReads()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, fast);
        QTemporaryDir dir;
        QFile source(dir.filePath("source.png"));
        QVERIFY(source.open(QIODevice::WriteOnly) && source.write(file) == file.size());
        source.close();
        bool wasFast = !fast;
        const QImage loaded = PngReader::Load(source.fileName(), &wasFast);
        const QImage expected(source.fileName());
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
