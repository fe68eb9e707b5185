#include "GrabberGeometry.h"

#include <QtTest>

using namespace GrabberGeometry;

class TestCanvasGrabberGeometry : public QObject
{
    Q_OBJECT
private slots:
    void positionsAndFactors_data()
    {
        QTest::addColumn<long long>("number");
        QTest::addColumn<QPointF>("position");
        QTest::addColumn<int>("factorX");
        QTest::addColumn<int>("factorY");
        // A 101 x 51 rectangle: the edge middles use integer halves (50, 25).
        QTest::newRow("0 top-left") << 0LL << QPointF(-15, -15) << 1 << 1;
        QTest::newRow("1 top middle") << 1LL << QPointF(35, -15) << 0 << 1;
        QTest::newRow("2 top-right") << 2LL << QPointF(86, -15) << -1 << 1;
        QTest::newRow("3 right middle") << 3LL << QPointF(86, 10) << -1 << 0;
        QTest::newRow("4 bottom-right") << 4LL << QPointF(86, 36) << -1 << -1;
        QTest::newRow("5 bottom middle") << 5LL << QPointF(35, 36) << 0 << -1;
        QTest::newRow("6 bottom-left") << 6LL << QPointF(-15, 36) << 1 << -1;
        QTest::newRow("7 left middle") << 7LL << QPointF(-15, 10) << 1 << 0;
        QTest::newRow("-1 out of range") << -1LL << QPointF(0, 0) << 0 << 0;
        QTest::newRow("8 out of range") << 8LL << QPointF(0, 0) << 0 << 0;
    }
    void positionsAndFactors()
    {
        QFETCH(long long, number);
        QFETCH(QPointF, position);
        QFETCH(int, factorX);
        QFETCH(int, factorY);
        QCOMPARE(GrabberPosition(number, 101, 51), position);
        QCOMPARE(GrabberFactorX(number), factorX);
        QCOMPARE(GrabberFactorY(number), factorY);
    }

    void resizeStep_data()
    {
        QTest::addColumn<long long>("number");
        QTest::addColumn<QPointF>("mouseOffset"); // mouse minus press point
        QTest::addColumn<QRectF>("expected");     // starting from (100, 100, 200, 150)
        QTest::newRow("4 grows") << 4LL << QPointF(10, 20) << QRectF(100, 100, 210, 170);
        QTest::newRow("0 grows, bottom-right stays") << 0LL << QPointF(-10, -20) << QRectF(90, 80, 210, 170);
        QTest::newRow("0 past the far corner") << 0LL << QPointF(400, 300) << QRectF(299, 249, 1, 1);
        QTest::newRow("0 exactly onto the edge") << 0LL << QPointF(200, 150) << QRectF(299, 249, 1, 1);
        QTest::newRow("0 sub-pixel does nothing") << 0LL << QPointF(-0.9, 0.9) << QRectF(100, 100, 200, 150);
        QTest::newRow("4 fraction is dropped") << 4LL << QPointF(2.75, -1.5) << QRectF(100, 100, 202, 149);
        QTest::newRow("out of range number") << 9LL << QPointF(30, 30) << QRectF(100, 100, 200, 150);
    }
    void resizeStep()
    {
        QFETCH(long long, number);
        QFETCH(QPointF, mouseOffset);
        QFETCH(QRectF, expected);
        const QPointF press(15.25, 14.5);
        const ResizeStep step = ComputeResizeStep(number, 200, 150, QPointF(100, 100), press, press + mouseOffset);
        QCOMPARE(QRectF(step.itemPosition, QSizeF(step.width, step.height)), expected);
    }

    // A size already below 1 (set from outside) is brought back to 1 while
    // the edge opposite the handle stays.
    void nonPositiveSizeBecomesOne()
    {
        const ResizeStep step = ComputeResizeStep(7, 0, 0, QPointF(50, 60), QPointF(0, 0), QPointF(0, 0));
        QCOMPARE(step.width, 1LL);
        QCOMPARE(step.height, 1LL);
        QCOMPARE(step.itemPosition, QPointF(49, 59));
    }

    // Positions are truncated toward zero, on both sides of the origin.
    void positionTruncatesTowardZero()
    {
        const ResizeStep left = ComputeResizeStep(0, 100, 100, QPointF(-20.5, 30.75), QPointF(0, 0), QPointF(-3, -3));
        QCOMPARE(left.itemPosition, QPointF(-23, 27));
        const ResizeStep bottomLeft = ComputeResizeStep(6, 100, 100, QPointF(10.5, 30.75), QPointF(0, 0), QPointF(-3, 3));
        QCOMPARE(bottomLeft.itemPosition, QPointF(7, 30.75));
    }
};

QTEST_MAIN(TestCanvasGrabberGeometry)
#include "tst_canvasgrabbergeometry.moc"
