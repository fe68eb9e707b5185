#include "tests/testsupport/CoreSupport.h"
#include "core/covering/CoveringSave.h"

#include <QtTest>

#include <cmath>

using namespace CoveringEngine;

namespace {

// A full-screen grid of 300 x 200 outputs, seams overlapping by h (v) pixels.
Input Grid(int columns, int rows, int h, int v, SoftEdge::Settings softEdge = {})
{
    Input in;
    in.SetGrid(columns, rows, 300, 200);
    in.UpdateCoverings({h, h, h, h, h, h, h, h}, {v, v, v, v, v, v, v, v});
    in.softEdge = softEdge;
    in.isTransparent = true;
    return in;
}

// The factor at t across an overlap, from the seam on, for curve p and gamma g.
double F(double t, double p, double g)
{
    return std::pow(t < 0.5 ? 0.5 * std::pow(2 * t, p) : 1 - 0.5 * std::pow(2 * (1 - t), p), 1 / g);
}

// The factor of pixel a of an output `length` long that overlaps the one
// before by `before` pixels and the one after by `after` pixels: where both
// overlaps reach, both factors apply, once each.
double W(int a, int length, int before, int after, double p, double g)
{
    return (a < before ? F((a + 0.5) / before, p, g) : 1.0)
        * (a >= length - after ? F(1 - (a - (length - after) + 0.5) / after, p, g) : 1.0);
}

} // namespace

class TestProjector : public QObject
{
    Q_OBJECT
private slots:
    // On white with gamma 1 each output holds round(255 m), and the light of
    // two overlapping outputs adds up to white; without overlaps, or with
    // separate masks, the pictures stay white. Alpha never changes.
    void lightAddsUp_data()
    {
        QTest::addColumn<QSize>("grid");
        QTest::addColumn<int>("cover");
        QTest::addColumn<double>("p");
        QTest::addColumn<bool>("masks");
        for (double p : {1.0, 2.0, 5.0})
            QTest::addRow("2 x 1, p %g", p) << QSize(2, 1) << 100 << p << false;
        QTest::newRow("1 x 2, p 3") << QSize(1, 2) << 100 << 3.0 << false;
        QTest::newRow("2 x 2, p 2: corner") << QSize(2, 2) << 100 << 2.0 << false;
        QTest::newRow("gaps") << QSize(2, 2) << -30 << 2.0 << false;
        QTest::newRow("zero coverings") << QSize(2, 2) << 0 << 2.0 << false;
        QTest::newRow("separate masks: pictures unblended") << QSize(2, 2) << 100 << 2.0 << true;
        // The middle output is narrower than its two overlaps.
        QTest::newRow("3 x 1, overlaps wider than half an output") << QSize(3, 1) << 200 << 2.0 << false;
    }
    void lightAddsUp()
    {
        QFETCH(QSize, grid);
        QFETCH(int, cover);
        QFETCH(double, p);
        QFETCH(bool, masks);
        const Input in = Grid(grid.width(), grid.height(), cover, cover, {true, p, 1.0, masks});
        QImage white(in.coveredWidth, in.coveredHeight, QImage::Format_ARGB32);
        white.fill(QColor(255, 255, 255, 128));
        ImageTable out;
        QVERIFY(ComputeOutputImages(white, in, out));
        for (int y = 0; y < in.coveredHeight; ++y)
            for (int x = 0; x < in.coveredWidth; ++x) {
                int sum = 0, count = 0;
                for (int k = 0, rows = grid.height(); k < grid.width() * rows; ++k) {
                    const int i = k / rows, j = k % rows, c = qMax(cover, 0);
                    const QPoint at = QPoint(x, y) - QPoint(in.OutputLeft(i), in.OutputTop(j));
                    if (!QRect(0, 0, 300, 200).contains(at))
                        continue;
                    const QRgb pixel = out[i][j].pixel(at);
                    const double m = masks ? 1.0
                                           : W(at.x(), 300, i > 0 ? c : 0, i + 1 < grid.width() ? c : 0, p, 1.0)
                            * W(at.y(), 200, j > 0 ? c : 0, j + 1 < rows ? c : 0, p, 1.0);
                    QVERIFY(qAlpha(pixel) == 128 && qRed(pixel) == int(255 * m + 0.5));
                    sum += qRed(pixel);
                    ++count;
                }
                // One level of rounding per output; outside overlaps untouched.
                // Where three outputs meet the light is not meant to add up.
                QVERIFY(2 * cover > 200
                        || (count > 1 && cover > 0 && !masks ? std::abs(sum - 255) <= count / 2 : sum == 255 * count));
            }
        const QVector<double> falling = SoftEdge::Profile(300, 0, 100, p, 2.2);
        for (int x = 200; x < 299; ++x)
            QVERIFY(falling[x] > falling[x + 1]);
    }

    // Masks hold round(255 m). Patterns continue across outputs: neighbours
    // agree where they overlap, and the grid lies on multiples of 100.
    void masksAndPatterns()
    {
        const Input in = Grid(2, 2, 100, 60, {true, 2.5, 2.2, true});
        QTemporaryDir dir;
        QVERIFY(SaveMasks(in, dir.path(), "m", 100).isEmpty() && SavePatterns(in, dir.path(), "m", 100).isEmpty());
        const QImage mask(dir.filePath("m_1_1_mask.png")); // overlaps at its left and top
        QCOMPARE(mask.format(), QImage::Format_Grayscale8);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 300; ++x)
                QCOMPARE(int(mask.constScanLine(y)[x]),
                         qRound(255 * (W(x, 300, 100, 0, 2.5, 2.2) * W(y, 200, 60, 0, 2.5, 2.2))));
        QList<QImage> patterns;
        for (int k = 0; k < 4; ++k) {
            const QRect rect(in.OutputLeft(k / 2), in.OutputTop(k % 2), 300, 200);
            patterns << QImage(dir.filePath(QString("m_%1_%2_pattern.png").arg(k / 2).arg(k % 2)));
            int onLines = 0;
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 300; ++x) {
                    const bool line = (rect.x() + x) % 100 == 0 || (rect.y() + y) % 100 == 0;
                    onLines += line && patterns[k].pixel(x, y) == Patterns::kGrid;
                    QVERIFY(line || patterns[k].pixel(x, y) != Patterns::kGrid);
                }
            QVERIFY(onLines > 300);
            for (int a = 0; a < k; ++a) {
                const QRect other(in.OutputLeft(a / 2), in.OutputTop(a % 2), 300, 200), common = rect & other;
                if (!common.isEmpty())
                    COMPARE_IMAGES(patterns[k].copy(common.translated(-rect.topLeft())),
                                   patterns[a].copy(common.translated(-other.topLeft())));
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestProjector)
#include "tst_projector.moc"
