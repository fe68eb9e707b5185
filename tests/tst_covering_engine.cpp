#include "CoveringCompose.h"
#include "ParallelFor.h"
#include "TestSupport.h"

#include <QPainter>
#include <QThread>

#include <atomic>
#include <chrono>
#include <thread>
#include <QtTest>

using namespace CoveringEngine;

Q_DECLARE_METATYPE(CoveringEngine::imgSizePosOnScreen)
Q_DECLARE_METATYPE(CoveringEngine::Input)

namespace QTest {
template <>
char* toString(const CoveringEngine::imgSizePosOnScreen& r)
{
    return qstrdup(QString("dst (%1, %2, %3, %4) src (%5, %6, %7, %8) out %9 x %10")
                       .arg(r.dstLeft).arg(r.dstTop).arg(r.dstRight).arg(r.dstBottom)
                       .arg(r.srcLeft).arg(r.srcTop).arg(r.srcRight).arg(r.srcBottom)
                       .arg(r.outputWidth).arg(r.outputHeight).toUtf8().constData());
}
} // namespace QTest

namespace {

imgSizePosOnScreen Record(std::initializer_list<int> fields)
{
    Q_ASSERT(fields.size() == 10);
    const int* f = fields.begin();
    imgSizePosOnScreen r;
    r.dstLeft = f[0]; r.dstTop = f[1]; r.dstRight = f[2]; r.dstBottom = f[3];
    r.srcLeft = f[4]; r.srcTop = f[5]; r.srcRight = f[6]; r.srcBottom = f[7];
    r.outputWidth = f[8]; r.outputHeight = f[9];
    return r;
}

// A grid whose working values follow the covering rules: covered size minus
// every seam, offsets the running sums of the seams.
Input Grid(int columns, int rows, int width, int height, QList<int> hCover = {}, QList<int> vCover = {})
{
    Input in;
    in.columnCount = columns;
    in.rowCount = rows;
    in.outputWidth = width;
    in.outputHeight = height;
    in.coveredWidth = columns * width;
    in.coveredHeight = rows * height;
    for (int i = 1; i < columns; ++i) {
        in.columnOffsets[i] = in.columnOffsets[i - 1] + hCover.value(i - 1);
        in.coveredWidth -= hCover.value(i - 1);
    }
    for (int j = 1; j < rows; ++j) {
        in.rowOffsets[j] = in.rowOffsets[j - 1] + vCover.value(j - 1);
        in.coveredHeight -= vCover.value(j - 1);
    }
    return in;
}

Input OriginalSize(Input in, const QImage& source, bool centred, QPoint pos = QPoint())
{
    in.isFullScreen = false;
    in.isOriginalSize = true;
    in.isCentered = centred;
    in.isCustomPos = !centred;
    in.imageWidth = source.width();
    in.imageHeight = source.height();
    in.customX = pos.x();
    in.customY = pos.y();
    return in;
}

// Source image with alpha 255, 128, 1 and 0 in a pattern.
QImage AlphaNoise(int width, int height)
{
    QImage image = NoiseImage(width, height);
    static const int alphas[] = {255, 128, 1, 0, 200};
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = (line[x] & 0x00ffffffu) | (QRgb(alphas[(x + 2 * y) % 5]) << 24);
    }
    return image;
}

// What an output must show: the background, and the placed image drawn over
// it with the screen position of the output's top-left corner at (ox, oy).
QImage Expected(const Input& in, const QImage& placed, int ox, int oy)
{
    QImage expected(in.outputWidth, in.outputHeight, QImage::Format_ARGB32);
    expected.fill(in.isTransparent ? QColor(Qt::transparent) : in.backgroundColor);
    QPainter painter(&expected);
    painter.drawImage(-ox, -oy, placed);
    return expected;
}

int OutputLeft(const Input& in, int i) { return i * in.outputWidth - in.columnOffsets[i]; }
int OutputTop(const Input& in, int j) { return j * in.outputHeight - in.rowOffsets[j]; }

} // namespace

