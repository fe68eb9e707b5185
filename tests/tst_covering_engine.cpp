#include "core/covering/CoveringCompose.h"
#include "tests/testsupport/CoreSupport.h"

#include <QPainter>
#include <QPixmap>
#include <QtTest>

using namespace CoveringEngine;

Q_DECLARE_METATYPE(CoveringEngine::Input)

namespace {

// A grid of 64 x 48 outputs whose working values follow the covering rules:
// offsets the running sums of the seams, covered size minus the last offset.
Input Grid(int columns, int rows, QList<int> hCover = {}, QList<int> vCover = {})
{
    Input in;
    in.columnCount = columns;
    in.rowCount = rows;
    in.outputWidth = 64;
    in.outputHeight = 48;
    for (int i = 1; i < columns; ++i)
        in.columnOffsets[i] = in.columnOffsets[i - 1] + hCover.value(i - 1);
    for (int j = 1; j < rows; ++j)
        in.rowOffsets[j] = in.rowOffsets[j - 1] + vCover.value(j - 1);
    in.coveredWidth = columns * 64 - in.columnOffsets[columns - 1];
    in.coveredHeight = rows * 48 - in.rowOffsets[rows - 1];
    return in;
}

// Any placement but full screen, at 1:1 (size of the loaded image) or at a
// custom size, over a colour or, when it is invalid, a transparent background.
Input Placed(Input in, bool original, QSize size, bool centred, QPoint pos, QColor background)
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
    in.backgroundColor = background;
    in.isTransparent = !background.isValid();
    return in;
}

// What an output shows when the placed image's top-left corner is at `at` in
// it. On a colour, by the composition's own steps: a pixmap canvas filled
// with the colour, the image painted on it, the canvas painted on an ARGB32
// image filled with the colour. On a transparent background the image's
// pixels stay as they are, and nothing (alpha 0) lies outside it.
QImage Expected(const Input& in, const QImage& placed, QPoint at)
{
    if (in.isTransparent)
        return placed.copy(QRect(-at, QSize(in.outputWidth, in.outputHeight)));
    QPixmap canvas(in.outputWidth, in.outputHeight);
    canvas.fill(in.backgroundColor);
    QPainter(&canvas).drawImage(at, placed);
    QImage expected(in.outputWidth, in.outputHeight, QImage::Format_ARGB32);
    expected.fill(in.backgroundColor);
    QPainter(&expected).drawPixmap(0, 0, canvas);
    return expected;
}

} // namespace

class TestCoveringEngine : public QObject
{
    Q_OBJECT
private slots:
    void outputsShowTheirPartOfThePlacedImage_data()
    {
        QTest::addColumn<Input>("in");
        QTest::addColumn<QSize>("sourceSize"); // empty: the covered size
        QTest::addColumn<int>("format");       // ARGB32: translucent noise
        const int argb = QImage::Format_ARGB32;
        const Input grid = Grid(3, 2, {10, 6}, {8}); // 176 x 88
        Input scaled = Grid(3, 2, {4, 0}, {2});
        scaled.backgroundColor = QColor(1, 127, 253);
        QTest::newRow("full screen, coverings") << grid << QSize() << int(QImage::Format_RGB32);
        QTest::newRow("full screen, gaps") << Grid(3, 2, {-10, 0}, {-3}) << QSize() << int(QImage::Format_Indexed8);
        QTest::newRow("full screen, scaled smoothly, odd colour") << scaled << QSize(33, 17) << argb;
        // Halves of odd differences go toward zero: (176 - 301) / 2 is -62,
        // not -63; (176 - 51) / 2 is 62, not 63.
        QTest::newRow("1:1 centred, larger than the screen")
            << Placed(grid, true, QSize(301, 203), true, QPoint(), QColor(10, 200, 30)) << QSize(301, 203) << argb;
        QTest::newRow("1:1 centred, odd difference")
            << Placed(grid, true, QSize(51, 33), true, QPoint(), QColor(10, 200, 30)) << QSize(51, 33) << argb;
        QTest::newRow("1:1 at a position inside")
            << Placed(grid, true, QSize(50, 40), false, QPoint(37, 21), Qt::white) << QSize(50, 40) << argb;
        QTest::newRow("1:1 across a seam, transparent")
            << Placed(grid, true, QSize(50, 40), false, QPoint(70, 5), QColor()) << QSize(50, 40) << argb;
        Input cropped = Placed(grid, true, QSize(120, 60), true, QPoint(), QColor(77, 131, 199));
        cropped.cropLeft = 60;
        cropped.cropBottom = 7;
        QTest::newRow("1:1 cropped: stretched to the uncropped size") << cropped << QSize(120, 60) << argb;
        QTest::newRow("custom size centred")
            << Placed(grid, false, QSize(151, 71), true, QPoint(), Qt::black) << QSize(13, 7) << argb;
        QTest::newRow("custom size at (0, 0), smaller than an output")
            << Placed(grid, false, QSize(20, 10), false, QPoint(), QColor(255, 3, 129)) << QSize(7, 5) << argb;
        // Each output's part is scaled on its own: every way of scaling, and
        // pictures with alpha large or reduced enough to be scaled so.
        const int rgb = QImage::Format_RGB32;
        QTest::newRow("full screen, opaque, scaled up") << grid << QSize(50, 30) << rgb;
        QTest::newRow("full screen, opaque, scaled down") << grid << QSize(500, 301) << rgb;
        QTest::newRow("custom size, opaque, down across and up along")
            << Placed(grid, false, QSize(151, 71), true, QPoint(), Qt::black) << QSize(400, 20) << rgb;
        QTest::newRow("custom size, opaque, up across and down along, partly off the screen")
            << Placed(grid, false, QSize(151, 71), false, QPoint(-31, 40), Qt::black) << QSize(40, 300) << rgb;
        QTest::newRow("full screen, alpha, strongly reduced, transparent")
            << Placed(grid, false, QSize(176, 88), false, QPoint(), QColor()) << QSize(600, 401) << argb;
        QTest::newRow("custom size, alpha, large picture, colour")
            << Placed(grid, false, QSize(150, 70), false, QPoint(20, -5), QColor(9, 99, 199)) << QSize(1100, 1000)
            << argb;
        Input soft = Placed(grid, false, QSize(180, 90), true, QPoint(), QColor(200, 10, 10));
        soft.softEdge.enabled = true;
        QTest::newRow("soft edges, alpha, large picture") << soft << QSize(1030, 1020) << argb;
    }
    void outputsShowTheirPartOfThePlacedImage()
    {
        QFETCH(Input, in);
        QFETCH(QSize, sourceSize);
        QFETCH(int, format);
        const QSize covered(in.coveredWidth, in.coveredHeight);
        const QSize sz = sourceSize.isEmpty() ? covered : sourceSize;
        const bool translucent = format == QImage::Format_ARGB32;
        const QImage source = NoiseImage(sz.width(), sz.height(), QImage::Format_ARGB32, 1, translucent)
                                  .convertToFormat(QImage::Format(format));
        ImageTable results;
        QVERIFY(ComputeOutputImages(CropSource(source, in), in, results));

        // The same outputs cut from the whole placed image.
        QImage whole;
        PlacedPicture placedWhole;
        ImageTable fromWhole;
        QVERIFY(MakePlacedImage(CropSource(source, in), PlacedSize(in), whole) && placedWhole.PrepareWhole(whole));
        QVERIFY(ComposeOutputImages(placedWhole, in, ComputeResultImages(in), fromWhole));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j)
                COMPARE_IMAGES(results[i][j], fromWhole[i][j]);
        if (in.softEdge.enabled)
            return;

