#include "GrabberGeometry.h"

#include <QtTest>

using namespace GrabberGeometry;

// One drag step of a handle, at the exact edges where the mouse tests with
// whole pixels cannot reach.
class TestCanvasGrabberGeometry : public QObject
{
    Q_OBJECT
private slots:
    void resizeStep_data()
    {
        QTest::addColumn<long long>("number");
        QTest::addColumn<QPointF>("mouseOffset"); // mouse minus press point
        QTest::addColumn<QRectF>("expected");     // starting from (100, 100, 200, 150)
        QTest::newRow("0 exactly onto the far edge") << 0LL << QPointF(200, 150) << QRectF(299, 249, 1, 1);
        QTest::newRow("0 sub-pixel does nothing") << 0LL << QPointF(-0.9, 0.9) << QRectF(100, 100, 200, 150);
        QTest::newRow("4 fraction is dropped") << 4LL << QPointF(2.75, -1.5) << QRectF(100, 100, 202, 149);
        QTest::newRow("6 bottom-left") << 6LL << QPointF(-10, 20) << QRectF(90, 100, 210, 170);
        QTest::newRow("5 past the top") << 5LL << QPointF(30, -300) << QRectF(100, 100, 200, 1);
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
};

QTEST_MAIN(TestCanvasGrabberGeometry)
#include "tst_canvasgrabbergeometry.moc"
