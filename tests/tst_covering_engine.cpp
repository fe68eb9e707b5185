#include "CoveringCompose.h"
#include "CoreSupport.h"

#include <QPainter>
#include <QtTest>

using namespace CoveringEngine;

Q_DECLARE_METATYPE(CoveringEngine::Input)

namespace {

// The ten fields of a record; a list so that a failure names the first differing field.
QList<int> Fields(const imgSizePosOnScreen& r)
{
    return {r.dstLeft, r.dstTop, r.dstRight, r.dstBottom, r.srcLeft, r.srcTop, r.srcRight, r.srcBottom,
            r.outputWidth, r.outputHeight};
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

// Any placement but full screen: at 1:1 (size of the loaded image) or at a custom size.
Input Placed(Input in, bool original, QSize size, bool centred, QPoint pos = QPoint())
{
    in.isFullScreen = false;
    in.isOriginalSize = original;
    in.isCustomSize = !original;
    in.isCentered = centred;
    in.isCustomPos = !centred;
    (original ? in.imageWidth : in.customWidth) = size.width();
    (original ? in.imageHeight : in.customHeight) = size.height();
    in.customX = pos.x();
    in.customY = pos.y();
    return in;
}

// Screen rectangle of output (i, j).
QRect OutputRect(const Input& in, int i, int j)
{
    return QRect(i * in.outputWidth - in.columnOffsets[i], j * in.outputHeight - in.rowOffsets[j],
                 in.outputWidth, in.outputHeight);
}

// What an output must show: the placed image, whose top-left corner is at
// `pos` on the screen, drawn over the background.
QImage Expected(const Input& in, const QImage& placed, QPoint pos, int i, int j)
{
    QImage expected(in.outputWidth, in.outputHeight, QImage::Format_ARGB32);
    expected.fill(in.backgroundColor);
    QPainter(&expected).drawImage(pos - OutputRect(in, i, j).topLeft(), placed);
    return expected;
}

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
        QTest::addColumn<QList<int>>("expected");

        const Input twoColumns = Grid(2, 1, 1920, 1080, {100});  // 3740 wide
        QTest::newRow("full screen, covering 100, left") << twoColumns << 0 << 0
            << QList<int>{0, 0, 1920, 1080, 0, 0, 1920, 1080, 1920, 1080};
        QTest::newRow("full screen, covering 100, right") << twoColumns << 1 << 0
            << QList<int>{0, 0, 1920, 1080, 1820, 0, 3740, 1080, 1920, 1080};

        const Input centred = Placed(Grid(2, 1, 1920, 1080), true, QSize(1000, 500), true);
        QTest::newRow("1:1 centred, output 0") << centred << 0 << 0
            << QList<int>{1420, 290, 1920, 790, 0, 0, 500, 500, 1920, 1080};
        QTest::newRow("1:1 centred, output 1") << centred << 1 << 0
            << QList<int>{0, 290, 500, 790, 500, 0, 1000, 500, 1920, 1080};
        QTest::newRow("1:1 centred, wider than the screen")
            << Placed(Grid(1, 1, 1920, 1080), true, QSize(3000, 500), true) << 0 << 0
            << QList<int>{0, 290, 1920, 790, 540, 0, 2460, 500, 1920, 1080};
        // (1920 - 1923) / 2 is -1, not -2; (1080 - 1077) / 2 is 1.
        QTest::newRow("custom size centred, odd differences")
            << Placed(Grid(1, 1, 1920, 1080), false, QSize(1923, 1077), true) << 0 << 0
            << QList<int>{0, 1, 1920, 1078, 1, 0, 1921, 1077, 1920, 1080};
    }
    void records()
    {
        QFETCH(Input, input);
        QFETCH(int, column);
        QFETCH(int, row);
        QTEST(Fields(ComputeResultImages(input)[column][row]), "expected");
    }

