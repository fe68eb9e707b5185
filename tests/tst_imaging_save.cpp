#include "tests/testsupport/CoreSupport.h"
#include "core/covering/CoveringSave.h"
#include "core/imaging/ImageSave.h"

#include <QDir>
#include <QtTest>

#include <sys/resource.h>

#include <csignal>

class TestImagingSave : public QObject
{
    Q_OBJECT
private slots:
    // The first image takes by far the longest to encode: files written as
    // soon as they are encoded would come out in another order.
    void writesInTurnReportsFailuresAndGoesOn()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder.png"));
        QFile old(dir.filePath("old.png"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(100000, 'x')) == 100000);
        old.close();
        const QVector<QImage> images = {NoiseImage(1500, 1000), NoiseImage(9, 7, QImage::Format_ARGB32, 2, true),
                                        NoiseImage(5, 3),       QImage(),
                                        NoiseImage(4, 4),       NoiseImage(6, 2, QImage::Format_RGB32, 3)};
        const QStringList paths = {dir.filePath("big.png"),
                                   old.fileName(),
                                   dir.filePath("folder.png"),
                                   dir.filePath("null.png"),
                                   dir.filePath("no/such/folder/x.png"),
                                   dir.filePath("last.png")};
        QStringList order;
        const QList<ImageSave::SaveFailure> failures = ImageSave::SaveImages(
            images, paths, 75, [&](const QString& path, const QByteArray& png, QString& reason) {
                order << path;
                return ImageSave::WriteFile(path, png, reason);
            });

        QCOMPARE(order, QStringList({paths[0], paths[1], paths[2], paths[4], paths[5]}));
        QCOMPARE(failures.size(), 3);
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(failures[k].path, paths[k < 2 ? k + 2 : 4]);
            QVERIFY2(!failures[k].reason.isEmpty(), qPrintable(failures[k].path));
        }
        QCOMPARE(failures[1].reason, QStringLiteral("cannot encode"));
        for (int k : {0, 1, 5})
            COMPARE_IMAGES(QImage(paths[k]), images[k]);
        QVERIFY(QFileInfo(old).size() < 1000); // replaced, not written into
        QVERIFY(QFileInfo(paths[2]).isDir() && !QFileInfo::exists(paths[3]));
    }

    // A full disk cuts a file short: the part written is removed, not left
    // as a damaged picture, and the system's reason is told.
    void shortWriteLeavesNoPartialImage()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("short.png");
        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        rlimit small = saved;
        small.rlim_cur = 65536;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const auto handler = signal(SIGXFSZ, SIG_IGN);
        const QList<ImageSave::SaveFailure> failures = ImageSave::SaveImages({NoiseImage(300, 200), NoiseImage(8, 8)},
                                                                             {file, dir.filePath("small.png")}, 100);
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, handler);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].path, file);
        QCOMPARE(failures[0].reason, QStringLiteral("File too large"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"small.png"});
    }

    // Covering outputs that cannot be written come back as paths, column by
    // column and row by row; the others are still written.
    void coveringFailuresComeBackInOrder()
    {
        CoveringEngine::ImageTable results = CoveringEngine::EmptyImageTable();
        results[0][0] = results[0][1] = results[1][1] = NoiseImage(8, 6);
        QTemporaryDir dir;
        QCOMPARE(CoveringEngine::SaveOutputImages(results, 2, 2, dir.path(), "wall", 75),
                 QStringList{dir.filePath("wall_1_0.png")});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 QStringList({"wall_0_0.png", "wall_0_1.png", "wall_1_1.png"}));
        const QString gone = dir.filePath("no/such/folder");
        QCOMPARE(CoveringEngine::SaveOutputImages(results, 2, 2, gone, "wall", 75),
                 CoveringEngine::OutputFilePaths(gone, "wall", 2, 2));
    }
};

QTEST_MAIN(TestImagingSave)
#include "tst_imaging_save.moc"
