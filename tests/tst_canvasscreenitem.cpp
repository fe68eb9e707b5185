#include "KvGraphicsItemScreen.h"
#include "CoreSupport.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QtTest>

namespace
{
const QColor Border(0xA8, 0xA7, 0xA6);

// The scene drawn one to one, with a 10 pixel white margin around the
// screen so the half of the outline lying outside it shows too.
QImage Render(QGraphicsScene& scene, const QSize& screen)
{
    QImage image(screen + QSize(20, 20), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene.render(&painter, QRectF(image.rect()), QRectF(QPointF(-10, -10), QSizeF(image.size())));
    return image;
}
} // namespace

class TestCanvasScreenItem : public QObject
{
    Q_OBJECT
private slots:
    // Each new picture is drawn unscaled, with a 4 pixel dashed outline
    // centred on its edges, and the scene learns the new size.
    void drawsItsPixmap()
    {
        QGraphicsScene scene(0, 0, 400, 300);
        auto* screen = new CLASS_KV_GRAPHICS_ITEM_SCREEN(Border);
        scene.addItem(screen);
        screen->SetPixmap(QPixmap::fromImage(NoiseImage(60, 40, QImage::Format_ARGB32, 1)));
        QCoreApplication::processEvents(); // let the scene index the first size

        const QImage picture = NoiseImage(150, 90, QImage::Format_ARGB32, 2);
        screen->SetPixmap(QPixmap::fromImage(picture));
        QCOMPARE(screen->sceneBoundingRect(), QRectF(0, 0, 150, 90));
        QCOMPARE(scene.items(QPointF(100, 70)).size(), 1);

        const QImage image = Render(scene, picture.size());
        const QRect inner(2, 2, 146, 86);
        COMPARE_IMAGES(image.copy(inner.translated(10, 10)), picture.copy(inner));
        for (int y : {-2, -1, 0, 1})
            QCOMPARE(image.pixelColor(15, 10 + y), Border); // in a dash
        QCOMPARE(image.pixelColor(15, 10 - 3), QColor(Qt::white));
        QCOMPARE(image.pixelColor(30, 10), picture.pixelColor(20, 0)); // in a gap

        screen->SetPixmap(QPixmap::fromImage(NoiseImage(30, 20)));
        QCOMPARE(scene.items(QPointF(100, 70)).size(), 0);
        QCOMPARE(Render(scene, QSize(150, 90)).pixelColor(110, 80), QColor(Qt::white));
    }
};

QTEST_MAIN(TestCanvasScreenItem)
#include "tst_canvasscreenitem.moc"
