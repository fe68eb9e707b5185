#include "tests/testsupport/CoreSupport.h"
#include "canvas/KvGraphicsItemScreen.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QtTest>

class TestCanvasScreenItem : public QObject
{
    Q_OBJECT
private slots:
    // Each new picture is drawn unscaled, with a 4 pixel dashed outline
    // centred on its edges, and the scene learns the new size.
    void drawsItsPixmap()
    {
        const QColor border(0xA8, 0xA7, 0xA6);
        QGraphicsScene scene(0, 0, 400, 300);
        auto* screen = new CLASS_KV_GRAPHICS_ITEM_SCREEN(border);
        scene.addItem(screen);
        QVERIFY(screen->boundingRect().isEmpty());
        screen->SetPixmap(QPixmap::fromImage(NoiseImage(60, 40)));
        QVERIFY(scene.items(QPointF(140, 80)).isEmpty()); // the scene indexes the first size
        const QImage picture = NoiseImage(150, 90, QImage::Format_ARGB32, 2);
        screen->SetPixmap(QPixmap::fromImage(picture));
        QCOMPARE(screen->sceneBoundingRect(), QRectF(0, 0, 150, 90));
        QCOMPARE(scene.items(QPointF(140, 80)).size(), 1);

        // One to one, with a white margin of 10 pixels for the outer half of the outline.
        QImage image(170, 110, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        scene.render(&painter, image.rect(), QRectF(-10, -10, 170, 110));
        COMPARE_IMAGES(image.copy(12, 12, 146, 86), picture.copy(2, 2, 146, 86));
        for (int y : {8, 9, 10, 11})
            QCOMPARE(image.pixelColor(15, y), border); // in a dash
        QCOMPARE(image.pixelColor(15, 7), QColor(Qt::white));
        QCOMPARE(image.pixelColor(30, 10), picture.pixelColor(20, 0)); // in a gap

        screen->SetPixmap(QPixmap::fromImage(NoiseImage(30, 20)));
        QVERIFY(scene.items(QPointF(140, 80)).isEmpty());
    }
};

QTEST_MAIN(TestCanvasScreenItem)
#include "tst_canvasscreenitem.moc"