class TestCoveringEngine : public QObject
{
    Q_OBJECT
private slots:
    void records_data()
    {
        QTest::addColumn<Input>("input");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<imgSizePosOnScreen>("expected");

        const Input twoColumns = Grid(2, 1, 1920, 1080, {100});
        QTest::newRow("full screen, covering 100, left") << twoColumns << 0 << 0
            << Record({0, 0, 1920, 1080, 0, 0, 1920, 1080, 1920, 1080});
        QTest::newRow("full screen, covering 100, right") << twoColumns << 1 << 0
            << Record({0, 0, 1920, 1080, 1820, 0, 3740, 1080, 1920, 1080});
        QTest::newRow("full screen, vertical covering 40") << Grid(1, 2, 1920, 1080, {}, {40}) << 0 << 1
            << Record({0, 0, 1920, 1080, 0, 1040, 1920, 2120, 1920, 1080});
        QTest::newRow("full screen, gap of 50") << Grid(2, 1, 1920, 1080, {-50}) << 1 << 0
            << Record({0, 0, 1920, 1080, 1970, 0, 3890, 1080, 1920, 1080});

        const Input centred = OriginalSize(Grid(2, 1, 1920, 1080), QImage(1000, 500, QImage::Format_RGB32), true);
        QTest::newRow("1:1 centred, output 0") << centred << 0 << 0
            << Record({1420, 290, 1920, 790, 0, 0, 500, 500, 1920, 1080});
        QTest::newRow("1:1 centred, output 1") << centred << 1 << 0
            << Record({0, 290, 500, 790, 500, 0, 1000, 500, 1920, 1080});

        const Input wide = OriginalSize(Grid(1, 1, 1920, 1080), QImage(3000, 500, QImage::Format_RGB32), true);
        QTest::newRow("1:1 centred, wider than the screen") << wide << 0 << 0
            << Record({0, 290, 1920, 790, 540, 0, 2460, 500, 1920, 1080});

        Input odd = Grid(1, 1, 1920, 1080);
        odd.isFullScreen = false;
        odd.isCustomSize = true;
        odd.customWidth = 1923;  // (1920 - 1923) / 2 is -1, not -2
        odd.customHeight = 1077; // (1080 - 1077) / 2 is 1
        QTest::newRow("custom size centred, odd differences") << odd << 0 << 0
            << Record({0, 1, 1920, 1078, 1, 0, 1921, 1077, 1920, 1080});

        Input small = Grid(2, 2, 1920, 1080);
        small.isFullScreen = false;
        small.isCustomSize = true;
        small.isCentered = false;
        small.isCustomPos = true;
        small.customWidth = 100;
        small.customHeight = 50;
        QTest::newRow("custom size at (0, 0), output 0 0") << small << 0 << 0
            << Record({0, 0, 100, 50, 0, 0, 100, 50, 1920, 1080});
        QTest::newRow("custom size at (0, 0), output 1 1") << small << 1 << 1
            << Record({0, 0, 0, 0, 1920, 1080, 0, 0, 1920, 1080});

        Input right = small;
        right.customX = 2000;
        QTest::newRow("image right of the output") << right << 0 << 0
            << Record({1920, 0, 1920, 50, 1920, 0, -80, 50, 1920, 1080});
    }
    void records()
    {
        QFETCH(Input, input);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(imgSizePosOnScreen, expected);
        const RecordTable table = ComputeResultImages(input);
        QCOMPARE(table.size(), kGridSize);
        QCOMPARE(table[column].size(), kGridSize);
        QCOMPARE(table[column][row], expected);
    }

    void recordTableLeavesUnusedOutputsZero()
    {
        const RecordTable table = ComputeResultImages(Grid(2, 3, 100, 100));
        QCOMPARE(table[2][0], imgSizePosOnScreen());
        QCOMPARE(table[0][3], imgSizePosOnScreen());
        QVERIFY(table[1][2] != imgSizePosOnScreen());
    }

