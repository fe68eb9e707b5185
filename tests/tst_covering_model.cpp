#include "CoveringModel.h"

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
        QTest::newRow("two columns, covering 20")
            << 2 << 1920 << Boxes{20, 0, 0, 0, 0, 0, 0, 0} << false << 3820 << QVector<int>{0, 20};
        QTest::newRow("per-seam values accumulate")
            << 4 << 1000 << Boxes{10, 20, 30, 99, 99, 99, 99, 5} << false << 3940
            << QVector<int>{0, 10, 30, 60};
        QTest::newRow("common box ignores seam boxes")
            << 3 << 1920 << Boxes{7, 9, 0, 0, 0, 0, 0, 100} << true << 5560
            << QVector<int>{0, 100, 200};
        QTest::newRow("negative covering is a gap")
            << 2 << 1920 << Boxes{-50, 0, 0, 0, 0, 0, 0, 0} << false << 3890 << QVector<int>{0, -50};
        QTest::newRow("covering wider than the output")
            << 2 << 100 << Boxes{250, 0, 0, 0, 0, 0, 0, 0} << false << -50 << QVector<int>{0, 250};
        QTest::newRow("eight columns")
            << 8 << 10 << Boxes{1, 1, 1, 1, 1, 1, 1, 0} << false << 73
            << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7};
    }
    void coveredWidthAndOffsets()
    {
        QFETCH(int, columns);
        QFETCH(int, outputWidth);
        QFETCH(Boxes, boxes);
        QFETCH(bool, allSeams);
        QFETCH(int, coveredWidth);
        QFETCH(QVector<int>, offsets);

        // Rows mirror columns: the same boxes must give the same figures.
        CoveringModel model;
        model.horizontalAllSeams = allSeams;
        model.verticalAllSeams = allSeams;
        model.SetGrid(columns, columns, outputWidth, outputWidth);
        model.UpdateCoverings(boxes, boxes);

        QCOMPARE(model.screenPixelWidth, columns * outputWidth);
        QCOMPARE(model.coveredWidth, coveredWidth);
        QCOMPARE(model.coveredHeight, coveredWidth);
        for (int i = 0; i < offsets.size(); ++i) {
            QCOMPARE(model.columnOffsets[i], offsets[i]);
            QCOMPARE(model.rowOffsets[i], offsets[i]);
            QCOMPARE(model.OutputLeft(i), i * outputWidth - offsets[i]);
        }
    }

    void shrinkingGridKeepsCoveringsOfUnusedSeams()
    {
        CoveringModel model;
        model.SetGrid(3, 1, 100, 100);
        model.UpdateCoverings(Boxes{10, 20, 0, 0, 0, 0, 0, 0}, Boxes{});
        model.SetGrid(2, 1, 100, 100);
        model.UpdateCoverings(Boxes{5, 0, 0, 0, 0, 0, 0, 0}, Boxes{});
        QCOMPARE(model.coveredWidth, 195);
        QCOMPARE(model.horizontalCoverings[1], 20);
        QCOMPARE(model.columnOffsets[1], 5);
    }

    void twelveOutputsRule_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("otherMaximum");
        QTest::newRow("1") << 1 << 8;
        QTest::newRow("4") << 4 << 8;
        QTest::newRow("5") << 5 << 7;
        QTest::newRow("6") << 6 << 6;
        QTest::newRow("8") << 8 << 4;
    }
    void twelveOutputsRule()
    {
        QFETCH(int, count);
        QFETCH(int, otherMaximum);
        QCOMPARE(MaxCountBeside(count), otherMaximum);
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
        QFETCH(QSize, cell);
        QCOMPARE(PreviewCellSize(view, columns, rows, 1920, 1080), cell);
    }

    void sizeText()
    {
        QCOMPARE(SizeText(5560, 1080), QStringLiteral("5560 x 1080"));
        QCOMPARE(SizeText(-50, 0), QStringLiteral("-50 x 0"));
    }
};

QTEST_APPLESS_MAIN(TestCoveringModel)
#include "tst_covering_model.moc"