        const QSize size = in.isFullScreen ? covered
            : in.isOriginalSize            ? QSize(in.imageWidth, in.imageHeight)
                                           : QSize(in.customWidth, in.customHeight);
        const QImage placed = source
                                  .copy(in.cropLeft, in.cropTop, sz.width() - in.cropLeft - in.cropRight,
                                        sz.height() - in.cropTop - in.cropBottom)
                                  .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                  .convertToFormat(QImage::Format_ARGB32);
        const QPoint pos = in.isFullScreen ? QPoint()
            : in.isCentered ? QPoint((covered.width() - size.width()) / 2, (covered.height() - size.height()) / 2)
                            : QPoint(in.customX, in.customY);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j) {
                const QPoint corner(i * 64 - in.columnOffsets[i], j * 48 - in.rowOffsets[j]);
                QCOMPARE(results[i][j].format(), QImage::Format_ARGB32);
                COMPARE_IMAGES(results[i][j], Expected(in, placed, pos - corner));
            }
        QVERIFY(results[3][0].isNull() && results[0][2].isNull());
    }

    // Each output's part is scaled as the toolkit scales the whole picture,
    // down to single pixels and at extreme ratios.
    void partsScaleAsTheToolkitScales()
    {
        const QList<QPair<QSize, QSize>> cases{{{1, 1}, {97, 13}},      {{2, 3}, {1, 1}},     {{3000, 2}, {7, 5}},
                                               {{5, 4000}, {3, 9}},     {{13, 11}, {14, 10}}, {{640, 1}, {1280, 3}},
                                               {{257, 255}, {256, 256}}};
        for (const auto& [from, to] : cases) {
            const QImage source = NoiseImage(from.width(), from.height(), QImage::Format_RGB32, 7);
            const QImage expected = source.scaled(to, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            PlacedPicture placed;
            QVERIFY(placed.Prepare(source, to));
            // Two parts, split anywhere: together they are the whole.
            const QRect top(0, 0, to.width(), to.height() / 2),
                bottom(0, top.height(), to.width(), to.height() - top.height());
            COMPARE_IMAGES(placed.Copy(top), expected.copy(top));
            COMPARE_IMAGES(placed.Copy(bottom), expected.copy(bottom));
        }
    }

    // Reuse in place must never reach an image someone else still holds.
    void refreshLeavesResultsHeldElsewhereAlone()
    {
        const Input in = Grid(2, 1);
        ImageTable results;
        QVERIFY(ComputeOutputImages(NoiseImage(128, 48, QImage::Format_ARGB32, 1), in, results));
        const QImage kept = results[1][0];
        const QImage keptPixels = kept.copy();
        const QImage second = NoiseImage(128, 48, QImage::Format_ARGB32, 2);
        QVERIFY(ComputeOutputImages(second, in, results));
        COMPARE_IMAGES(results[0][0], second.copy(0, 0, 64, 48));
        COMPARE_IMAGES(results[1][0], second.copy(64, 0, 64, 48));
        COMPARE_IMAGES(kept, keptPixels);
    }
};

QTEST_MAIN(TestCoveringEngine)
#include "tst_covering_engine.moc"