    void placedSizeFollowsTheFirstFlagSet()
    {
        Input in = Grid(2, 1, 100, 50, {10});
        in.imageWidth = 300;
        in.imageHeight = 200;
        in.customWidth = 40;
        in.customHeight = 30;
        in.isOriginalSize = in.isCustomSize = true;
        QCOMPARE(PlacedSize(in), QSize(190, 50));
        in.isFullScreen = false;
        QCOMPARE(PlacedSize(in), QSize(300, 200));
        in.isOriginalSize = false;
        QCOMPARE(PlacedSize(in), QSize(40, 30));
    }

    void crop()
    {
        const QImage source = NoiseImage(50, 40);
        COMPARE_IMAGES(CropSource(source, 3, 5, 7, 2), source.copy(3, 7, 42, 31));
        QCOMPARE(CropSource(source, 0, 0, 0, 0).cacheKey(), source.cacheKey());
        QVERIFY(CropSource(source, 25, 25, 0, 0).isNull());
        QVERIFY(CropSource(source, 0, 0, 39, 1).isNull());
        COMPARE_IMAGES(CropSource(source, 49, 0, 0, 39), source.copy(49, 0, 1, 1));
        COMPARE_IMAGES(CropSource(source, -4, 1, 0, 0), source.copy(0, 0, 49, 40));
    }