    // At 1:1 the source is translucent: blended on a colour, kept as it is on a
    // transparent background.
    void placedOutputsShowTheSourcePixels_data()
    {
        QTest::addColumn<bool>("original");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("centred");
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<bool>("transparent");
        QTest::newRow("1:1 centred, larger than the screen") << true << QSize(301, 203) << true << QPoint() << false;
        QTest::newRow("1:1 at a position inside") << true << QSize(50, 40) << false << QPoint(37, 21) << false;
        QTest::newRow("1:1 across a seam, transparent") << true << QSize(50, 40) << false << QPoint(70, 5) << true;
        QTest::newRow("custom size centred") << false << QSize(150, 70) << true << QPoint() << false;
        QTest::newRow("custom size at (0, 0), smaller than an output")
            << false << QSize(20, 10) << false << QPoint() << false;
    }
    void placedOutputsShowTheSourcePixels()
    {
        QFETCH(bool, original);
        QFETCH(QSize, size);
        QFETCH(bool, centred);
        QFETCH(QPoint, position);
        QFETCH(bool, transparent);
        const QImage source = NoiseImage(original ? size.width() : 13, original ? size.height() : 7,
                                         QImage::Format_ARGB32, 1, original);
        Input in = Placed(Grid(3, 2, 64, 48, {10, 6}, {8}), original, size, centred, position);
        in.backgroundColor = QColor(10, 200, 30);
        in.isTransparent = transparent;
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, in, results));
        const QImage placed = source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QPoint pos = centred ? QPoint((in.coveredWidth - size.width()) / 2,
                                            (in.coveredHeight - size.height()) / 2) : position;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j)  // copy() fills what lies outside the image with 0
                COMPARE_IMAGES(results[i][j], transparent ? placed.copy(OutputRect(in, i, j).translated(-pos))
                                                          : Expected(in, placed, pos, i, j));
        QVERIFY(results[3][0].isNull() && results[0][2].isNull());
    }

    void fullScreenTakesOverlapsFromBothNeighbours_data()
    {
        QTest::addColumn<QList<int>>("hCover");
        QTest::addColumn<QList<int>>("vCover");
        QTest::addColumn<QSize>("sourceSize");  // empty: the covered size
        QTest::addColumn<int>("format");
        QTest::newRow("coverings") << QList<int>{10, 6} << QList<int>{8} << QSize() << int(QImage::Format_RGB32);
        QTest::newRow("gaps, indexed source") << QList<int>{-10, 0} << QList<int>{-3} << QSize()
                                              << int(QImage::Format_Indexed8);
        QTest::newRow("scaled smoothly") << QList<int>{4, 0} << QList<int>{2} << QSize(33, 17)
                                         << int(QImage::Format_ARGB32);
    }
    void fullScreenTakesOverlapsFromBothNeighbours()
    {
        QFETCH(QList<int>, hCover);
        QFETCH(QList<int>, vCover);
        QFETCH(QSize, sourceSize);
        QFETCH(int, format);
        const Input in = Grid(3, 2, 64, 48, hCover, vCover);
        const QSize covered(in.coveredWidth, in.coveredHeight);
        const QImage source = NoiseImage(sourceSize.isEmpty() ? covered.width() : sourceSize.width(),
                                         sourceSize.isEmpty() ? covered.height() : sourceSize.height())
                                  .convertToFormat(QImage::Format(format));
        const QImage placed = source.scaled(covered, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, in, results));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j) {
                QCOMPARE(results[i][j].format(), QImage::Format_ARGB32);
                COMPARE_IMAGES(results[i][j], placed.copy(OutputRect(in, i, j)));
            }
        const int covering = hCover[0];  // its columns appear in both neighbours
        if (covering > 0)
            COMPARE_IMAGES(results[0][0].copy(64 - covering, 0, covering, 48), results[1][0].copy(0, 0, covering, 48));
    }

    void croppedSourceIsStretchedToTheUncroppedSize()
    {
        const QImage source = NoiseImage(200, 100);
        COMPARE_IMAGES(CropSource(source, 3, 5, 7, 2), source.copy(3, 7, 192, 91));
        QVERIFY(CropSource(source, 100, 100, 0, 0).isNull());
        Input in = Placed(Grid(1, 1, 200, 100), true, source.size(), true);
        in.cropLeft = 100;
        ImageTable results;
        QVERIFY(ComputeOutputImages(CropSource(source, in), in, results));
        COMPARE_IMAGES(results[0][0], source.copy(100, 0, 100, 100).scaled(200, 100, Qt::IgnoreAspectRatio,
                                                                         Qt::SmoothTransformation));
    }

    void tooLargeImagesFailAndKeepPreviousResults_data()
    {
        QTest::addColumn<Input>("input");
        QTest::newRow("6 x 6 outputs of 4096") << Grid(6, 6, 4096, 4096);
        QTest::newRow("custom size 50000") << Placed(Grid(2, 2, 1920, 1080), false, QSize(50000, 50000), true);
        QTest::newRow("outputs of 40000") << Placed(Grid(1, 1, 40000, 40000), true, QSize(8, 8), true);
    }
    void tooLargeImagesFailAndKeepPreviousResults()
    {
        QFETCH(Input, input);
        const QImage source = NoiseImage(64, 32);
        ImageTable results;
        QVERIFY(ComputeOutputImages(source, Grid(2, 1, 32, 32), results));
        const QImage before = results[1][0].copy();
        RecordTable records = EmptyRecordTable();
        records[0][0].dstRight = 99;
        QVERIFY(!ComputeOutputImages(source, input, results, &records));
        COMPARE_IMAGES(results[1][0], before);
        QCOMPARE(records[0][0].dstRight, 99);
    }

    // Reuse in place must never reach an image someone else still holds.
    void refreshLeavesResultsHeldElsewhereAlone()
    {
        const Input in = Grid(2, 1, 32, 32);
        ImageTable results;
        QVERIFY(ComputeOutputImages(NoiseImage(64, 32, QImage::Format_ARGB32, 1), in, results));
        const QImage kept = results[1][0];
        const QImage keptPixels = kept.copy();
        const QImage second = NoiseImage(64, 32, QImage::Format_ARGB32, 2);
        QVERIFY(ComputeOutputImages(second, in, results));
        COMPARE_IMAGES(results[0][0], second.copy(0, 0, 32, 32));
        COMPARE_IMAGES(results[1][0], second.copy(32, 0, 32, 32));
        COMPARE_IMAGES(kept, keptPixels);
    }
};

QTEST_MAIN(TestCoveringEngine)
#include "tst_covering_engine.moc"
