#include "canvas/PageCanvasOption.h"
#include "covering/PageCoveringOption.h"
#include "tests/testsupport/VideoSupport.h"
#include "tests/testsupport/WidgetSupport.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

// Videos in the window: both pages load one, show any frame exactly, save
// the files quillex-render writes for the saved set-up, leave nothing when
// cancelled, and keep the video and its settings in set-ups.
class TestVideoWindow : public QObject
{
    Q_OBJECT

    FakeDesktop desktop;
    QTemporaryDir dir;
    VideoSupport::Clip clip; // clip.mp4 as decoded on its own

    QString path(const QString& name) const { return dir.filePath(name); }
    // A page of either kind, set up from a set-up's text with clip.mp4 in it.
    std::unique_ptr<QWidget> page(bool canvas, QByteArray json = "{}")
    {
        json.replace("CLIP", path("clip.mp4").toUtf8())
            .replace("LONG", path("long.mkv").toUtf8())
            .replace("SHORT", path("short.mkv").toUtf8());
        const QJsonObject top = QJsonDocument::fromJson(json).object();
        std::unique_ptr<QWidget> p(canvas ? static_cast<QWidget*>(new PAGE_CANVAS_OPTION) : new PAGE_COVERING_OPTION);
        p->resize(1400, 900);
        p->show(); // the covering page previews into its view's size
        if (canvas)
            static_cast<PAGE_CANVAS_OPTION*>(p.get())->ReadConfiguration(top);
        else
            static_cast<PAGE_COVERING_OPTION*>(p.get())->ReadConfiguration(top);
        return p;
    }
    static QJsonObject written(QWidget& page)
    {
        QJsonObject top;
        if (auto* canvas = qobject_cast<PAGE_CANVAS_OPTION*>(&page))
            canvas->WriteConfiguration(top);
        else
            qobject_cast<PAGE_COVERING_OPTION*>(&page)->WriteConfiguration(top);
        return top;
    }
    // What the page's result view is made of: the covering page's only
    // output after Refresh, or the canvas page's screen.
    static QImage shown(QWidget& page)
    {
        if (auto* canvas = qobject_cast<PAGE_CANVAS_OPTION*>(&page))
            return canvas->ScreenImage().copy(160, 110, 320, 180);
        auto* covering = qobject_cast<PAGE_COVERING_OPTION*>(&page);
        QTest::mouseClick(covering->findChild<QPushButton*>("pushButtonGenerate"), Qt::LeftButton);
        return covering->ResultImages().value(0).value(0);
    }
    void save(QWidget& page, const QString& folder)
    {
        QVERIFY(QDir().mkpath(folder));
        desktop.directoryAnswers.enqueue(folder);
        auto* refresh = page.findChild<QPushButton*>("pushButtonGenerate");
        if (refresh && refresh->isEnabled())
            QTest::mouseClick(refresh, Qt::LeftButton); // the covering page saves after a Refresh
        QTest::mouseClick(page.findChild<QPushButton*>("pushButtonSave"), Qt::LeftButton);
    }
    static QStringList files(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    const QByteArray oneOutput = R"({"ScreenW": "1", "ScreenH": "1", "OutputW": "320", "OutputH": "180",
        "PicturePath": "CLIP", "CanvasPage": {"ScreenH": 640, "ScreenV": 400, "IsOriginalSize": true, "PicturePath": "CLIP"}})";

