#include "CoveringSave.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#if defined(__unix__)
#include <unistd.h>
#endif

using namespace CoveringEngine;

namespace {

ImageTable Results(int columns, int rows, bool transparentCorner = false)
{
    ImageTable table = EmptyImageTable();
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j) {
            table[i][j] = NoiseImage(12 + i, 8 + j, QImage::Format_ARGB32, quint32(10 * i + j + 1));
            if (transparentCorner)
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
        QCOMPARE(OutputFileName("wall", 2, 0), QString("wall_2_0.png"));
        QCOMPARE(OutputFilePaths("/out", "x", 1, 1), QStringList{"/out/x_0_0.png"});
    }

    void prefix_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("imagePath");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("typed") << "wall" << "/pictures/show.final.jpg" << "wall";
        QTest::newRow("empty: base name up to the first dot") << "" << "/pictures/show.final.jpg" << "show";
        QTest::newRow("empty, no image") << "" << "" << "";
    }
    void prefix()
    {
        QFETCH(QString, typed);
        QFETCH(QString, imagePath);
        QFETCH(QString, prefix);
        QCOMPARE(OutputFilePrefix(typed, imagePath), prefix);
    }

    void writesEveryOutput()
    {
        QTemporaryDir dir;
        const ImageTable results = Results(3, 2, true);
        QVERIFY(WriteBytes(dir.filePath("wall_1_1.png"), "old"));
        QCOMPARE(SaveOutputImages(results, 3, 2, dir.path(), "wall", 100), QStringList());
        QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(names, QStringList({"wall_0_0.png", "wall_0_1.png", "wall_1_0.png", "wall_1_1.png",
                                     "wall_2_0.png", "wall_2_1.png"}));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j) {
                const QImage saved(dir.filePath(OutputFileName("wall", i, j)));
                COMPARE_IMAGES(saved, results[i][j]);
                QCOMPARE(qAlpha(saved.pixel(0, 0)), 0);
            }
    }

    void qualityReachesTheFiles()
    {
        QTemporaryDir dir;
        QImage flat(300, 200, QImage::Format_ARGB32);
        flat.fill(Qt::darkCyan);
        ImageTable results = EmptyImageTable();
        results[0][0] = flat;
        QVERIFY(SaveOutputImages(results, 1, 1, dir.path(), "full", 100).isEmpty());
        QVERIFY(SaveOutputImages(results, 1, 1, dir.path(), "half", 50).isEmpty());
        const qint64 full = QFileInfo(dir.filePath("full_0_0.png")).size();
        const qint64 half = QFileInfo(dir.filePath("half_0_0.png")).size();
        QVERIFY2(full > 300 * 200 * 4 && half * 100 < full, qPrintable(QString("%1 %2").arg(full).arg(half)));
    }

    void failedFilesAreReportedOthersWritten()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("wall_1_0.png"));
        const ImageTable results = Results(2, 2);
        QCOMPARE(SaveOutputImages(results, 2, 2, dir.path(), "wall", 75), QStringList{dir.filePath("wall_1_0.png")});
        for (const char* name : {"wall_0_0.png", "wall_0_1.png", "wall_1_1.png"})
            QVERIFY(QFileInfo(dir.filePath(name)).isFile());

        QTemporaryDir empty;
        ImageTable missing = EmptyImageTable();
        missing[0][0] = results[0][0];
        QCOMPARE(SaveOutputImages(missing, 1, 2, empty.path(), "wall", 75), QStringList{empty.filePath("wall_0_1.png")});

        const QString gone = dir.filePath("no/such/folder");
        QCOMPARE(SaveOutputImages(results, 1, 2, gone, "wall", 75).size(), 2);
    }

    void readOnlyFolderIsReported()
    {
#if defined(__unix__)
        if (geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
#endif
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const QStringList failed = SaveOutputImages(Results(2, 1), 2, 1, dir.path(), "wall", 100);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(failed, OutputFilePaths(dir.path(), "wall", 2, 1));
    }

private:
    static bool WriteBytes(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
};

QTEST_MAIN(TestCoveringEngineSave)
#include "tst_covering_engine_save.moc"
