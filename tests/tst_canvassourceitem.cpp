#include "core/common/ScalarTypes.h"
#include "canvas/SourceItem.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QtTest>

namespace {
// Output 3, a rectangle of 200 x 150 at (100, 100), in a scene fed with the
// mouse events a view would send it, positions in screen pixels.
struct Canvas
{
    Canvas()
    {
        scene.setSceneRect(0, 0, 600, 450);
        scene.addItem(item);
        item->SetItemPos(100, 100);
        item->SetSize(200, 150);
    }
    void Mouse(QEvent::Type type, const QPointF& at)
    {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(at);
        event.setButton(Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
        QCoreApplication::sendEvent(&scene, &event);
    }
    // Press at `from`, move by `offset` in even steps, release there.
    void Drag(const QPointF& from, const QPointF& offset, int steps = 4)
    {
        Mouse(QEvent::GraphicsSceneMousePress, from);
        for (int i = 1; i <= steps; ++i)
            Mouse(QEvent::GraphicsSceneMouseMove, from + offset * i / steps);
        Mouse(QEvent::GraphicsSceneMouseRelease, from + offset);
    }
    // The handles are the item's only children, made in number order.
    QPointF Handle(int number) const
    {
        const QGraphicsItem* handle = item->childItems().value(number);
        return handle ? handle->sceneBoundingRect().center() : QPointF(-1, -1);
    }
    QGraphicsScene scene;
    CLASS_SOURCE_ITEM* item = new CLASS_SOURCE_ITEM(3, Qt::red, QColor(0, 0, 0, 30));
    QSignalSpy rectSpy{item, &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange};
    QSignalSpy selectSpy{item, &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged};
};
} // namespace

class TestCanvasSourceItem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { RegisterScalarTypeNames(); }

    void handleDrag_data()
    {
        QTest::addColumn<int>("handle");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QRectF>("expected"); // from (100, 100, 200, 150)
        // Each handle dragged by (150, 100): only its own edges move.
        const QRectF byHandle[] = {{250, 200, 50, 50},   {100, 200, 200, 50},  {100, 200, 350, 50},
                                   {100, 100, 350, 150}, {100, 100, 350, 250}, {100, 100, 200, 250},
                                   {250, 100, 50, 250},  {250, 100, 50, 150}};
        for (int handle = 0; handle < 8; ++handle)
            QTest::addRow("handle %d", handle) << handle << QPointF(150, 100) << 4 << byHandle[handle];
        QTest::newRow("0 exactly onto the far edge") << 0 << QPointF(200, 150) << 1 << QRectF(299, 249, 1, 1);
        QTest::newRow("4 past the top-left") << 4 << QPointF(-400, -300) << 4 << QRectF(100, 100, 1, 1);
        QTest::newRow("0 sub-pixel does nothing") << 0 << QPointF(-0.9, 0.9) << 1 << QRectF(100, 100, 200, 150);
        QTest::newRow("4 fraction dropped") << 4 << QPointF(2.75, -1.5) << 1 << QRectF(100, 100, 202, 149);
        QTest::newRow("4 quarter pixels add up") << 4 << QPointF(3, 0) << 12 << QRectF(100, 100, 203, 150);
    }
    void handleDrag()
    {
        QFETCH(int, handle);
        QFETCH(QPointF, offset);
        QFETCH(int, steps);
        QFETCH(QRectF, expected);
        Canvas canvas;
        canvas.item->SetItemSelected(true);
        canvas.item->SetItemSelected(true);
        QCOMPARE(canvas.item->childItems().size(), 8);
        canvas.Drag(canvas.Handle(handle), offset, steps);
        QCOMPARE(canvas.rectSpy.count(), steps); // every step reported, none by the setters
        QCOMPARE(canvas.rectSpy.last(), (QList<QVariant>{QVariant::fromValue(DWord(3)), expected}));
        QCOMPARE(canvas.selectSpy.count(), 0);
        // The handles follow; edge middles stay on whole pixels.
        QCOMPARE(canvas.Handle(5), QPointF(expected.x() + int(expected.width()) / 2, expected.bottom()));
        // Deselected, only the rectangle is left, and its far corner is known.
        canvas.item->SetItemSelected(false);
        QCOMPARE(canvas.scene.items(expected.bottomRight() - QPointF(0.5, 0.5)), QList<QGraphicsItem*>{canvas.item});
    }

    // A press always reports "selected"; the page's answer rebuilds the
    // handles during the press. Every move step reports the rectangle.
    void bodyDrag()
    {
        Canvas canvas;
        connect(canvas.item, &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged, this, [&](DWord, Bool selected) {
            canvas.item->SetItemSelected(false);
            canvas.item->SetItemSelected(selected);
        });
        canvas.Drag(QPointF(200, 175), QPointF(40, 40));
        QCOMPARE(canvas.rectSpy.count(), 4);
        QCOMPARE(canvas.rectSpy.last().at(1).toRectF(), QRectF(140, 140, 200, 150));
        // A handle's move is not written back with SetItemPos: the next body
        // drag must still start from where the rectangle is.
        canvas.Drag(canvas.Handle(0), QPointF(-10, -20));
        canvas.Drag(QPointF(200, 200), QPointF(5, 5), 1);
        QCOMPARE(canvas.item->sceneBoundingRect(), QRectF(135, 125, 210, 170));
        const QList<QVariant> pressed{QVariant::fromValue(DWord(3)), QVariant::fromValue(Bool(true))};
        QCOMPARE(canvas.selectSpy, (QList<QList<QVariant>>{pressed, pressed}));
    }
};

QTEST_MAIN(TestCanvasSourceItem)
#include "tst_canvassourceitem.moc"
