#include "KvGraphicsItemScreen.h"
#include "TestSupport.h"

#include <QGraphicsScene>
#include <QPainter>
#include <QtTest>

namespace
{
const QColor Border(0xA8, 0xA7, 0xA6);
const int Margin = 10;

// The scene drawn one to one, with a white margin around the screen so the
// half of the outline lying outside it shows too.
QImage Render(QGraphicsScene& scene, const QSize& screen)
{
    const QRectF source(-Margin, -Margin, screen.width() + 2 * Margin, screen.height() + 2 * Margin);
    QImage image(source.size().toSize(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene.render(&painter, QRectF(image.rect()), source);
    return image;
}

QColor At(const QImage& image, int x, int y)
{
    return image.pixelColor(x + Margin, y + Margin);
}
} // namespace

class TestCanvasScreenItem : public QObject
{
    Q_OBJECT
private slots:
    void emptyUntilFirstPixmap()
    {
        QGraphicsScene scene;
        auto* screen = new CLASS_KV_GRAPHICS_ITEM_SCREEN(Border);
        scene.addItem(screen);
        QCOMPARE(screen->boundingRect(), QRectF());
        QVERIFY(screen->acceptHoverEvents());
        const QImage image = Render(scene, QSize(40, 30));
        QImage white(image.size(), QImage::Format_ARGB32);
        white.fill(Qt::white);
        COMPARE_IMAGES(image, white);
    }

    void pixmapFillsTheScreenUnscaled_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("wide") << QSize(120, 70);
        QTest::newRow("tall") << QSize(33, 91);
    }
    void pixmapFillsTheScreenUnscaled()
    {
        QFETCH(QSize, size);
        QGraphicsScene scene;
        auto* screen = new CLASS_KV_GRAPHICS_ITEM_SCREEN(Border);
        scene.addItem(screen);
        const QImage picture = NoiseImage(size.width(), size.height());
        screen->SetPixmap(QPixmap::fromImage(picture));

        QCOMPARE(screen->boundingRect(), QRectF(QPointF(0, 0), QSizeF(size)));
        QCOMPARE(screen->sceneBoundingRect(), QRectF(QPointF(0, 0), QSizeF(size)));

        // Inside the 2 pixels the outline covers, the picture shows as it is.
        const QImage image = Render(scene, size);
        const QRect inner(2, 2, size.width() - 4, size.height() - 4);
        COMPARE_IMAGES(image.copy(inner.translated(Margin, Margin)), picture.copy(inner));
    }

    // A 4 pixel dashed line centred on the edges: dashes of 16, gaps of 8.
    void outlineIsDashedAcrossTheEdge()
    {
        QGraphicsScene scene;
        auto* screen = new CLASS_KV_GRAPHICS_ITEM_SCREEN(Border);
        scene.addItem(screen);
        const QImage picture = NoiseImage(200, 100);
        screen->SetPixmap(QPixmap::fromImage(picture));
        const QImage image = Render(scene, picture.size());

        for (int y : {-2, -1, 0, 1})
            QCOMPARE(At(image, 5, y), Border);
        QCOMPARE(At(image, 5, -3), QColor(Qt::white));
        QCOMPARE(At(image, 5, 2), picture.pixelColor(5, 2));
        // In a gap the picture shows up to its edge and white lies beyond.
        QCOMPARE(At(image, 20, 0), picture.pixelColor(20, 0));
        QCOMPARE(At(image, 20, -1), QColor(Qt::white));
        QCOMPARE(At(image, 201, 5), Border);
    }

    void newPixmapReplacesOldOne()
    {
        QGraphicsScene scene(0, 0, 400, 300);
        auto* screen = new CLASS_KV_GRAPHICS_ITEM_SCREEN(Border);
        scene.addItem(screen);
        screen->SetPixmap(QPixmap::fromImage(NoiseImage(60, 40, QImage::Format_ARGB32, 1)));
        QCOMPARE(scene.items(QPointF(100, 70)).size(), 0);
        // Let the scene index the item at its first size.
        QCoreApplication::processEvents();

        const QImage bigger = NoiseImage(150, 90, QImage::Format_ARGB32, 2);
        screen->SetPixmap(QPixmap::fromImage(bigger));
        QCOMPARE(screen->sceneBoundingRect(), QRectF(0, 0, 150, 90));
        // The scene found out about the new size.
        QCOMPARE(scene.items(QPointF(100, 70)).size(), 1);

        const QImage image = Render(scene, bigger.size());
        const QRect inner(2, 2, 146, 86);
        COMPARE_IMAGES(image.copy(inner.translated(Margin, Margin)), bigger.copy(inner));
        QCOMPARE(At(image, 151, 5), Border);

        const QImage smaller = NoiseImage(30, 20, QImage::Format_ARGB32, 3);
        screen->SetPixmap(QPixmap::fromImage(smaller));
        QCOMPARE(screen->sceneBoundingRect(), QRectF(0, 0, 30, 20));
        QCOMPARE(scene.items(QPointF(100, 70)).size(), 0);
        QCOMPARE(At(Render(scene, QSize(150, 90)), 100, 70), QColor(Qt::white));
    }
};

QTEST_MAIN(TestCanvasScreenItem)
#include "tst_canvasscreenitem.moc"
