#include "core/setup/SetupFile.h"
#include "core/setup/SetupRender.h"
#include "tests/testsupport/VideoSupport.h"

#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

#include <csignal>

using VideoSupport::Clip;

// quillex-render cutting videos, checked on what its files decode to: the
// names, every output's frames and timestamps against the source's, pixels
// against the source's crop or the still path, audio, segments, damaged
// sources and interruptions.
class TestVideo : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    Clip source; // clip.mp4 as decoded

    QString path(const QString& name) const { return dir.filePath(name); }
    int run(const QStringList& args, QString* err = nullptr, int signal = 0)
    {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.start(QUILLEX_RENDER, args);
        // The signal once the first output is on its way.
        while (signal && process.state() != QProcess::NotRunning) {
            const QString out = args.at(args.indexOf("--out") + 1);
            if (!QDir(path(out)).entryList({".*.part"}, QDir::Hidden | QDir::Files).isEmpty()) {
                kill(pid_t(process.processId()), signal);
                break;
            }
            process.waitForFinished(2);
        }
        if (!process.waitForFinished(60000))
            return -1;
        if (err)
            *err = QString::fromLocal8Bit(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    void setup(const QByteArray& json)
    {
        QFile file(path("setup.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(json) == json.size());
    }

private slots:
    void initTestCase()
    {
        av_log_set_level(AV_LOG_ERROR);
        QVERIFY(VideoSupport::MakeClip(path("clip.mp4"), "libx264", "mp4", QSize(320, 180), 50, true));
        QVERIFY(VideoSupport::MakeClip(path("lossless.mkv"), "ffv1", "matroska", QSize(320, 180), 50, true));
        source = VideoSupport::Read(path("clip.mp4"));
        QCOMPARE(source.frames.size(), 50);
    }

    // Every output has the source's frames, timestamps and rate, keyframes
    // every --gop frames and nowhere else; outputs that take the source's
    // pixels one to one hold them bit for bit with FFV1, scaled and blended
    // ones what the still path makes of the same decoded frame.
    void cuts_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QList<QRect>>("exact"); // the source's part each file holds, when exact
        QTest::addColumn<QString>("audio");      // which files have the tone: "all", "first" or "none"
        const QByteArray grid = R"({"ScreenW": "2", "ScreenH": "2", "OutputW": "160", "OutputH": "90",
            "OutputFilePrefix": "wall"})";
        const QByteArray blend = R"({"ScreenW": "2", "ScreenH": "1", "OutputW": "200", "OutputH": "180",
            "IsCoveringHorizontal": "1", "CoveringHorizontal1": "40", "IsSoftEdge": "1", "OutputFilePrefix": "edge"})";
        const QStringList wall{"wall_0_0", "wall_0_1", "wall_1_0", "wall_1_1"};
        const QList<QRect> places{{0, 0, 160, 90}, {0, 90, 160, 90}, {160, 0, 160, 90}, {160, 90, 160, 90}};
        const auto with = [](QStringList names, const QString& ext) {
            for (QString& name : names)
                name += ext;
            return names;
        };
        QTest::newRow("exact ffv1") << grid << QStringList{"--codec", "ffv1"} << with(wall, ".mkv") << places << "all";
        const QByteArray keys = QByteArray(grid).replace("\"OutputFilePrefix\"", R"("VideoCodec": "ffv1", "VideoCrf": "30",
            "VideoAudio": "first", "OutputFilePrefix")");
        QTest::newRow("the set-up's video keys") << keys << QStringList() << with(wall, ".mkv") << places << "first";
        QTest::newRow("options over the keys") << keys << QStringList{"--codec", "h264", "--audio", "all"}
                                               << with(wall, ".mp4") << QList<QRect>() << "all";
        QTest::newRow("h264, audio in the first") << grid << QStringList{"--audio", "first"} << with(wall, ".mp4")
                                                  << QList<QRect>() << "first";
        QTest::newRow("PCM audio to AAC in .mp4") << grid << QStringList{"--image", "lossless.mkv", "--mode", "covering"}
                                                  << with(wall, ".mp4") << QList<QRect>() << "all";
        QTest::newRow("blended, no audio") << blend << QStringList{"--codec", "ffv1", "--audio", "none"}
                                           << QStringList{"edge_0_0.mkv", "edge_1_0.mkv"} << QList<QRect>() << "none";
        QTest::newRow("masks beside the videos")
            << QByteArray(blend).replace("\"IsSoftEdge\"", "\"SoftEdgeMasks\": \"1\", \"IsSoftEdge\"")
            << QStringList{"--codec", "ffv1", "--audio", "none"}
            << QStringList{"edge_0_0.mkv", "edge_1_0.mkv", "edge_0_0_mask.png", "edge_1_0_mask.png"}
            << QList<QRect>() << "none";
        QTest::newRow("canvas") << QByteArray(R"({"CanvasPage": {"ScreenH": 640, "ScreenV": 360, "Outputs": [
            {"ID": 0, "Label": "L", "PosX": 0, "Width": 320, "Height": 360},
            {"ID": 1, "Label": "R", "PosX": 320, "Width": 320, "Height": 360}], "OutputCount": 2}})")
                                << QStringList{"--mode", "canvas"} << QStringList{"clip_L.mp4", "clip_R.mp4"}
                                << QList<QRect>() << "all";
    }
    void cuts()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, args);
        QFETCH(QStringList, files);
        QFETCH(QList<QRect>, exact);
        QFETCH(QString, audio);
        setup(json);
        const QString out = QString("out-%1").arg(QTest::currentDataTag());
        QString err;
        const QStringList image = args.contains("--image") ? QStringList() : QStringList{"--image", "clip.mp4"};
        QCOMPARE(run(QStringList{"setup.dat", "--out", out, "--gop", "10"} + image + args, &err), 0);
        QStringList expected = files;
        expected.sort();
        QCOMPARE(QDir(path(out)).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        const SetupRender::CoveringSettings settings = SetupRender::CoveringFromSetup(
            SetupFile::ReadCovering(QJsonDocument::fromJson(json).object()), QSize(320, 180));
        for (int k = 0; k < files.size(); ++k) {
            if (files[k].endsWith(".png"))
                continue;
            const Clip clip = VideoSupport::Read(path(out + "/" + files[k]));
            QCOMPARE(clip.frames.size(), 50);
            QCOMPARE(clip.rate, 25.0);
            const bool tone = audio == "all" || (audio == "first" && k == 0);
            QCOMPARE(clip.audioSeconds > 0, tone);
            QVERIFY2(!tone || qAbs(clip.audioSeconds - 2.0) < 0.05, qPrintable(QString::number(clip.audioSeconds)));
            for (int n = 0; n < 50; ++n) {
                const VideoSupport::Frame& frame = clip.frames[n];
                QCOMPARE(frame.pts, source.frames[n].pts - source.frames[0].pts);
                QCOMPARE(frame.key, n % 10 == 0);
                if (!exact.isEmpty())
                    QVERIFY(frame.Crop(QRect(0, 0, frame.width, frame.height)) == source.frames[n].Crop(exact[k]));
            }
            if (!exact.isEmpty() || clip.codec != "ffv1")
                continue;
            for (int n : {0, 31, 49}) {
                SetupRender::Render still;
                QVERIFY(SetupRender::RenderCovering(settings, source.frames[n].Rgb(), "clip.mp4", still));
                const double psnr = VideoSupport::Psnr(still.Image(k), clip.frames[n].Rgb());
                QVERIFY2(psnr >= 40, qPrintable(QString("%1 dB").arg(psnr)));
            }
        }
    }

    // Segments cut on different machines join, with the concat demuxer,
    // into the frames and timestamps of one whole run.
    void segmentsJoinIntoTheWholeRun()
    {
        setup(R"({"ScreenW": "2", "ScreenH": "1", "OutputW": "160", "OutputH": "180", "OutputFilePrefix": "s"})");
        const QStringList common{"setup.dat", "--image", "clip.mp4", "--codec", "ffv1", "--out"};
        QCOMPARE(run(common + QStringList{"whole"}), 0);
        QCOMPARE(run(common + QStringList{"part1", "--to", "1"}), 0);
        QCOMPARE(run(common + QStringList{"part2", "--from", "00:00:01.000"}), 0);
        QFile list(path("parts.txt"));
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write("file 'part1/s_1_0.mkv'\nfile 'part2/s_1_0.mkv'\n") > 0);
        list.close();
        QCOMPARE(VideoSupport::Read(path("part1/s_1_0.mkv")).frames.size(), 25);
        const Clip whole = VideoSupport::Read(path("whole/s_1_0.mkv"));
        const Clip joined = VideoSupport::Read(path("parts.txt"), "concat");
        QCOMPARE(joined.frames.size(), 50);
        for (int n = 0; n < 50; ++n) {
            QCOMPARE(joined.frames[n].pts, whole.frames[n].pts);
            QVERIFY(joined.frames[n].Crop(QRect(0, 0, 160, 180)) == whole.frames[n].Crop(QRect(0, 0, 160, 180)));
        }
    }

    // A source damaged part way gives playable files of every frame before
    // the damage and status 1; a file without video, status 2 and why.
    void badSources_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("cut short") << "short.mkv" << 1 << "short.mkv: reading stopped at ";
        QTest::newRow("no video") << "notes.mp4" << 2 << "notes.mp4: not a video the FFmpeg libraries read";
        QTest::newRow("sound only") << "tone.mka" << 2 << "tone.mka: no video stream in this file";
    }
    void badSources()
    {
        QFETCH(QString, file);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFile whole(path("lossless.mkv"));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile bad(path(file));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(file == "short.mkv" ? whole.read(whole.size() * 6 / 10) : QByteArray("just words\n"));
        bad.close();
        if (file == "tone.mka")
            QVERIFY(VideoSupport::MakeClip(path(file), nullptr, "matroska", QSize(), 50, true));
        setup(R"({"ScreenW": "2", "ScreenH": "1", "OutputW": "160", "OutputH": "180", "OutputFilePrefix": "b"})");
        QString err;
        QCOMPARE(run({"setup.dat", "--image", file, "--codec", "ffv1", "--mode", "covering", "--out", file + "-out"}, &err),
                 status);
        QVERIFY2(err.contains(message), qPrintable(err));
        const int decodable = VideoSupport::Read(path(file)).frames.size();
        for (const char* name : {"b_0_0.mkv", "b_1_0.mkv"})
            QCOMPARE(VideoSupport::Read(path(file + "-out/" + name)).frames.size(), decodable);
        if (status == 1)
            QVERIFY(decodable > 10 && decodable < 45);
    }

    // SIGINT and SIGTERM stop the run with 128 + the signal and leave no
    // file, finished or not.
    void interruptedRunLeavesNoFile_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGTERM") << int(SIGTERM);
    }
    void interruptedRunLeavesNoFile()
    {
        QFETCH(int, signal);
        setup(R"({"ScreenW": "2", "ScreenH": "2", "OutputW": "160", "OutputH": "90", "OutputFilePrefix": "i"})");
        const QString out = QString("stopped-%1").arg(signal);
        QCOMPARE(run({"setup.dat", "--image", "clip.mp4", "--preset", "placebo", "--out", out}, nullptr, signal),
                 128 + signal);
        QCOMPARE(QDir(path(out)).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestVideo)
#include "tst_video.moc"
