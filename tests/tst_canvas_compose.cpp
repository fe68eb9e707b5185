#include "CanvasCompose.h"
#include "CoreSupport.h"

#include <QPainter>
#include <QtTest>

using namespace CanvasEngine;

// The screen as the canvas defines it, built with the toolkit alone: filled,
// then the picture stretched fast and drawn over it at its position.
static QImage ExpectedScreen(const QImage& source, const Input& in)
{
    QImage screen(in.screenWidth, in.screenHeight, QImage::Format_ARGB32);
    screen.fill(in.background);
    QPainter painter(&screen);
    painter.drawImage(in.imageX, in.imageY,
                      source.scaled(in.imageWidth, in.imageHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    return screen;
}

class TestCanvasCompose : public QObject
{
    Q_OBJECT

private slots:
    void composition_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QRect>("placed");
        QTest::addColumn<QColor>("background");
        const QImage opaque = NoiseImage(100, 50, QImage::Format_RGB32);
        const QImage translucent = NoiseImage(100, 50, QImage::Format_ARGB32, 2, true);
        const QColor odd(17, 130, 251);
        QTest::newRow("full screen, stretched") << opaque << QRect(0, 0, 192, 108) << odd;
        QTest::newRow("original size, centred") << opaque << QRect(46, 29, 100, 50) << odd;
        QTest::newRow("shrunk at an odd ratio") << opaque << QRect(3, 7, 37, 23) << odd;
        QTest::newRow("larger than the screen: clipped on all sides") << opaque << QRect(-70, -41, 333, 191) << odd;
        QTest::newRow("off the screen: background only") << opaque << QRect(500, 0, 100, 50) << odd;
        QTest::newRow("no area: background only") << opaque << QRect(10, 10, 0, 50) << odd;
        QTest::newRow("transparent background") << opaque << QRect(20, 10, 150, 70) << QColor(Qt::transparent);
        QTest::newRow("translucent on a colour") << translucent << QRect(-5, 3, 151, 77) << odd;
        QTest::newRow("translucent on transparent") << translucent << QRect(9, -8, 80, 120) << QColor(Qt::transparent);
        QTest::newRow("opaque pixels with an alpha channel") << NoiseImage(64, 40) << QRect(1, 1, 190, 33) << odd;
        QTest::newRow("indexed colours") << opaque.convertToFormat(QImage::Format_Indexed8) << QRect(0, 0, 150, 90)
                                         << odd;
        QTest::newRow("grey levels") << opaque.convertToFormat(QImage::Format_Grayscale8) << QRect(5, 5, 99, 99)
                                     << odd;
        QTest::newRow("premultiplied translucent") << translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                                   << QRect(0, 0, 120, 60) << odd;
    }
    void composition()
    {
        QFETCH(QImage, source);
        QFETCH(QRect, placed);
        QFETCH(QColor, background);
        Input in;
        in.screenWidth = 192;
        in.screenHeight = 108;
        in.imageX = placed.x();
        in.imageY = placed.y();
        in.imageWidth = placed.width();
        in.imageHeight = placed.height();
        in.background = background;
        Composer composer;
        QImage screen;
        QVERIFY(composer.Compose(source, in, screen));
        QCOMPARE(screen.format(), QImage::Format_ARGB32);
        COMPARE_IMAGES(screen, ExpectedScreen(source, in));

        // Composing again reuses what it kept and gives the same screen; a
        // screen held elsewhere is never written into.
        const QImage held = screen;
        in.background = Qt::black;
        QVERIFY(composer.Compose(source, in, screen));
        COMPARE_IMAGES(screen, ExpectedScreen(source, in));
        in.background = background;
        COMPARE_IMAGES(held, ExpectedScreen(source, in));
        in.imageWidth += 3; // stretched again into the kept buffer
        QVERIFY(composer.Compose(source, in, screen));
        COMPARE_IMAGES(screen, ExpectedScreen(source, in));
    }

    void stretchMatchesTheToolkitAtManyRatios()
    {
        const QImage source = NoiseImage(211, 97, QImage::Format_RGB32, 5);
        for (int size : {1, 2, 13, 96, 97, 98, 210, 211, 212, 400, 633, 1999}) {
            Input in;
            in.screenWidth = qMin(size, 700);
            in.screenHeight = qMin(size, 300);
            in.imageWidth = size;
            in.imageHeight = size;
            QImage screen;
            QVERIFY(Composer().Compose(source, in, screen));
            COMPARE_IMAGES(screen, ExpectedScreen(source, in));
        }
    }

    void tooLargeScreenIsRefusedAndKeepsTheLastOne()
    {
        Input in;
        in.screenWidth = 32768;
        in.screenHeight = 32768;
        QImage screen(8, 8, QImage::Format_ARGB32);
        screen.fill(Qt::red);
        QVERIFY(!Composer().Compose(NoiseImage(4, 4), in, screen));
        QCOMPARE(screen.size(), QSize(8, 8));
        QCOMPARE(screen.pixel(3, 3), QColor(Qt::red).rgba());
        QVERIFY(ScreenFits(32768, 16383));
        QVERIFY(!ScreenFits(32768, 16384));
    }

    void placement()
    {
        // Centred halves truncate toward zero one by one.
        QCOMPARE(CenteredPosition(QSize(1920, 1080), QSize(1000, 500)), QPoint(460, 290));
        QCOMPARE(CenteredPosition(QSize(1920, 1080), QSize(2001, 1201)), QPoint(-40, -60));
        QCOMPARE(CenteredPosition(QSize(401, 401), QSize(3, 3)), QPoint(199, 199));
        QSize size(5, 5);
        const QImage cropped(800, 500, QImage::Format_RGB32);
        QVERIFY(PlacedSize(SizeOriginal, QSize(1920, 1080), cropped, QSize(7, 7), size));
        QCOMPARE(size, QSize(800, 500));
        QVERIFY(PlacedSize(SizeOriginal, QSize(1920, 1080), QImage(), QSize(7, 7), size));
        QCOMPARE(size, QSize(800, 500)); // without an image the size stays
        QVERIFY(PlacedSize(SizeFullScreen, QSize(1920, 1080), cropped, QSize(7, 7), size));
        QCOMPARE(size, QSize(1920, 1080));
        QVERIFY(PlacedSize(SizeCustom, QSize(1920, 1080), cropped, QSize(7, 9), size));
        QCOMPARE(size, QSize(7, 9));
        QVERIFY(!PlacedSize(3, QSize(1920, 1080), cropped, QSize(7, 9), size));
        QCOMPARE(size, QSize(7, 9));
    }

    void cropping()
    {
        const QImage source = NoiseImage(100, 50);
        QImage result;
        HelpersCompute_ComputeCropping(source, 0, 0, 0, 0, &result);
        QCOMPARE(result.cacheKey(), source.cacheKey()); // shared, not copied
        HelpersCompute_ComputeCropping(source, 10, 5, 20, 15, &result);
        COMPARE_IMAGES(result, source.copy(10, 5, 70, 30));
        // A crop may take the whole extent, never more.
        QCOMPARE(ClampedCrop(900, 100, 1000), 900);
        QCOMPARE(ClampedCrop(901, 100, 1000), 900);
        QCOMPARE(ClampedCrop(1000, 0, 1000), 1000);
    }
};

QTEST_APPLESS_MAIN(TestCanvasCompose)
#include "tst_canvas_compose.moc"
