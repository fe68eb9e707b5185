#include "core/canvas/CanvasCompose.h"
#include "core/canvas/CanvasOutputs.h"
#include "core/imaging/ImageSave.h"
#include "core/naming/OutputNames.h"
#include "tests/testsupport/CoreSupport.h"

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

class TestCanvasCore : public QObject
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
        QTest::newRow("larger than the screen: clipped on all sides") << opaque << QRect(-70, -41, 333, 191) << odd;
        QTest::newRow("off the screen: background only") << opaque << QRect(500, 0, 100, 50) << odd;
        QTest::newRow("no area: background only") << opaque << QRect(10, 10, 0, 50) << odd;
        QTest::newRow("transparent background") << opaque << QRect(20, 10, 150, 70) << QColor(Qt::transparent);
        QTest::newRow("translucent on a colour") << translucent << QRect(-5, 3, 151, 77) << odd;
        QTest::newRow("translucent on transparent") << translucent << QRect(9, -8, 80, 120) << QColor(Qt::transparent);
        QTest::newRow("opaque pixels with an alpha channel") << NoiseImage(64, 40) << QRect(1, 1, 190, 33) << odd;
        QTest::newRow("indexed colours") << opaque.convertToFormat(QImage::Format_Indexed8) << QRect(0, 0, 150, 90)
                                         << odd;
        QTest::newRow("grey levels") << opaque.convertToFormat(QImage::Format_Grayscale8) << QRect(5, 5, 99, 99) << odd;
        QTest::newRow("premultiplied translucent")
            << translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied) << QRect(0, 0, 120, 60) << odd;
        // 32 bits without alpha, in other channel orders: colours must not swap.
        for (auto [format, name] :
             {std::pair(QImage::Format_RGBX8888, "RGBX8888"), std::pair(QImage::Format_BGR30, "BGR30"),
              std::pair(QImage::Format_RGB30, "RGB30"), std::pair(QImage::Format_RGBX64, "RGBX64")})
            QTest::newRow(name) << opaque.convertToFormat(format) << QRect(-3, 2, 150, 90) << odd;
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
        // Outputs made on their own: inside, across the picture's edges, past the screen's.
        for (const QRect& part : {QRect(0, 0, 192, 108), QRect(37, 11, 64, 40), QRect(150, 80, 60, 40)}) {
            QImage image;
            QVERIFY(composer.ComposePart(source, in, part, image));
            COMPARE_IMAGES(image, ExpectedScreen(source, in).copy(part));
        }

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
            QVERIFY(Composer().ComposePart(source, in, QRect(5, 3, 90, 60), screen));
            COMPARE_IMAGES(screen, ExpectedScreen(source, in).copy(5, 3, 90, 60));
        }
    }

    // The page tells a screen too large and keeps its picture; the limit is
    // a buffer of 2 GiB.
    void screenFitsUpTo2GiB()
    {
        QVERIFY(ScreenFits(32768, 16383));
        QVERIFY(!ScreenFits(32768, 16384));
    }
    void placement()
    {
        // Centred halves truncate toward zero one by one.
        QCOMPARE(CenteredPosition(QSize(1920, 1080), QSize(2001, 1201)), QPoint(-40, -60));
        QCOMPARE(CenteredPosition(QSize(401, 401), QSize(3, 3)), QPoint(199, 199));
    }

    void cropping()
    {
        const QImage source = NoiseImage(100, 50);
        QImage result;
        HelpersCompute_ComputeCropping(source, 0, 0, 0, 0, &result);
        COMPARE_IMAGES(result, source);
        HelpersCompute_ComputeCropping(source, 10, 5, 20, 15, &result);
        COMPARE_IMAGES(result, source.copy(10, 5, 70, 30));
        // A crop may take the whole extent, never more.
        QCOMPARE(ClampedCrop(900, 100, 1000), 900);
        QCOMPARE(ClampedCrop(1000, 0, 1000), 1000);
    }

    void defaultPlaces_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("place");
        QTest::newRow("first on 1920 x 1080") << QSize(1920, 1080) << 0 << QRect(340, 60, 640, 360);
        QTest::newRow("second") << QSize(1920, 1080) << 1 << QRect(380, 100, 640, 360);
        QTest::newRow("last") << QSize(1920, 1080) << 15 << QRect(940, 660, 640, 360);
    }
    void defaultPlaces()
    {
        QFETCH(QSize, screen);
        QFETCH(int, id);
        QTEST(CanvasOutputs::DefaultRect(id, screen), "place");
        QTEST(CanvasOutputs::KeptOrDefaultRect(QRectF(-1, 0, 10, 10), id, screen), "place");
        QCOMPARE(CanvasOutputs::KeptOrDefaultRect(QRectF(5.7, 0, 10.9, 10), id, screen), QRect(5, 0, 10, 10));
    }

    void dragsAndTypedValues_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("pushed");
        QTest::addColumn<QRect>("clipped");
        QTest::newRow("inside") << QRect(10, 20, 300, 200) << QRect(10, 20, 300, 200) << QRect(10, 20, 300, 200);
        QTest::newRow("past the right edge")
            << QRect(1700, 20, 300, 200) << QRect(1620, 20, 300, 200) << QRect(1700, 20, 220, 200);
        QTest::newRow("past the left and top")
            << QRect(-50, -30, 300, 200) << QRect(0, 0, 300, 200) << QRect(0, 0, 250, 170);
        QTest::newRow("touching the bottom")
            << QRect(0, 880, 300, 200) << QRect(0, 880, 300, 200) << QRect(0, 880, 300, 200);
    }
    void dragsAndTypedValues()
    {
        QFETCH(QRect, rect);
        const QSize screen(1920, 1080);
        QTEST(CanvasOutputs::PushedInside(rect, screen), "pushed");
        QTEST(CanvasOutputs::ClippedToScreen(rect, screen), "clipped");
        // Typed values are corrected one at a time, the first that does not fit.
        const CanvasOutputs::Correction x = CanvasOutputs::PositionCorrection(QRect(1700, -4, 300, 10), screen);
        QVERIFY(x.field == CanvasOutputs::Field::X && x.value == 1620);
        const CanvasOutputs::Correction h = CanvasOutputs::SizeCorrection(QRect(100, 0, 50, 0), screen);
        QVERIFY(h.field == CanvasOutputs::Field::Height && h.value == 1);
        const CanvasOutputs::Correction edge = CanvasOutputs::SizeCorrection(QRect(1920, 0, 1, 10), screen);
        QVERIFY(edge.field == CanvasOutputs::Field::X && edge.value == 1919); // no width fits there
    }

    void buttons()
    {
        const QSize screen(1920, 1080);
        const QRect output(100, 200, 640, 360);
        QCOMPARE(CanvasOutputs::ButtonPosition(4, screen, QSize(641, 361)), QPoint(640, 360));
        QCOMPARE(CanvasOutputs::ButtonPosition(9, screen, QSize(641, 361)), QPoint(0, 0));
        QCOMPARE(CanvasOutputs::ButtonSize(0, screen, output), QRect(0, 0, 960, 540));
        QCOMPARE(CanvasOutputs::ButtonSize(2, screen, output), QRect(0, 200, 1920, 360));
        QCOMPARE(CanvasOutputs::ButtonSize(7, screen, output), output);
    }

    void labelsColoursAndNames()
    {
        QCOMPARE(CanvasOutputs::ProposedLabel({"Output 1", "Output 3"}), QStringLiteral("Output 2"));
        QCOMPARE(CanvasOutputs::ProposedLabel({}), QStringLiteral("Output 1"));
        const QList<QColor> palette = CanvasOutputs::Palette();
        QVERIFY(!CanvasOutputs::FreeColour(palette, palette).isValid());
        for (const char* bad : {"w_../../x.png", "a\\b.png", "..", "x\n.png"})
            QVERIFY2(!OutputNames::IsPlainFileName(bad), bad);
        QVERIFY(OutputNames::IsPlainFileName("w_..x.png"));
    }
};

QTEST_APPLESS_MAIN(TestCanvasCore)
#include "tst_canvas_core.moc"
