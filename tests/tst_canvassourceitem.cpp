#include "GrabberGeometry.h"
#include "KvGrabber.h"
#include "ScalarTypes.h"
#include "SourceItem.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace
{
// A scene shown in a view whose viewport pixels are `zoom` scene pixels
// wide, with the scene's origin at the viewport's top-left corner.
struct Canvas
{
    explicit Canvas(const QSizeF& sceneSize = QSizeF(600, 450), qreal zoom = 1)
    {
        scene.setSceneRect(QRectF(QPointF(0, 0), sceneSize));
        scene.setBackgroundBrush(Qt::white);
        view.setScene(&scene);
        view.setFrameShape(QFrame::NoFrame);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        view.setTransform(QTransform::fromScale(zoom, zoom));
        view.resize((sceneSize * zoom).toSize() + QSize(40, 40));
        view.show();
    }

    QWidget* Viewport() { return view.viewport(); }
    QPoint ToView(const QPointF& scenePoint) { return view.mapFromScene(scenePoint); }

    void Press(const QPoint& at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(Viewport(), button, Qt::NoModifier, at);
        m_Buttons = button;
    }
    // QTest::mouseMove only moves the cursor; a drag needs a move event
    // that carries the held buttons.
    void Move(const QPoint& to)
    {
        QMouseEvent event(QEvent::MouseMove, to, Viewport()->mapToGlobal(to), Qt::NoButton, m_Buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(Viewport(), &event);
    }
    void Release(const QPoint& at)
    {
        QTest::mouseRelease(Viewport(), Qt::MouseButton(int(m_Buttons)), Qt::NoModifier, at);
        m_Buttons = Qt::NoButton;
    }
    // Press at `from`, move through `steps` evenly spaced points to
    // `from + offset`, release there. All in scene pixels at zoom 1.
    void Drag(const QPointF& from, const QPointF& offset, int steps = 4,
              Qt::MouseButton button = Qt::LeftButton)
    {
        Press(ToView(from), button);
        for (int i = 1; i <= steps; ++i)
            Move(ToView(from + offset * i / steps));
        Release(ToView(from + offset));
    }

    QImage Render()
    {
        QImage image(scene.sceneRect().size().toSize(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        scene.render(&painter, QRectF(image.rect()), scene.sceneRect());
        return image;
    }

    QGraphicsScene scene;
    QGraphicsView view;

private:
    Qt::MouseButtons m_Buttons = Qt::NoButton;
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

// An output rectangle of 200 x 150 at (100, 100), added to the canvas.
std::unique_ptr<CLASS_SOURCE_ITEM> AddRectangle(Canvas& canvas, unsigned int id = 3)
{
    auto item = std::make_unique<CLASS_SOURCE_ITEM>(id, QColor(255, 0, 0), QColor(0, 0, 0, 30));
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

    void newItemIsUnselectedSquareAtOrigin()
    {
        CLASS_SOURCE_ITEM item(0, Qt::red, QColor(0, 0, 0, 30));
        QCOMPARE(item.boundingRect(), QRectF(0, 0, 250, 250));
        QCOMPARE(item.pos(), QPointF(0, 0));
        QVERIFY(!item.IsItemSelected());
        QVERIFY(!item.IsItemPressed());
        QVERIFY(!item.IsGrabberSelected());
        QVERIFY(item.childItems().isEmpty());
        QCOMPARE(item.GetBorderColor(), QColor(Qt::red));
        QCOMPARE(int(item.flags()), 0);
        QVERIFY(!item.acceptHoverEvents());
        // The style sheet and casts rely on these names.
        QCOMPARE(item.metaObject()->className(), "CLASS_SOURCE_ITEM");
        QCOMPARE(item.qt_metacast("org.qt-project.Qt.QGraphicsItem"),
                 static_cast<void*>(static_cast<QGraphicsItem*>(&item)));
    }

    void sceneBoundingRectIsTheOutput()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        QCOMPARE(item->sceneBoundingRect(), QRectF(100, 100, 200, 150));
    }

    void selectingTwiceKeepsEightHandles()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetSize(101, 51);
        item->SetItemSelected(true);
        item->SetItemSelected(true);
        const QList<CLASS_KV_GRABBER*> grabbers = Grabbers(*item);
        QCOMPARE(grabbers.size(), 8);
        QSet<long long> numbers;
        for (CLASS_KV_GRABBER* grabber : grabbers) {
            numbers.insert(grabber->GetGrabberNumber());
            QCOMPARE(grabber->boundingRect(), QRectF(0, 0, 30, 30));
            QVERIFY(grabber->acceptHoverEvents());
        }
        QCOMPARE(numbers, (QSet<long long>{0, 1, 2, 3, 4, 5, 6, 7}));
        // Centres on the corners and edge middles, halves rounded down.
        QCOMPARE(HandleCentre(*item, 0), QPointF(100, 100));
        QCOMPARE(HandleCentre(*item, 1), QPointF(150, 100));
        QCOMPARE(HandleCentre(*item, 4), QPointF(201, 151));
        QCOMPARE(HandleCentre(*item, 7), QPointF(100, 125));

        item->SetItemSelected(false);
        QVERIFY(!item->IsItemSelected());
        QVERIFY(Grabbers(*item).isEmpty());
        item->SetItemSelected(false);
        QVERIFY(Grabbers(*item).isEmpty());
    }

    void setSizeMovesHandlesOnlyWhenSelected()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetSize(300, 200);
        QVERIFY(Grabbers(*item).isEmpty());
        item->SetItemSelected(true);
        item->SetSize(41, 21);
        QCOMPARE(item->sceneBoundingRect(), QRectF(100, 100, 41, 21));
        QCOMPARE(HandleCentre(*item, 4), QPointF(141, 121));
        QCOMPARE(HandleCentre(*item, 5), QPointF(120, 121));
        QCOMPARE(HandleCentre(*item, 3), QPointF(141, 110));
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
        item->SetID(7);
        item->AdjustSize(5, 5);
        QCOMPARE(rectSpy.count(), 0);
        QCOMPARE(selectSpy.count(), 0);
        QCOMPARE(item->sceneBoundingRect(), QRectF(30, 40, 15, 25));
    }

    void handleDrag_data()
    {
        QTest::addColumn<int>("handle");
        QTest::addColumn<QList<QPointF>>("path"); // mouse offsets from the press, one move each
        QTest::addColumn<QRectF>("expected");     // from (100, 100, 200, 150)
        auto straight = [](const QPointF& offset) {
            QList<QPointF> path;
            for (int i = 1; i <= 4; ++i)
                path << offset * i / 4;
            return path;
        };
        QTest::newRow("4 grows in place") << 4 << straight({10, 20}) << QRectF(100, 100, 210, 170);
        QTest::newRow("0 grows, bottom-right stays") << 0 << straight({-10, -20}) << QRectF(90, 80, 210, 170);
        QTest::newRow("1 height only") << 1 << straight({10, -20}) << QRectF(100, 80, 200, 170);
        QTest::newRow("5 height only") << 5 << straight({10, 20}) << QRectF(100, 100, 200, 170);
        QTest::newRow("3 width only") << 3 << straight({10, 20}) << QRectF(100, 100, 210, 150);
        QTest::newRow("7 width only") << 7 << straight({-10, 20}) << QRectF(90, 100, 210, 150);
        QTest::newRow("2 top-right") << 2 << straight({10, -20}) << QRectF(100, 80, 210, 170);
        QTest::newRow("6 bottom-left") << 6 << straight({-10, 20}) << QRectF(90, 100, 210, 170);
        QTest::newRow("0 shrinks") << 0 << straight({50, 40}) << QRectF(150, 140, 150, 110);
        QTest::newRow("0 past the far corner") << 0 << straight({400, 300}) << QRectF(299, 249, 1, 1);
        QTest::newRow("4 past the top-left") << 4 << straight({-400, -300}) << QRectF(100, 100, 1, 1);
        QTest::newRow("2 past the bottom-left") << 2 << straight({-400, 300}) << QRectF(100, 249, 1, 1);
        QTest::newRow("6 past the top-right") << 6 << straight({400, -300}) << QRectF(299, 100, 1, 1);
        QTest::newRow("1 past the bottom") << 1 << straight({30, 300}) << QRectF(100, 249, 200, 1);
        QTest::newRow("3 past the left") << 3 << straight({-300, 30}) << QRectF(100, 100, 1, 150);
        QTest::newRow("0 past the corner and back")
            << 0 << (straight({400, 300}) << QPointF(200, 100) << QPointF(-10, -20)) << QRectF(90, 80, 210, 170);
    }
    void handleDrag()
    {
        QFETCH(int, handle);
        QFETCH(QList<QPointF>, path);
        QFETCH(QRectF, expected);

        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        QSignalSpy rectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);
        QList<bool> grabberSelectedWhileReporting;
        QList<bool> pressedWhileReporting;
        connect(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange, this, [&]() {
            grabberSelectedWhileReporting << item->IsGrabberSelected();
            pressedWhileReporting << item->IsItemPressed();
        });

        const QPointF start = HandleCentre(*item, handle);
        canvas.Press(canvas.ToView(start));
        QVERIFY(item->IsGrabberSelected());
        for (const QPointF& offset : path)
            canvas.Move(canvas.ToView(start + offset));
        canvas.Release(canvas.ToView(start + path.last()));

        QCOMPARE(item->sceneBoundingRect(), expected);
        QCOMPARE(rectSpy.count(), path.size());
        QCOMPARE(rectSpy.last().at(0).value<DWord>(), DWord(3));
        QCOMPARE(rectSpy.last().at(1).toRectF(), expected);
        QCOMPARE(grabberSelectedWhileReporting, QList<bool>() << QVector<bool>(path.size(), true).toList());
        QCOMPARE(pressedWhileReporting, QVector<bool>(path.size(), false).toList());
        QCOMPARE(selectSpy.count(), 0);
        QVERIFY(!item->IsGrabberSelected());
        QVERIFY(!item->IsItemPressed());
        // The handles follow the new corners.
        QCOMPARE(HandleCentre(*item, 4), expected.bottomRight());
        QCOMPARE(HandleCentre(*item, 0), expected.topLeft());
    }

    // At 4 viewport pixels per screen pixel every mouse step is a quarter
    // pixel: the size changes only once whole pixels add up, and what one
    // step drops the next one picks up.
    void subPixelMovesCarryOver()
    {
        Canvas canvas(QSizeF(200, 150), 4);
        CLASS_SOURCE_ITEM item(1, Qt::red, QColor(0, 0, 0, 30));
        canvas.scene.addItem(&item);
        item.SetItemPos(20, 20);
        item.SetSize(100, 80);
        item.SetItemSelected(true);
        QSignalSpy rectSpy(&item, &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange);

        const QPoint start = canvas.ToView(HandleCentre(item, 4));
        canvas.Press(start);
        const QList<int> expectedWidths{100, 100, 100, 101, 101, 101, 101, 102, 102, 102, 102, 103};
        for (int step = 1; step <= expectedWidths.size(); ++step) {
            canvas.Move(start + QPoint(step, 0));
            QCOMPARE(rectSpy.count(), step);
            QCOMPARE(item.sceneBoundingRect(), QRectF(20, 20, expectedWidths.at(step - 1), 80));
        }
        // And back, with the left handle moving the item.
        canvas.Release(start + QPoint(12, 0));
        const QPoint left = canvas.ToView(HandleCentre(item, 7));
        canvas.Press(left);
        for (int step = 1; step <= 6; ++step)
            canvas.Move(left - QPoint(step, 0));
        canvas.Release(left - QPoint(6, 0));
        QCOMPARE(item.sceneBoundingRect(), QRectF(19, 20, 104, 80));
    }

    void bodyDragMovesItemAndReportsEveryStep()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        QSignalSpy rectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);
        QList<bool> pressedWhileReporting;
        connect(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange, this,
                [&]() { pressedWhileReporting << (item->IsItemPressed() && !item->IsGrabberSelected()); });

        canvas.Drag(QPointF(200, 175), QPointF(30, 45), 3);

        QCOMPARE(item->pos(), QPointF(130, 145));
        QCOMPARE(rectSpy.count(), 3);
        QCOMPARE(rectSpy.at(0).at(1).toRectF(), QRectF(110, 115, 200, 150));
        QCOMPARE(rectSpy.at(1).at(1).toRectF(), QRectF(120, 130, 200, 150));
        QCOMPARE(rectSpy.at(2).at(1).toRectF(), QRectF(130, 145, 200, 150));
        QCOMPARE(pressedWhileReporting, (QList<bool>{true, true, true}));
        QVERIFY(!item->IsItemPressed());
        QCOMPARE(selectSpy.count(), 1);
        QCOMPARE(selectSpy.at(0).at(0).value<DWord>(), DWord(3));
        QCOMPARE(selectSpy.at(0).at(1).value<Bool>(), true);
        QVERIFY(item->IsItemSelected());
        QCOMPARE(Grabbers(*item).size(), 8);
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
            canvas.Press(canvas.ToView(QPointF(150, 150)));
            QVERIFY(item->IsItemPressed());
            canvas.Release(canvas.ToView(QPointF(150, 150)));
        }
        QCOMPARE(selectSpy.count(), 3);
        for (const QList<QVariant>& args : selectSpy)
            QCOMPARE(args.at(1).value<Bool>(), true);
        QCOMPARE(Grabbers(*item).size(), 8);
    }

    void rightButtonDoesNotDragTheBody()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        QSignalSpy rectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSourceSceneBoundingRectChange);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);
        canvas.Drag(QPointF(150, 150), QPointF(40, 40), 2, Qt::RightButton);
        QCOMPARE(item->pos(), QPointF(100, 100));
        QCOMPARE(rectSpy.count(), 0);
        QCOMPARE(selectSpy.count(), 0);
        QVERIFY(!item->IsItemPressed());
    }

    // Nobody wrote the handle's move back with SetItemPos: the next body
    // drag must still start from where the rectangle is.
    void bodyDragAfterHandleDragStartsFromCurrentPlace()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        canvas.Drag(HandleCentre(*item, 0), QPointF(-10, -20));
        QCOMPARE(item->sceneBoundingRect(), QRectF(90, 80, 210, 170));
        canvas.Drag(QPointF(200, 200), QPointF(5, 5));
        QCOMPARE(item->sceneBoundingRect(), QRectF(95, 85, 210, 170));
    }

    // The scene must learn about the new size: a press on the part the
    // rectangle grew into reaches it.
    void grownAreaTakesPresses()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        canvas.Drag(HandleCentre(*item, 4), QPointF(100, 100));
        QCOMPARE(item->sceneBoundingRect(), QRectF(100, 100, 300, 250));
        item->SetItemSelected(false);
        QSignalSpy selectSpy(item.get(), &CLASS_SOURCE_ITEM::SIGNAL_ItemSelectedStateChanged);
        canvas.Press(canvas.ToView(QPointF(380, 330)));
        canvas.Release(canvas.ToView(QPointF(380, 330)));
        QCOMPARE(selectSpy.count(), 1);

        item->SetSize(450, 300);
        canvas.Press(canvas.ToView(QPointF(520, 380)));
        canvas.Release(canvas.ToView(QPointF(520, 380)));
        QCOMPARE(selectSpy.count(), 2);
    }

    void deselectingDuringHandlePressClearsFlag()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        const QPoint at = canvas.ToView(HandleCentre(*item, 2));
        canvas.Press(at);
        QVERIFY(item->IsGrabberSelected());
        item->SetItemSelected(false);
        QVERIFY(!item->IsGrabberSelected());
        canvas.Move(at + QPoint(5, 5));
        canvas.Release(at + QPoint(5, 5));
        QCOMPARE(item->sceneBoundingRect(), QRectF(100, 100, 200, 150));
    }

    void hoverLightsHandle()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        item->SetItemSelected(true);
        const QPointF centre = HandleCentre(*item, 4);
        QCOMPARE(canvas.Render().pixelColor(centre.toPoint()), QColor(0, 0, 0));

        canvas.Move(canvas.ToView(centre));
        QImage hovered = canvas.Render();
        QCOMPARE(hovered.pixelColor(centre.toPoint()), QColor(219, 112, 0));
        // Outline black: 15 px from the centre lies on the circle.
        QCOMPARE(hovered.pixelColor(centre.toPoint() + QPoint(14, 0)), QColor(0, 0, 0));

        canvas.Move(canvas.ToView(QPointF(500, 400)));
        const QImage left = canvas.Render();
        QCOMPARE(left.pixelColor(centre.toPoint()), QColor(0, 0, 0));
        QCOMPARE(left.pixelColor(centre.toPoint() + QPoint(14, 0)), QColor(168, 167, 166));
    }

    void paintsOutlineAcrossEdgeAndVeiledFill()
    {
        Canvas canvas;
        auto item = AddRectangle(canvas);
        const QImage image = canvas.Render();
        const QColor red(255, 0, 0);
        const QColor white(255, 255, 255);
        // 4 px outline centred on the left edge x = 100: columns 98 to 101.
        QCOMPARE(image.pixelColor(97, 170), white);
        QCOMPARE(image.pixelColor(98, 170), red);
        QCOMPARE(image.pixelColor(101, 170), red);
        QCOMPARE(image.pixelColor(299, 249), red);
        // Black at alpha 30 over white.
        QCOMPARE(image.pixelColor(200, 170), QColor(225, 225, 225));
    }
};

QTEST_MAIN(TestCanvasSourceItem)
#include "tst_canvassourceitem.moc"
