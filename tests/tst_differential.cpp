#include "app/MainWindow.h"
#include "tests/testsupport/WidgetSupport.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

// Set-ups made up at random, across and beyond every range of both pages,
// with missing and wrongly typed values: a fresh window that loads one and
// saves both pages' images and patterns writes exactly the files that
// quillex-render writes from it.
class TestDifferential : public QObject
{
    Q_OBJECT

    IsolatedSettings settings;
    FakeDesktop desktop;
    QTemporaryDir dir;
    QRandomGenerator random;
    QJsonObject* target = nullptr;
    bool asText = false; // covering values are text, canvas values typed

    int n(int lo, int hi) { return lo + int(random.bounded(quint32(hi - lo + 1))); }
    bool chance(int percent) { return n(1, 100) <= percent; }
    // Now and then far beyond the range.
    int v(int lo, int hi, int beyond, int percent = 3) { return chance(percent) ? beyond : n(lo, hi); }
    QJsonValue one(const QJsonArray& values) { return values.at(n(0, values.size() - 1)); }
    // Now and then missing or of another type.
    void put(const char* key, const QJsonValue& value)
    {
        if (!chance(3))
            target->insert(key,
                           chance(4) ? one({true, "x", 2.5, QJsonArray{QJsonArray{1}}, QJsonObject{{"a", 1}},
                                            QJsonValue(), "12", 1e308, -2147483649.0, " 3"})
                                     : value);
    }
    void num(const char* key, int value) { put(key, asText ? QJsonValue(QString::number(value)) : QJsonValue(value)); }
    void flags(std::initializer_list<const char*> keys)
    {
        for (const char* key : keys)
            chance(50) ? put(key, asText ? QJsonValue("1") : QJsonValue(true)) : num(key, 0);
    }
    QJsonValue colour() { return one({"#ff8000", "#0a1b2c", "#000000", "red", "#80ff0000", "bogus", "", "#123"}); }
    // What both pages have: the picture's size and place, background, names,
    // picture and crop.
    void common(int size)
    {
        flags({"IsFullScreen", "IsOriginalSize", "IsCustomSize", "IsImgSizeLocked", "IsCentered", "IsCustomPosition",
               "IsColorBackground", "IsTransparentBackground", "IsCropped"});
        const int width = v(-5, size, 60000); // huge only with a thin picture
        num("CustomSizeWidth", width);
        num("CustomSizeHeight", width > size ? n(0, 9) : n(-5, size));
        num("CustomPosWidth", v(-10, size, 60000));
        num("CustomPosHeight", v(-10, size, 60000));
        put("BackgroundColor", colour());
        put("OutputFilePrefix",
            one({"", "", "wall", "a b", "\u00fcn\u00ef-\u00df.x", "x/y", "..", QString(40, 'p'), "tab\there", "c:d"}));
        num("PictureQuality", n(30, 110));
        put("PicturePath",
            chance(6) ? one({"", dir.filePath("absent.png")})
                      : dir.filePath(one({"p0.png", "p.1.png", "p 2.png", "3.png"}).toString()));
        for (const char* key : {"CropLeft", "CropRight", "CropTop", "CropBottom"})
            num(key, v(-5, 25, 200));
    }
    QJsonObject setup()
    {
        QJsonObject top, canvas;
        target = &top, asText = true;
        // Rarely one output wider than the widest, or two outputs wider than
        // the widest covering.
        const int kind = n(1, 100), wide = kind <= 3, seams = kind > 3 && kind <= 8;
        num("ScreenW", wide ? 1 : seams ? 2 : n(0, 9));
        num("ScreenH", wide ? 1 : seams ? n(0, 2) : n(0, 9));
        num("OutputW", wide ? 5000 : seams ? n(990, 1100) : n(-2, 130));
        num("OutputH", n(-2, 130));
        // The window cannot draw a preview cell, and so does not save, for
        // outputs much thinner than its view allows (1 x 81 pixels in 8
        // rows); the renderer writes them. Kept within 1:8.
        const auto side = [&](const char* key) { return qBound(1, top.value(key).toString().toInt(), 4096); };
        if (side("OutputW") > 8 * side("OutputH") || side("OutputH") > 8 * side("OutputW"))
            top.insert("OutputH", QString::number((side("OutputW") + 7) / 8));
        common(400);
        flags({"IsCoveringHorizontal", "IsCoveringVertical", "IsSoftEdge", "SoftEdgeMasks"});
        for (const char* seam : {"CoveringHorizontal", "CoveringVertical"})
            for (const char* k : {"1", "2", "3", "4", "5", "6", "7", "_X"})
                if (k[0] != '_' || chance(50))
                    num(qPrintable(seam + QString(k)), v(-40, 40, chance(50) ? 1500 : -1500, seams ? 40 : 3));
        put("SoftEdgeCurve", QString::number(n(50, 600) / 100.0));
        put("SoftEdgeGamma", QString::number(n(50, 400) / 100.0));
        // Mounted panels, now and then of a value the program does not know.
        num("CoveringRotation", one({0, 0, 90, 180, 270, 45}).toInt());
        num("CoveringMirror", n(-1, 3));

        target = &canvas, asText = false;
        const int width = v(300, 700, 33000), height = width > 700 ? n(300, 420) : n(300, 700);
        num("ScreenH", width);
        num("ScreenV", height);
        common(700);
        QJsonArray outputs;
        for (int i = 0, count = chance(5) ? 20 : n(0, 16); i < count; ++i) {
            QJsonObject output;
            target = &output;
            num("ID", chance(5) ? n(0, 3) : i);
            put("Label",
                one({"Output 1", "Output 2", "A", "a/b", "\u00fc \u00df-.x", "", "x:y\n", "Output 1", QString(20, 'L'),
                     "e\u0301", "  "}));
            // Often at or past the screen's far edges, now and then without area.
            num("PosX", chance(25) ? qMax(width, 400) + n(-60, 10) : v(-20, 400, 40000));
            num("PosY", chance(25) ? qMax(height, 400) + n(-60, 10) : v(-20, 400, 40000));
            num("Width", chance(10) ? n(-3, 0) : n(1, 400));
            num("Height", chance(10) ? n(-3, 0) : n(1, 400));
            put("Color", colour());
            num("Rotation", one({0, 0, 90, 180, 270, -90}).toInt());
            num("Mirror", n(-1, 3));
            num("DeviceWidth", chance(70) ? 0 : n(-2, 500));
            num("DeviceHeight", chance(70) ? 0 : n(-2, 500));
            outputs.append(output);
        }
        target = &canvas;
        put("Outputs", outputs);
        num("OutputCount", chance(10) ? n(-1, 20) : outputs.size());
        num("OutputIndexSelected", n(-1, 17));
        target = &top;
        put("CanvasPage", canvas);
        return top;
    }
    static QByteArray bytes(const QString& i_Path)
    {
        QFile file(i_Path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        for (const char* name : {"p0.png", "p.1.png", "p 2.png", "3.png"})
            QVERIFY(NoiseImage(n(20, 120), n(20, 120), chance(50) ? QImage::Format_ARGB32 : QImage::Format_RGB32,
                               quint32(n(1, 9)), chance(50))
                        .save(dir.filePath(name)));
    }

    void sameFilesAsTheWindow_data()
    {
        QTest::addColumn<int>("seed");
        for (int seed = 0; seed < 200; ++seed)
            QTest::newRow(qPrintable(QString::number(seed))) << seed;
    }
    void sameFilesAsTheWindow()
    {
        QFETCH(int, seed);
        random.seed(quint32(seed));
        const QJsonObject top = setup();
        const QByteArray text = QJsonDocument(top).toJson(QJsonDocument::Compact);
        const QString path = dir.filePath(QString("%1.dat").arg(seed)), window = path + "-window",
                      render = path + "-render";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.flush());
        // FAULT: --patterns draws a page from the whole set-up even when its
        // picture does not load, where the window stops reading the page.
        const auto loads = [](const QJsonValue& page) { return QFileInfo(page["PicturePath"].toString()).isFile(); };
        const bool both = loads(top) && loads(top["CanvasPage"]);
        QProcess images, patterns; // render while the window works
        images.start(QUILLEX_RENDER, {"--quiet", "--out", render, path});
        if (both)
            patterns.start(QUILLEX_RENDER, {"--quiet", "--patterns", "--out", render, path});
        {
            MainWindow shown(nullptr, QUrl("http://127.0.0.1:1"));
            shown.resize(1400, 900);
            shown.show();
            desktop.openFileAnswers.enqueue(path);
            shown.findChild<QAction*>("actionLoadConfiguration")->trigger();
            QDir().mkpath(window);
            desktop.directoryAnswers.clear();
            for (const char* page : {"PAGE_COVERING_OPTION", "PAGE_CANVAS_OPTION"})
                for (const QString& button :
                     QStringList{"pushButtonGenerate", "pushButtonSave", "pushButtonSavePatterns"}.mid(0, both ? 3 : 2))
                    if (auto* pressed = shown.findChild<QWidget*>(page)->findChild<QAbstractButton*>(button))
                        desktop.directoryAnswers.enqueue(window), QTest::mouseClick(pressed, Qt::LeftButton);
        }
        // The window's event loops may have seen them finish already.
        for (QProcess* process : {&images, &patterns})
            QVERIFY((process->waitForFinished(60000) || process->state() == QProcess::NotRunning)
                    && process->exitStatus() == QProcess::NormalExit && process->error() == QProcess::UnknownError);
        const QString setup = "\nset-up " + QString::number(seed) + ": " + QString::fromUtf8(text);
        const QStringList names = QDir(window).entryList(QDir::Files | QDir::Hidden);
        const QStringList rendered = QDir(render).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(rendered == names,
                 qPrintable("window: " + names.join(", ") + "\nrenderer: " + rendered.join(", ") + setup));
        for (const QString& name : names)
            QVERIFY2(bytes(window + "/" + name) == bytes(render + "/" + name),
                     qPrintable(name + ": " + ImageDifference(QImage(render + "/" + name), QImage(window + "/" + name))
                                + setup));
    }
};

QTEST_MAIN(TestDifferential)
#include "tst_differential.moc"
