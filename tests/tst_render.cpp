#include "tests/testsupport/CoreSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

// A child whose files cannot grow past a limit: writes past it fail, as on
// a full disk.
class LimitedProcess : public QProcess
{
public:
    rlim_t limit = 0;
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    LimitedProcess() { setChildProcessModifier([this]() { LimitChild(); }); }
#else

protected:
    void setupChildProcess() override { LimitChild(); }
#endif

private:
    void LimitChild()
    {
        const rlimit size{limit, limit};
        if (limit > 0 && setrlimit(RLIMIT_FSIZE, &size) == 0)
            signal(SIGXFSZ, SIG_IGN);
    }
};

// quillex-render run as a program: its exit statuses, messages and
// manifest. That it writes the window's very files is tst_differential's.
class TestRender : public QObject
{
    Q_OBJECT

    IsolatedSettings settings;
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }
    int run(const QStringList& args, QString* err = nullptr, int limit = 0)
    {
        LimitedProcess process;
        process.limit = rlim_t(limit);
        process.setWorkingDirectory(dir.path());
        process.start(QUILLEX_RENDER, args);
        if (!process.waitForFinished(120000))
            return -1;
        if (err)
            *err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    static QJsonObject json(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
    }
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // Both pages cut picture.png: 3 x 2 covering outputs named "wall", and
    // four canvas outputs named after the picture.
    void setUp()
    {
        QVERIFY(NoiseImage(300, 200, QImage::Format_ARGB32, 3, true).save(path("picture.png")));
        write("setup.dat", R"({"ScreenW": "3", "ScreenH": "2", "OutputW": "90", "OutputH": "60",
            "OutputFilePrefix": "wall", "PicturePath": "picture.png", "CanvasPage": {"ScreenH": 800, "ScreenV": 600,
            "PicturePath": "picture.png", "OutputCount": 4, "Outputs": [
            {"ID": 0, "Label": "Output 1", "PosX": 0, "Width": 200, "Height": 150},
            {"ID": 1, "Label": "Output 2", "PosX": 150, "Width": 200, "Height": 150},
            {"ID": 2, "Label": "Output 3", "PosX": 300, "Width": 200, "Height": 150},
            {"ID": 3, "Label": "Output 4", "PosX": 450, "Width": 200, "Height": 150}]}})");
    }