    void originalSizeOutputsShowTheSourcePixels_data()
    {
        QTest::addColumn<bool>("centred");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("centred, larger than the screen") << true << QPoint();
        QTest::newRow("custom position inside") << false << QPoint(37, 21);
        QTest::newRow("custom position across a seam") << false << QPoint(70, 5);
    }
    void originalSizeOutputsShowTheSourcePixels()
    {
        QFETCH(bool, centred);
        QFETCH(QPoint, position);
        const QImage source = NoiseImage(centred ? 301 : 50, centred ? 203 : 40);
        Input in = OriginalSize(Grid(3, 2, 64, 48, {10, 6}, {8}), source, centred, position);
        in.backgroundColor = QColor(10, 200, 30);
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, in, results));
        const QPoint pos = centred ? QPoint((in.coveredWidth - 301) / 2, (in.coveredHeight - 203) / 2) : position;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j) {
                QCOMPARE(results[i][j].format(), QImage::Format_ARGB32);
                COMPARE_IMAGES(results[i][j], Expected(in, source, OutputLeft(in, i) - pos.x(), OutputTop(in, j) - pos.y()));
            }
    }

    void fullScreenTakesOverlapsFromBothNeighbours_data()
    {
        QTest::addColumn<QList<int>>("hCover");
        QTest::addColumn<QList<int>>("vCover");
        QTest::newRow("coverings") << QList<int>{10, 6} << QList<int>{8};
        QTest::newRow("gaps") << QList<int>{-10, 0} << QList<int>{-3};
    }
    void fullScreenTakesOverlapsFromBothNeighbours()
    {
        QFETCH(QList<int>, hCover);
        QFETCH(QList<int>, vCover);
        const Input in = Grid(3, 2, 64, 48, hCover, vCover);
        const QImage source = NoiseImage(in.coveredWidth, in.coveredHeight, QImage::Format_RGB32);
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, in, results));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j)
                COMPARE_IMAGES(results[i][j], source.copy(OutputLeft(in, i), OutputTop(in, j), 64, 48));
        if (hCover[0] > 0)  // the covered columns appear in both neighbours
            COMPARE_IMAGES(results[0][0].copy(64 - hCover[0], 0, hCover[0], 48), results[1][0].copy(0, 0, hCover[0], 48));
    }

    void fullScreenScalesSmoothly()
    {
        const Input in = Grid(2, 2, 40, 30, {4}, {2});
        const QImage source = NoiseImage(33, 17);
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, in, results));
        const QImage placed = source.scaled(in.coveredWidth, in.coveredHeight, Qt::IgnoreAspectRatio,
                                            Qt::SmoothTransformation);
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                COMPARE_IMAGES(results[i][j], placed.copy(OutputLeft(in, i), OutputTop(in, j), 40, 30));
    }

    void transparentBackgroundKeepsAlpha()
    {
        const QImage source = AlphaNoise(30, 20);
        Input in = OriginalSize(Grid(2, 1, 40, 30), source, false, QPoint(25, 4));
        in.isTransparent = true;
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, in, results));
        for (int i = 0; i < 2; ++i) {
            const QImage& out = results[i][0];
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x) {
                    const QPoint s(x + 40 * i - 25, y - 4);
                    const QRgb expected = source.rect().contains(s) ? source.pixel(s) : 0u;
                    QCOMPARE(out.pixel(x, y), expected);  // alpha 0 outside, source pixels exactly inside
                }
        }
    }

    void colourBackgroundBlendsAlpha()
    {
        const QImage source = AlphaNoise(30, 20);
        Input in = OriginalSize(Grid(2, 1, 40, 30), source, false, QPoint(25, 4));
        in.backgroundColor = QColor(200, 100, 50);
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, in, results));
        for (int i = 0; i < 2; ++i)
            COMPARE_IMAGES(results[i][0], Expected(in, source, OutputLeft(in, i) - 25, -4));
    }

    void croppedSourceIsStretchedToTheUncroppedSize()
    {
        // Left half noise, right half four bands of 25 columns; cropping the
        // left half away at 1:1 must show the bands 50 columns wide.
        QImage source = NoiseImage(200, 100);
        const QColor bands[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
        {
            QPainter painter(&source);
            for (int k = 0; k < 4; ++k)
                painter.fillRect(100 + 25 * k, 0, 25, 100, bands[k]);
        }
        Input in = OriginalSize(Grid(1, 1, 200, 100), source, true);
        in.cropLeft = 100;
        ImageTable results;
        QVERIFY(ComputeOutputImages(CropSource(source, in), in, results));
        const QImage& out = results[0][0];
        QCOMPARE(out.size(), QSize(200, 100));
        for (int k = 0; k < 4; ++k)
            for (int x = 50 * k + 2; x < 50 * k + 48; ++x)
                for (int y = 0; y < 100; y += 9)
                    QCOMPARE(QColor(out.pixel(x, y)), bands[k]);
    }

    void smallCustomImageShowsOnlyInFirstOutput()
    {
        Input in = Grid(2, 2, 40, 30);
        in.isFullScreen = false;
        in.isCustomSize = true;
        in.isCentered = false;
        in.isCustomPos = true;
        in.customWidth = 20;
        in.customHeight = 10;
        QImage red(10, 10, QImage::Format_ARGB32);
        red.fill(Qt::red);
        ImageTable results;
        QVERIFY(ComputeOutputImages(red, in, results));
        QImage background(40, 30, QImage::Format_ARGB32);
        background.fill(Qt::white);
        QImage first = background;
        QPainter(&first).fillRect(0, 0, 20, 10, Qt::red);
        COMPARE_IMAGES(results[0][0], first);
        COMPARE_IMAGES(results[1][0], background);
        COMPARE_IMAGES(results[0][1], background);
        COMPARE_IMAGES(results[1][1], background);
        QVERIFY(results[2][0].isNull());
        QVERIFY(results[0][2].isNull());

        in.customWidth = 0;  // nothing placed: background only
        QVERIFY(ComputeOutputImages(red, in, results));
        COMPARE_IMAGES(results[0][0], background);
    }

    void recordWithDifferentSizesStretchesFast()
    {
        QImage placed(4, 4, QImage::Format_ARGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                placed.setPixel(x, y, qRgb(60 * x, 60 * y, 9));
        const Input in = Grid(1, 1, 16, 16);
        RecordTable records = EmptyRecordTable();
        records[0][0] = Record({4, 6, 12, 14, 0, 0, 4, 4, 16, 16});
        ImageTable results;
        QVERIFY(ComposeOutputImages(placed, in, records, results));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inside = x >= 4 && x < 12 && y >= 6 && y < 14;
                QCOMPARE(results[0][0].pixel(x, y), inside ? placed.pixel((x - 4) / 2, (y - 6) / 2) : qRgb(255, 255, 255));
            }
    }

    void tooLargeImagesFailAndKeepPreviousResults_data()
    {
        QTest::addColumn<Input>("input");
        Input huge = Grid(6, 6, 4096, 4096);
        QTest::newRow("6 x 6 outputs of 4096") << huge;
        Input custom = Grid(2, 2, 1920, 1080);
        custom.isFullScreen = false;
        custom.isCustomSize = true;
        custom.customWidth = custom.customHeight = 50000;
        QTest::newRow("custom size 50000") << custom;
        Input outputs = OriginalSize(Grid(1, 1, 40000, 40000), QImage(8, 8, QImage::Format_RGB32), true);
        QTest::newRow("outputs of 40000") << outputs;
    }
    void tooLargeImagesFailAndKeepPreviousResults()
    {
        QFETCH(Input, input);
        const QImage source = NoiseImage(64, 32);
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, Grid(2, 1, 32, 32), results));
        const QImage before = results[1][0].copy();
        const qint64 key = results[1][0].cacheKey();
        RecordTable records = EmptyRecordTable();
        records[0][0].dstRight = 99;
        QVERIFY(!ComputeOutputImages(source, input, results, &records));
        QCOMPARE(results[1][0].cacheKey(), key);
        COMPARE_IMAGES(results[1][0], before);
        QCOMPARE(records[0][0].dstRight, 99);
    }

    void unsharedResultsAreReusedSharedOnesKept()
    {
        const Input in = Grid(2, 1, 32, 32);
        ImageTable results;
        QVERIFY(ComputeOutputImages(NoiseImage(64, 32, QImage::Format_ARGB32, 1), in, results));
        const uchar* reusedBits = results[0][0].constBits();
        const QImage kept = results[1][0];  // someone else still shows this one
        const QImage keptPixels = kept.copy();
        const QImage second = NoiseImage(64, 32, QImage::Format_ARGB32, 2);
        QVERIFY(ComputeOutputImages(second, in, results));
        QCOMPARE(results[0][0].constBits(), reusedBits);
        COMPARE_IMAGES(results[0][0], second.copy(0, 0, 32, 32));
        COMPARE_IMAGES(results[1][0], second.copy(32, 0, 32, 32));
        COMPARE_IMAGES(kept, keptPixels);
    }

    void parallelForRunsEveryIndexOnceAndAtOnce()
    {
        std::atomic<int> runs[100] = {};
        ParallelFor(100, [&](int index) { runs[index]++; });
        for (const std::atomic<int>& count : runs)
            QCOMPARE(count.load(), 1);
        if (QThread::idealThreadCount() < 2)
            QSKIP("one core");
        // Each of two tasks waits for the other to start: only works if they run at once.
        std::atomic<int> started(0);
        std::atomic<int> metOther(0);
        ParallelFor(2, [&](int) {
            started++;
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (started.load() < 2 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::yield();
            if (started.load() == 2)
                metOther++;
        });
        QCOMPARE(metOther.load(), 2);
    }

    void anySourceFormatGivesArgb32_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("RGB32") << int(QImage::Format_RGB32);
        QTest::newRow("RGB888") << int(QImage::Format_RGB888);
        QTest::newRow("premultiplied") << int(QImage::Format_ARGB32_Premultiplied);
        QTest::newRow("indexed") << int(QImage::Format_Indexed8);
    }
    void anySourceFormatGivesArgb32()
    {
        QFETCH(int, format);
        const QImage source = NoiseImage(64, 32).convertToFormat(QImage::Format(format));
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, Grid(2, 1, 32, 32), results));
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(results[i][0].format(), QImage::Format_ARGB32);
            COMPARE_IMAGES(results[i][0], source.convertToFormat(QImage::Format_ARGB32).copy(32 * i, 0, 32, 32));
        }
    }
};

QTEST_MAIN(TestCoveringEngine)
#include "tst_covering_engine.moc"