private slots:
    void initTestCase()
    {
        av_log_set_level(AV_LOG_ERROR);
        QVERIFY(VideoSupport::MakeClip(path("clip.mp4"), "libx264", "mp4", QSize(320, 180), 50, true));
        QVERIFY(VideoSupport::MakeClip(path("long.mkv"), "ffv1", "matroska", QSize(640, 360), 150, false));
        QVERIFY(QImage(8, 4, QImage::Format_RGB32).save(path("still.png")));
        QFile broken(path("broken.mp4"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write(QByteArray(4000, 'x')) == 4000);
        broken.close();
        clip = VideoSupport::Read(path("clip.mp4"));
        QCOMPARE(clip.frames.size(), 50);
    }
    void init() { desktop.messages.clear(); }

    // "Load image..." takes videos: the size, the time control, the VIDEO
    // group and the Save text follow the source, and a file that is no video
    // gets the picture's message.
    void loads_data()
    {
        QTest::addColumn<bool>("canvas");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("size"); // the size label; empty: not loaded
        QTest::addColumn<QString>("time"); // the time label while a video
        for (bool canvas : {false, true}) {
            const char* kind = canvas ? "canvas: " : "covering: ";
            QTest::addRow("%sh264", kind) << canvas << "clip.mp4"
                                          << "320 x 180"
                                          << "00:00:00.000 / 00:00:02.000";
            QTest::addRow("%sffv1", kind) << canvas << "long.mkv"
                                          << "640 x 360"
                                          << "00:00:00.000 / 00:00:06.000";
            QTest::addRow("%sbroken", kind) << canvas << "broken.mp4"
                                            << ""
                                            << "";
            QTest::addRow("%spicture after", kind) << canvas << "still.png"
                                                   << "8 x 4"
                                                   << "";
        }
    }
    void loads()
    {
        QFETCH(bool, canvas);
        QFETCH(QString, file);
        QFETCH(QString, size);
        QFETCH(QString, time);
        auto p = page(canvas);
        p->show();
        if (file == "still.png") { // a video first, then a picture
            desktop.openFileAnswers.enqueue(path("clip.mp4"));
            QTest::mouseClick(p->findChild<QPushButton*>(canvas ? "pushButtonLoadSource" : "pushButtonLoadImg"),
                              Qt::LeftButton);
        }
        desktop.openFileAnswers.enqueue(path(file));
        QTest::mouseClick(p->findChild<QPushButton*>(canvas ? "pushButtonLoadSource" : "pushButtonLoadImg"),
                          Qt::LeftButton);
        const bool video = !time.isEmpty();
        QCOMPARE(p->findChild<QSlider*>("horizontalSliderVideoTime")->isVisible(), video);
        QCOMPARE(p->findChild<QWidget*>("groupBoxVideo")->isVisible(), video);
        QCOMPARE(p->findChild<QPushButton*>("pushButtonSave")->text(),
                 video ? "Save video(s)..." : "Save image(s) as PNG...");
        if (video)
            QCOMPARE(p->findChild<QLabel*>("labelVideoTime")->text(), time);
        if (size.isEmpty()) {
            QCOMPARE(desktop.messages.size(), 1);
            QCOMPARE(desktop.messages[0].text,
                     canvas ? "Error while loading image file in Canvas menu."
                            : "Error while loading image file in Covering menu.");
            QVERIFY(desktop.messages[0].detail.startsWith(QDir::toNativeSeparators(path(file)) + ": "));
        } else {
            QVERIFY(desktop.messages.isEmpty());
            QCOMPARE(p->findChild<QLabel*>(canvas ? "labelImageSizeSource" : "labelImageSize")->text(), size);
        }
    }

    // The time control lands on the frame asked for, keyframe or not, going
    // forward, back and past the end, as the clip decodes on its own.
    void exactFrame_data()
    {
        QTest::addColumn<bool>("canvas");
        QTest::addColumn<QList<int>>("times");  // milliseconds, in turn
        QTest::addColumn<QList<int>>("frames"); // shown after each
        for (bool canvas : {false, true}) {
            const char* kind = canvas ? "canvas: " : "covering: ";
            QTest::addRow("%sbetween keyframes", kind) << canvas << QList<int>{1240} << QList<int>{31};
            QTest::addRow("%snearest frame", kind) << canvas << QList<int>{1259, 1261} << QList<int>{31, 32};
            QTest::addRow("%sforward, back", kind)
                << canvas << QList<int>{400, 480, 1000, 120} << QList<int>{10, 12, 25, 3};
            QTest::addRow("%sthe end", kind) << canvas << QList<int>{1960, 2000} << QList<int>{49, 49};
        }
    }
    void exactFrame()
    {
        QFETCH(bool, canvas);
        QFETCH(QList<int>, times);
        QFETCH(QList<int>, frames);
        auto p = page(canvas, oneOutput);
        for (int k = 0; k < times.size(); ++k) {
            p->findChild<QSlider*>("horizontalSliderVideoTime")->setValue(times[k]);
            const QImage image = shown(*p).convertToFormat(QImage::Format_RGB32);
            const QImage expected = clip.frames[frames[k]].Rgb();
            // The same frame, converted alike; its neighbours differ plainly.
            QVERIFY2(VideoSupport::Psnr(image, expected) > 45, qPrintable(QString::number(k)));
            QVERIFY(VideoSupport::Psnr(image, clip.frames[frames[k] == 49 ? 48 : frames[k] + 1].Rgb()) < 35);
        }
        QVERIFY(desktop.messages.isEmpty());
    }

    // Save writes what quillex-render writes for the set-up the page saves:
    // the same names, frames and masks.
    void sameAsRenderer_data()
    {
        QTest::addColumn<bool>("canvas");
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("covering 2 x 2") << false << QByteArray(R"({"ScreenW": "2", "ScreenH": "2", "OutputW": "160",
            "OutputH": "90", "PicturePath": "CLIP", "VideoCodec": "ffv1", "VideoAudio": "none"})");
        QTest::newRow("covering, masks apart") << false << QByteArray(R"({"ScreenW": "2", "ScreenH": "1",
            "OutputW": "200", "OutputH": "180", "IsCoveringHorizontal": "1", "CoveringHorizontal1": "40",
            "IsSoftEdge": "1", "SoftEdgeMasks": "1", "PicturePath": "CLIP", "VideoCodec": "ffv1", "VideoTime": "1.5"})");
        QTest::newRow("canvas, turned") << true << QByteArray(R"({"CanvasPage": {"ScreenH": 640, "ScreenV": 360,
            "PicturePath": "CLIP", "VideoCodec": "ffv1", "VideoAudio": "first", "OutputCount": 2, "Outputs": [
            {"ID": 0, "Label": "L", "PosX": 0, "Width": 320, "Height": 360, "Rotation": 90},
            {"ID": 1, "Label": "R", "PosX": 320, "Width": 320, "Height": 360}]}})");
    }
    void sameAsRenderer()
    {
        QFETCH(bool, canvas);
        QFETCH(QByteArray, json);
        auto p = page(canvas, json);
        const QString tag = QTest::currentDataTag();
        save(*p, path("window " + tag));
        QVERIFY2(desktop.messages.isEmpty(),
                 qPrintable(desktop.messages.value(0).text + desktop.messages.value(0).detail));
        QFile setup(path(tag + ".dat"));
        QVERIFY(setup.open(QIODevice::WriteOnly));
        setup.write(QJsonDocument(written(*p)).toJson());
        setup.close();
        QCOMPARE(QProcess::execute(QUILLEX_RENDER,
                                   {setup.fileName(), "--quiet", "--mode", canvas ? "canvas" : "covering", "--out",
                                    path("render " + tag)}),
                 0);
        const QStringList names = files(path("window " + tag));
        QCOMPARE(names, files(path("render " + tag)));
        QVERIFY(names.size() >= 2);
        for (const QString& name : names) {
            const QString a = path("window " + tag + "/" + name), b = path("render " + tag + "/" + name);
            if (name.endsWith(".png")) {
                QCOMPARE(QImage(a), QImage(b));
                continue;
            }
            const VideoSupport::Clip x = VideoSupport::Read(a), y = VideoSupport::Read(b);
            QCOMPARE(x.frames.size(), 50);
            QCOMPARE(x.audioSeconds < 0, y.audioSeconds < 0);
            QCOMPARE(y.frames.size(), 50);
            for (int k = 0; k < 50; ++k)
                QVERIFY(x.frames[k].planes[0] == y.frames[k].planes[0] && x.frames[k].pts == y.frames[k].pts);
        }
    }

    // Cancel, as soon as the save runs, leaves no file of it, masks
    // included, and says so.
    void cancelLeavesNothing()
    {
        auto p = page(false, R"({"ScreenW": "2", "ScreenH": "1", "OutputW": "320", "OutputH": "360",
            "IsCoveringHorizontal": "1", "CoveringHorizontal1": "0", "IsSoftEdge": "1", "SoftEdgeMasks": "1",
            "PicturePath": "LONG"})");
        QTimer poll; // until the save runs
        bool controls = false;
        connect(&poll, &QTimer::timeout, [&] {
            if (QProgressDialog* progress = p->findChild<QProgressDialog*>("progressVideoSave")) {
                controls = !p->findChild<QPushButton*>("pushButtonSave")->isEnabled()
                    && p->findChild<QSlider*>("horizontalSliderVideoTime")->isEnabled();
                progress->cancel();
                poll.stop();
            }
        });
        poll.start(0);
        save(*p, path("cancelled"));
        QVERIFY(controls);
        QCOMPARE(files(path("cancelled")), QStringList());
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].text, "Saving was cancelled; no video was written.");
        QVERIFY(p->findChild<QPushButton*>("pushButtonSave")->isEnabled());
    }

    // A video damaged part way says where reading stopped and which videos
    // hold every frame before it.
    void damagedPartWay()
    {
        QFile whole(path("long.mkv")), cut(path("short.mkv"));
        QVERIFY(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(whole.size() * 6 / 10));
        cut.close();
        auto p = page(false, R"({"ScreenW": "2", "ScreenH": "1", "OutputW": "320", "OutputH": "360",
            "PicturePath": "SHORT", "VideoCodec": "ffv1"})");
        save(*p, path("damaged"));
        QCOMPARE(desktop.messages.size(), 1);
        QVERIFY2(desktop.messages[0].text.startsWith("Reading the video stopped at 00:00:0"),
                 qPrintable(desktop.messages[0].text));
        QCOMPARE(desktop.messages[0].detail,
                 "These videos hold every frame before it:\n" + QDir::toNativeSeparators(path("damaged/short_0_0.mkv"))
                     + "\n" + QDir::toNativeSeparators(path("damaged/short_1_0.mkv")));
    }

    // A set-up with a video comes back with it, its settings and its time,
    // and is written again as it was.
    void roundTrip_data()
    {
        QTest::addColumn<bool>("canvas");
        QTest::newRow("covering") << false;
        QTest::newRow("canvas") << true;
    }
    void roundTrip()
    {
        QFETCH(bool, canvas);
        auto first = page(canvas, oneOutput);
        first->findChild<QComboBox*>("comboBoxVideoCodec")->setCurrentIndex(1);
        first->findChild<QSpinBox*>("spinBoxVideoCrf")->setValue(30);
        first->findChild<QComboBox*>("comboBoxVideoAudio")->setCurrentIndex(2);
        first->findChild<QSlider*>("horizontalSliderVideoTime")->setValue(1240);
        const QJsonObject top = written(*first);
        const QJsonObject keys = canvas ? top["CanvasPage"].toObject() : top;
        QCOMPARE(keys["VideoCodec"].toString(), "hevc");
        QCOMPARE(keys["VideoAudio"].toString(), "none");
        QCOMPARE(keys["VideoCrf"].toVariant().toInt(), 30);
        QCOMPARE(keys["VideoTime"].toVariant().toDouble(), 1.24);
        QVERIFY(!(canvas ? top : top["CanvasPage"].toObject()).contains("VideoCodec")); // the other page has none
        auto second = page(canvas, QJsonDocument(top).toJson());
        QCOMPARE(QJsonDocument(written(*second)).toJson(), QJsonDocument(top).toJson());
        QCOMPARE(second->findChild<QSlider*>("horizontalSliderVideoTime")->value(), 1240);
        QVERIFY(VideoSupport::Psnr(shown(*second).convertToFormat(QImage::Format_RGB32), clip.frames[31].Rgb()) > 45);
    }
};

QTEST_MAIN(TestVideoWindow)
#include "tst_video_window.moc"