private slots:
    // Several pictures: a folder each; the manifest says what is on disk;
    // --quality and --prefix do what the same values in the set-up do.
    void severalPicturesManifestAndOverrides()
    {
        setUp();
        QVERIFY(NoiseImage(200, 150, QImage::Format_RGB32, 5).save(path("second.png")));
        const QStringList pictures{"--image", path("picture.png"), "--image", path("second.png")};
        QCOMPARE(run(QStringList{path("setup.dat"), "--out", path("out"), "--quality", "55", "--prefix", "p",
                                 "--manifest", path("m.json")}
                     + pictures),
                 0);
        QJsonObject top = json(path("setup.dat")), canvas = top.value("CanvasPage").toObject();
        top.insert("PictureQuality", "55");
        top.insert("OutputFilePrefix", "p");
        canvas.insert("PictureQuality", 55);
        canvas.insert("OutputFilePrefix", "p");
        top.insert("CanvasPage", canvas);
        write("same.dat", QJsonDocument(top).toJson());
        QCOMPARE(run(QStringList{path("same.dat"), "--out", path("same")} + pictures), 0);

        const QJsonArray entries = json(path("m.json")).value("pictures").toArray();
        QCOMPARE(entries.size(), 4); // two pictures, two modes each
        int files = 0;
        for (const QJsonValue& entry : entries) {
            const QString folder = entry["folder"].toString();
            QCOMPARE(QFileInfo(entry["path"].toString()).completeBaseName(), QFileInfo(folder).fileName());
            for (const QJsonValue& file : entry["files"].toArray()) {
                QFile written(folder + "/" + file["name"].toString());
                QVERIFY2(written.open(QIODevice::ReadOnly), qPrintable(written.fileName()));
                const QByteArray bytes = written.readAll();
                QCOMPARE(file["bytes"].toInt(), bytes.size());
                QCOMPARE(file["sha256"].toString(),
                         QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
                QFile same(path("same/") + QFileInfo(folder).fileName() + "/" + file["name"].toString());
                QVERIFY(same.open(QIODevice::ReadOnly) && same.readAll() == bytes);
                ++files;
            }
        }
        QCOMPARE(files, 2 * (6 + 4));
    }

    // A canvas too large to hold as one image renders its outputs from the
    // picture's pixels that fall into them.
    void canvasLargerThanMemoryRenders()
    {
        QVERIFY(NoiseImage(300, 200, QImage::Format_RGB32, 5).save(path("opaque.png")));
        write("huge.dat", R"({"CanvasPage": {"ScreenH": 32768, "ScreenV": 32768, "PicturePath": "opaque.png",
            "IsFullScreen": true, "OutputCount": 1, "Outputs": [
            {"ID": 0, "Label": "corner", "PosX": 32704, "PosY": 32720, "Width": 64, "Height": 48}]}})");
        QCOMPARE(run({path("huge.dat"), "--mode", "canvas", "--out", path("huge")}), 0);
        const QImage corner(path("huge/opaque_corner.png"));
        QCOMPARE(corner.size(), QSize(64, 48));
        // The picture's last pixel, stretched over the corner.
        QCOMPARE(corner.pixel(63, 47), QImage(path("opaque.png")).pixel(299, 199));
    }

    // Every file of both modes, images, masks and patterns, is the upright
    // one turned against the panel's mounting, then mirrored; a panel of
    // twice the density gets each pixel of its part twice over.
    void orientedFilesAreTheUprightOnesTurned_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<int>("mirror");
        QTest::addColumn<QTransform>("turn"); // mounted clockwise: the file turns counter-clockwise
        const QTransform none, ccw(0, -1, 1, 0, 0, 0), half(-1, 0, 0, -1, 0, 0), cw(0, 1, -1, 0, 0, 0);
        const QList<QTransform> turns{none, ccw, half, cw};
        for (int r = 0; r < 4; ++r)
            for (int m = 0; m < 3; ++m)
                if (r + m)
                    QTest::newRow(qPrintable(QString("%1 mirror %2").arg(r * 90).arg(m))) << r * 90 << m << turns[r];
    }
    void orientedFilesAreTheUprightOnesTurned()
    {
        QFETCH(int, rotation);
        QFETCH(int, mirror);
        QFETCH(QTransform, turn);
        const auto setup = [&](const QString& name, const QString& output, const QString& covering) {
            write(name, QString(R"({"ScreenW": "2", "ScreenH": "1", "OutputW": "90", "OutputH": "60",
                "CoveringHorizontal1": "20", "IsSoftEdge": "1", "SoftEdgeMasks": "1", %1 "PicturePath": "picture.png",
                "CanvasPage": {"ScreenH": 800, "ScreenV": 600, "PicturePath": "picture.png", "OutputCount": 3,
                "Outputs": [{"ID": 0, "Label": "portrait", "PosX": 10, "PosY": 20, "Width": 60, "Height": 90 %2},
                {"ID": 1, "Label": "plain", "PosX": 200, "PosY": 100, "Width": 100, "Height": 50 %2},
                {"ID": 2, "Label": "dense", "PosX": 200, "PosY": 100, "Width": 100, "Height": 50 %2,
                 "DeviceWidth": 200, "DeviceHeight": 100}]}})")
                             .arg(covering, output)
                             .toUtf8());
            QCOMPARE(run({path(name), "--out", path(name + "-out"), "--manifest", path(name + ".json")}), 0);
            QCOMPARE(run({path(name), "--patterns", "--out", path(name + "-out")}), 0);
        };
        if (!QFileInfo::exists(path("upright.dat"))) {
            setUp();
            setup("upright.dat", "", "");
            const QImage plain(path("upright.dat-out/picture_plain.png")), dense(path("upright.dat-out/picture_dense.png"));
            QCOMPARE(dense.size(), QSize(200, 100));
            for (int y = 0; y < 100; ++y)
                for (int x = 0; x < 200; ++x)
                    QCOMPARE(dense.pixel(x, y), plain.pixel(x / 2, y / 2));
        }
        setup("turned.dat", QString(R"(, "Rotation": %1, "Mirror": %2)").arg(rotation).arg(mirror),
              QString(R"("CoveringRotation": "%1", "CoveringMirror": "%2",)").arg(rotation).arg(mirror));
        const QStringList names = QDir(path("upright.dat-out")).entryList(QDir::Files);
        QCOMPARE(names.size(), 2 * 2 + 3 + 2 + 3); // images and masks, canvas images, patterns
        QCOMPARE(QDir(path("turned.dat-out")).entryList(QDir::Files), names);
        for (const QString& name : names) {
            const QImage upright = QImage(path("upright.dat-out/" + name)).convertToFormat(QImage::Format_ARGB32);
            const QImage expected = upright.transformed(turn).mirrored(mirror == 1, mirror == 2);
            COMPARE_IMAGES(QImage(path("turned.dat-out/" + name)).convertToFormat(QImage::Format_ARGB32), expected);
        }
        const QJsonArray pages = json(path("turned.dat.json")).value("pictures").toArray();
        QCOMPARE(pages.size(), 2);
        for (const QJsonValue& page : pages)
            for (const QJsonValue& file : page["files"].toArray()) {
                QCOMPARE(file["rotation"].toInt(), rotation);
                QCOMPARE(file["mirror"].toString(), QStringList({"none", "horizontal", "vertical"}).at(mirror));
                QCOMPARE(file["device"]["width"].toInt(), file["label"] == "dense" ? 200 : 0);
            }
    }

    void failuresAreToldWithTheirStatus_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("told");  // each on a line with its reason
        QTest::addColumn<QStringList>("files"); // "made", "!not made" (a pattern), "made=holding this"
        QTest::addColumn<int>("limit");         // on the size of a file, in bytes
        QTest::newRow("missing set-up") << QStringList{"absent.dat"} << 2 << QStringList{"absent.dat: no such file"}
                                        << QStringList() << 0;
        QTest::newRow("damaged set-up") << QStringList{"damaged.dat"} << 2 << QStringList{"damaged.dat: not a set-up"}
                                        << QStringList() << 0;
        QTest::newRow("patterns of a picture") << QStringList{"setup.dat", "--patterns", "--image", "picture.png"} << 2
                                               << QStringList{"--patterns draws no picture"} << QStringList() << 0;
        QTest::newRow("unreadable picture") << QStringList{"setup.dat", "--image", "setup.dat"} << 2
                                            << QStringList{"setup.dat: not a picture"} << QStringList() << 0;
        QTest::newRow("unwritable folder")
            << QStringList{"setup.dat", "--out", "setup.dat/sub"} << 1
            << QStringList{"sub/wall_0_0.png: ", "sub/wall_2_1.png: ", "sub/picture_Output 4.png: "} << QStringList()
            << 0;
        const QString notRegular = ": not a regular file (a pipe, socket or device)";
        QTest::newRow("pipe as the set-up")
            << QStringList{"fifo"} << 2 << QStringList{"fifo" + notRegular} << QStringList() << 0;
        QTest::newRow("pipe as --image") << QStringList{"setup.dat", "--image", "fifo", "--out", "pipe"} << 2
                                         << QStringList{"fifo" + notRegular} << QStringList{"!pipe"} << 0;
        QTest::newRow("pipe as the set-up's picture")
            << QStringList{"fifo.dat"} << 2 << QStringList{"fifo" + notRegular} << QStringList() << 0;
        QTest::newRow("NUL in the set-up's picture")
            << QStringList{"nul.dat", "--out", "nul"} << 2
            << QStringList{"picture.png\\0junk: the name holds a NUL character"} << QStringList{"!nul/*"} << 0;
        QTest::newRow("control characters in the prefix")
            << QStringList{"escape.dat", "--out", "escape"} << 1
            << QStringList{"w\\0\\x1b[1m_0_0.png: not a plain file name", "w\\0\\x1b[1m_2_1.png: not a plain"}
            << QStringList{"escape/picture_Output 4.png", "!escape/w*"} << 0;
        QTest::newRow("dotted picture names")
            << QStringList{"setup.dat", "--out",   "o",      "--image", ".png",    "--image",
                           "..png",     "--image", "...png", "--image", ".png.png"}
            << 0 << QStringList{".png.png: written to o/.png-2, as another picture's files go to o/.png"}
            << QStringList{"o/.png/wall_0_0.png",   "o/..png/wall_2_1.png", "o/...png/_Output 4.png",
                           "o/.png-2/wall_0_0.png", "!o/*_*.png",           "!wall_0_0.png"}
            << 0;
        QTest::newRow("covering and canvas files of one name")
            << QStringList{"clash.dat", "--prefix", "p", "--out", "clash"} << 2
            << QStringList{"clash/p_0_0.png: both the covering image of column 0, row 0 and the canvas image of "
                           "\"0_0\" would be written to this file; nothing written; give another --prefix, or one "
                           "page with --mode"}
            << QStringList{"!clash"} << 0;
        QTest::newRow("manifest on a full disk")
            << QStringList{"setup.dat", "--patterns", "--mode", "covering",   "--quality",
                           "50",        "--out",      "full",   "--manifest", "m.json"}
            << 1 << QStringList{"m.json: File too large"}
            << QStringList{"full/wall_2_1_pattern.png", "m.json=old", "!m.json?*"} << 2000;
    }
    void failuresAreToldWithTheirStatus()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, told);
        QFETCH(QStringList, files);
        QFETCH(int, limit);
        setUp();
        write("damaged.dat", "{\"ScreenW\": \"2\",");
        write("m.json", "old");
        mkfifo(QFile::encodeName(path("fifo")).constData(), 0600);
        for (const char* name : {".png", "..png", "...png", ".png.png"})
            QFile::copy(path("picture.png"), path(name));
        QFile setup(path("setup.dat"));
        QVERIFY(setup.open(QIODevice::ReadOnly));
        const QByteArray text = setup.readAll();
        for (const QByteArrayList& variant :
             QList<QByteArrayList>{{"fifo.dat", "picture.png\"", "fifo\""},
                                   {"nul.dat", "picture.png\"", "picture.png\\u0000junk\""},
                                   {"escape.dat", "\"wall\"", "\"w\\u0000\\u001b[1m\""},
                                   {"clash.dat", "\"Output 1\"", "\"0_0\""}})
            write(variant[0], QByteArray(text).replace(variant[1], variant[2]));
        QString err;
        QCOMPARE(run(QStringList{"--mode", "both"} + args, &err, limit), status);
        for (const QString& text : told)
            QVERIFY2(
                err.contains(QRegularExpression("quillex-render: \\S*" + QRegularExpression::escape(text) + "(.|\n)")),
                qPrintable(err));
        for (QString file : files) {
            const bool absent = file.startsWith('!');
            const QFileInfo info(path(file.remove(0, absent ? 1 : 0).section('=', 0, 0)));
            const QStringList found =
                QDir(info.path()).entryList({info.fileName()}, QDir::AllEntries | QDir::Hidden | QDir::System);
            QVERIFY2(found.isEmpty() == absent, qPrintable(file + ": " + found.join(' ')));
            QFile held(info.filePath());
            QVERIFY(!file.contains('=') || (held.open(QIODevice::ReadOnly) && held.readAll() == file.section('=', 1)));
        }
    }
};

QTEST_MAIN(TestRender)
#include "tst_render.moc"
