#include "KvGrabber.h"
#include "ScalarTypes.h"
#include "SourceItem.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace
{
// A scene shown in a view whose viewport pixels are 1 / zoom scene pixels
// wide, with the scene's origin at the viewport's top-left corner; mouse
// positions are given in scene pixels.
struct Canvas
{
    explicit Canvas(qreal zoom = 1)
    {
        scene.setSceneRect(0, 0, 600, 450);
        view.setScene(&scene);
        view.setFrameShape(QFrame::NoFrame);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        view.setTransform(QTransform::fromScale(zoom, zoom));
        view.resize(QSize(640, 490) * zoom);
        view.show();
    }

    void Press(const QPointF& at) { QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::NoModifier, ToView(at)); }
    // QTest::mouseMove only moves the cursor; a drag needs a move event
    // that carries the held button.
    void Move(const QPointF& to) { MoveInView(ToView(to)); }
    void MoveInView(const QPoint& to)
    {
        QMouseEvent event(QEvent::MouseMove, to, view.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &event);
    }
    void Release(const QPointF& at) { QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, ToView(at)); }
    // Press at `from`, move in four even steps by `offset`, release there.
    void Drag(const QPointF& from, const QPointF& offset)
    {
        Press(from);
        for (int i = 1; i <= 4; ++i)
            Move(from + offset * i / 4);
        Release(from + offset);
    }
    QPoint ToView(const QPointF& scenePoint) { return view.mapFromScene(scenePoint); }

    QGraphicsScene scene;
    QGraphicsView view;
};

QList<CLASS_KV_GRABBER*> Grabbers(CLASS_SOURCE_ITEM& item)
{
    QList<CLASS_KV_GRABBER*> grabbers;
    for (QGraphicsItem* child : item.childItems())
        if (auto* grabber = dynamic_cast<CLASS_KV_GRABBER*>(child))
            grabbers.append(grabber);
    return grabbers;
}

// Centre of handle `number` in scene coordinates.
QPointF HandleCentre(CLASS_SOURCE_ITEM& item, int number)
{
    for (CLASS_KV_GRABBER* grabber : Grabbers(item))
        if (grabber->GetGrabberNumber() == number)
            return grabber->mapToScene(grabber->boundingRect().center());
    return QPointF(-1, -1);
}

// Output 3, a rectangle of 200 x 150 at (100, 100) on the canvas.
std::unique_ptr<CLASS_SOURCE_ITEM> AddRectangle(Canvas& canvas)
{
    auto item = std::make_unique<CLASS_SOURCE_ITEM>(3, QColor(255, 0, 0), QColor(0, 0, 0, 30));
    canvas.scene.addItem(item.get());
    item->SetItemPos(100, 100);
    item->SetSize(200, 150);
    return item;
}
} // namespace

