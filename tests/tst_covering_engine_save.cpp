#include "CoveringSave.h"
#include "CoreSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace CoveringEngine;

namespace {

// Outputs of different sizes and pixels, each with a transparent corner.
ImageTable Results(int columns, int rows)
{
    ImageTable table = EmptyImageTable();
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j) {
            table[i][j] = NoiseImage(12 + i, 8 + j, QImage::Format_ARGB32, quint32(10 * i + j + 1));
            table[i][j].setPixel(0, 0, 0u);
        }
    return table;
}

} // namespace

class TestCoveringEngineSave : public QObject
{
    Q_OBJECT
private slots:
    void namesInColumnThenRowOrder()
    {
        const QStringList expected = {"/out/wall_0_0.png", "/out/wall_0_1.png", "/out/wall_1_0.png",
                                      "/out/wall_1_1.png", "/out/wall_2_0.png", "/out/wall_2_1.png"};
        QCOMPARE(OutputFilePaths("/out", "wall", 3, 2), expected);
    }

    void writesEveryOutputOverOldFiles()
    {
        QTemporaryDir dir;
        const ImageTable results = Results(3, 2);
        QFile old(dir.filePath("wall_1_1.png"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        QCOMPARE(SaveOutputImages(results, 3, 2, dir.path(), "wall", 100), QStringList());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 QStringList({"wall_0_0.png", "wall_0_1.png", "wall_1_0.png", "wall_1_1.png",
                              "wall_2_0.png", "wall_2_1.png"}));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j)
                COMPARE_IMAGES(QImage(dir.filePath(OutputFileName("wall", i, j))), results[i][j]);
    }

    void failedFilesAreReportedOthersWritten()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("wall_1_0.png"));  // a folder where a file should go
        const ImageTable results = Results(2, 2);
        QCOMPARE(SaveOutputImages(results, 2, 2, dir.path(), "wall", 75), QStringList{dir.filePath("wall_1_0.png")});
        for (const char* name : {"wall_0_0.png", "wall_0_1.png", "wall_1_1.png"})
            QVERIFY(QFileInfo(dir.filePath(name)).isFile());

        const QString gone = dir.filePath("no/such/folder");
        QCOMPARE(SaveOutputImages(results, 1, 2, gone, "wall", 75), OutputFilePaths(gone, "wall", 1, 2));
    }
};

QTEST_MAIN(TestCoveringEngineSave)
#include "tst_covering_engine_save.moc"
