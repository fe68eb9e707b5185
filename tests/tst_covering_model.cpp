#include "core/common/AspectLock.h"
#include "core/covering/CoveringModel.h"

#include <QtTest>

using Boxes = CoveringModel::SeamBoxes;
Q_DECLARE_METATYPE(Boxes)
Q_DECLARE_METATYPE(QVector<int>)

class TestCoveringModel : public QObject
{
    Q_OBJECT
private slots:
    void coveredWidthAndOffsets_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("outputWidth");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<bool>("allSeams");
        QTest::addColumn<int>("coveredWidth");
        QTest::addColumn<QVector<int>>("offsets");

        QTest::newRow("one column reads no seam")
            << 1 << 1920 << Boxes{500, 0, 0, 0, 0, 0, 0, 700} << false << 1920 << QVector<int>{0};
        QTest::newRow("per-seam values accumulate")
            << 4 << 1000 << Boxes{10, 20, 30, 99, 99, 99, 99, 5} << false << 3940 << QVector<int>{0, 10, 30, 60};
        QTest::newRow("common box ignores seam boxes")
            << 3 << 1920 << Boxes{7, 9, 0, 0, 0, 0, 0, 100} << true << 5560 << QVector<int>{0, 100, 200};
        QTest::newRow("negative covering is a gap")
            << 2 << 1920 << Boxes{-50, 0, 0, 0, 0, 0, 0, 0} << false << 3890 << QVector<int>{0, -50};
        QTest::newRow("covering wider than the output")
            << 2 << 100 << Boxes{250, 0, 0, 0, 0, 0, 0, 0} << false << -50 << QVector<int>{0, 250};
        QTest::newRow("eight columns") << 8 << 10 << Boxes{1, 1, 1, 1, 1, 1, 1, 0} << false << 73
                                       << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7};
    }
    void coveredWidthAndOffsets()
    {
        QFETCH(int, columns);
        QFETCH(int, outputWidth);
        QFETCH(Boxes, boxes);
        QFETCH(bool, allSeams);

        // Rows mirror columns: the same boxes must give the same figures.
        CoveringModel model;
        model.horizontalAllSeams = allSeams;
        model.verticalAllSeams = allSeams;
        model.SetGrid(columns, columns, outputWidth, outputWidth);
        model.UpdateCoverings(boxes, boxes);

        QTEST(model.coveredWidth, "coveredWidth");
        QTEST(model.coveredHeight, "coveredWidth");
        QTEST(QVector<int>(model.columnOffsets.begin(), model.columnOffsets.begin() + columns), "offsets");
        QTEST(QVector<int>(model.rowOffsets.begin(), model.rowOffsets.begin() + columns), "offsets");
    }

    void previewCellSize_data()
    {
        QTest::addColumn<QSize>("view");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QSize>("cell");
        QTest::newRow("width decides") << QSize(1000, 600) << 2 << 1 << QSize(465, 261);
        QTest::newRow("height decides") << QSize(1000, 600) << 1 << 3 << QSize(302, 170);
        QTest::newRow("view too narrow") << QSize(150, 600) << 8 << 1 << QSize(-5, -2);
    }
    void previewCellSize()
    {
        QFETCH(QSize, view);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QTEST(PreviewCellSize(view, columns, rows, 1920, 1080), "cell");
    }

    void lockedOtherSide_data()
    {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("fromWidth");
        QTest::addColumn<int>("other"); // -1: no answer, the other box keeps its value
        QTest::newRow("562.5 rounds up") << QSize(1920, 1080) << 1000 << true << 563;
        QTest::newRow("888.9 rounds up") << QSize(1920, 1080) << 500 << false << 889;
        QTest::newRow("1000.9 rounds up") << QSize(1920, 1080) << 563 << false << 1001;
        QTest::newRow("below half rounds down") << QSize(3, 1) << 4 << true << 1;
        QTest::newRow("square") << QSize(640, 640) << 321 << false << 321;
        QTest::newRow("no image") << QSize(0, 0) << 400 << true << -1;
        QTest::newRow("extreme ratio stays in range") << QSize(1, 50000) << 50000 << false << 1;
        QTest::newRow("huge result is clamped") << QSize(50000, 1) << 50000 << false << 1000000000;
    }
    void lockedOtherSide()
    {
        QFETCH(QSize, image);
        QFETCH(int, value);
        QFETCH(bool, fromWidth);
        int other = -1;
        const bool answered = AspectLock::OtherSide(image.width(), image.height(), value, fromWidth, other);
        QCOMPARE(answered, other != -1);
        QTEST(other, "other");
    }
};

QTEST_APPLESS_MAIN(TestCoveringModel)
#include "tst_covering_model.moc"