class TestCanvasSourceItem : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { RegisterScalarTypeNames(); }

    void selectingTwiceKeepsEightHandles()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetSize(101, 51);
        item->SetItemSelected(true);
        item->SetItemSelected(true);
        QCOMPARE(Grabbers(*item).size(), 8);
        // Centres on the corners and edge middles, halves rounded down.
        QCOMPARE(HandleCentre(*item, 0), QPointF(100, 100));
        QCOMPARE(HandleCentre(*item, 1), QPointF(150, 100));
        QCOMPARE(HandleCentre(*item, 4), QPointF(201, 151));
        QCOMPARE(HandleCentre(*item, 7), QPointF(100, 125));
        item->SetItemSelected(false);
        QVERIFY(Grabbers(*item).isEmpty());
    }

    void programmaticSettersEmitNothing()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        QSignalSpy rectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);
        item->SetSize(10, 20);
        item->SetItemPos(30, 40);
        item->SetItemSelected(true);
        item->SetItemSelected(false);
        item->AdjustSize(5, 5);
        QCOMPARE(rectSpy.count(), 0);
        QCOMPARE(selectSpy.count(), 0);
        QCOMPARE(item->sceneBoundingRect(), QRectF(30, 40, 15, 25));
    }

    void handleDrag_data()
    {
        QTest::addColumn<int>("handle");
        QTest::addColumn<QPointF>("offset");
        QTest::addColumn<QRectF>("expected"); // from (100, 100, 200, 150)
        QTest::newRow("4 grows in place") << 4 << QPointF(10, 20) << QRectF(100, 100, 210, 170);
        QTest::newRow("0 grows, bottom-right stays") << 0 << QPointF(-10, -20) << QRectF(90, 80, 210, 170);
        QTest::newRow("1 height only") << 1 << QPointF(10, -20) << QRectF(100, 80, 200, 170);
        QTest::newRow("3 width only") << 3 << QPointF(10, 20) << QRectF(100, 100, 210, 150);
        QTest::newRow("0 past the far corner") << 0 << QPointF(400, 300) << QRectF(299, 249, 1, 1);
        QTest::newRow("4 past the top-left") << 4 << QPointF(-400, -300) << QRectF(100, 100, 1, 1);
    }
    void handleDrag()
    {
        QFETCH(int, handle);
        QFETCH(QPointF, offset);
        QFETCH(QRectF, expected);
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        QSignalSpy rectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);

        canvas.Drag(HandleCentre(*item, handle), offset);
        QCOMPARE(item->sceneBoundingRect(), expected);
        QCOMPARE(rectSpy.count(), 4); // every step reported
        QCOMPARE(rectSpy.last().at(0).value<DWord>(), DWord(3));
        QCOMPARE(rectSpy.last().at(1).toRectF(), expected);
        QCOMPARE(selectSpy.count(), 0);
        QCOMPARE(HandleCentre(*item, 4), expected.bottomRight()); // the handles follow
    }

    // At 4 viewport pixels per screen pixel every mouse step is a quarter
    // pixel: the size changes only once whole pixels add up, and what one
    // step drops the next one picks up.
    void subPixelMovesCarryOver()
    {
        Canvas canvas(4);
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        const QPoint start = canvas.ToView(HandleCentre(*item, 4));
        canvas.Press(HandleCentre(*item, 4));
        QList<int> widths;
        for (int step = 1; step <= 12; ++step) {
            canvas.MoveInView(start + QPoint(step, 0));
            widths << int(item->sceneBoundingRect().width());
        }
        QCOMPARE(widths, (QList<int>{200, 200, 200, 201, 201, 201, 201, 202, 202, 202, 202, 203}));
    }

    void bodyDragMovesItem()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        QSignalSpy rectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange);
        canvas.Drag(QPointF(200, 175), QPointF(40, 40));
        QCOMPARE(item->pos(), QPointF(140, 140));
        QCOMPARE(rectSpy.count(), 4);
        QCOMPARE(rectSpy.first().at(1).toRectF(), QRectF(110, 110, 200, 150));

        // Nobody wrote a handle's move back with SetItemPos: the next body
        // drag must still start from where the rectangle is.
        item->SetItemSelected(true);
        canvas.Drag(HandleCentre(*item, 0), QPointF(-10, -20));
        canvas.Drag(QPointF(200, 200), QPointF(5, 5));
        QCOMPARE(item->sceneBoundingRect(), QRectF(135, 125, 210, 170));
    }

    // The page answers a press by deselecting every output and selecting
    // this one again, which rebuilds the handles during the press.
    void pressAlwaysEmitsSelectedTrue()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);
        connect(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged, this, [&](DWord, Bool selected) {
            item->SetItemSelected(false);
            item->SetItemSelected(selected);
        });
        for (int i = 0; i < 3; ++i) {
            canvas.Press(QPointF(150, 150));
            canvas.Release(QPointF(150, 150));
        }
        QCOMPARE(selectSpy.count(), 3);
        for (const QList<QVariant>& args : selectSpy) {
            QCOMPARE(args.at(0).value<DWord>(), DWord(3));
            QCOMPARE(args.at(1).value<Bool>(), true);
        }
        QCOMPARE(Grabbers(*item).size(), 8);
    }

    // The scene must learn about a size changed by a handle: a press on the
    // part the rectangle grew into reaches it.
    void grownAreaTakesPresses()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        canvas.Drag(HandleCentre(*item, 4), QPointF(250, 150));
        item->SetItemSelected(false);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);
        canvas.Press(QPointF(520, 380));
        canvas.Release(QPointF(520, 380));
        QCOMPARE(selectSpy.count(), 1);
    }
};

QTEST_MAIN(TestCanvasSourceItem)
#include "tst_canvassourceitem.moc"
