#include "tests/testsupport/CoreSupport.h"
#include "core/setup/SetupFile.h"
#include "core/setup/SetupRender.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

// The configuration format read from and written to file text.
class TestSetupFile : public QObject
{
    Q_OBJECT

    // File text written with ' for ", to keep the tables readable.
    static QByteArray Text(const char* text) { return QByteArray(text).replace('\'', '"'); }

private slots:
    void suffix()
    {
        QCOMPARE(SetupFile::WithSuffix("/a/setup"), QStringLiteral("/a/setup.dat"));
        QCOMPARE(SetupFile::WithSuffix("/a/Setup.Dat"), QStringLiteral("/a/Setup.Dat"));
        QCOMPARE(SetupFile::WithSuffix("/a/setup.data"), QStringLiteral("/a/setup.data.dat"));
    }

    void writtenText()
    {
        SetupFile::Covering covering;
        covering.screenW = 3;
        covering.isFullScreen = true;
        covering.backgroundColor = QColor(255, 0, 16);
        SetupFile::Canvas canvas;
        canvas.screenH = 1920;
        canvas.isFullScreen = true;
        QJsonObject top;
        SetupFile::WriteCovering(covering, top);
        SetupFile::WriteCanvas(canvas, top);
        const QJsonObject read = QJsonDocument::fromJson(SetupFile::Serialize(top)).object();
        QCOMPARE(read.value("Version"), QJsonValue("1.0"));
        QCOMPARE(read.value("ScreenW"), QJsonValue("3")); // covering values are text
        QCOMPARE(read.value("IsFullScreen"), QJsonValue("1"));
        QCOMPARE(read.value("IsCustomSize"), QJsonValue("0"));
        QCOMPARE(read.value("BackgroundColor"), QJsonValue("#ff0010"));
        QVERIFY(!read.contains("PicturePath"));                       // no picture, no path
        const QJsonObject page = read.value("CanvasPage").toObject(); // canvas values are typed
        QCOMPARE(page.value("ScreenH"), QJsonValue(1920));
        QCOMPARE(page.value("IsFullScreen"), QJsonValue(true));
        QCOMPARE(page.value("OutputCount"), QJsonValue(0));
        QCOMPARE(page.value("Outputs"), QJsonValue(QJsonArray()));
        QVERIFY(!page.contains("OutputIndexSelected"));
    }

    // Boundaries of reading a set-up, as the pages (and the renderer, which
    // takes a file as a fresh page would) end up with it. Each row names the
    // facts it pins.
    void readingBoundaries_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("facts");
        QTest::newRow("strings") << Text("{'PictureQuality':'75','IsFullScreen':'1','ScreenW':'4'}")
                                 << QStringList{"covering quality 75", "full screen 1", "grid 4 x 1"};
        QTest::newRow("nothing") << Text("{}") << QStringList{"covering quality 100", "full screen 0", "grid 1 x 1"};
        QTest::newRow("typed values read as empty text")
            << Text("{'PictureQuality':75,'IsFullScreen':true,'ScreenW':4}")
            << QStringList{"covering quality 100", "full screen 0", "grid 1 x 1"};
        QTest::newRow("not JSON") << Text("{'ScreenW':'4'") << QStringList{"grid 1 x 1"};
        QTest::newRow("not a number") << Text("{'ScreenW':'4x','IsFullScreen':'2'}")
                                      << QStringList{"full screen 0", "grid 1 x 1"};
        // Below 50 the covering page takes 100; the sliders hold 50 to 100.
        const auto quality = [](int q) {
            return Text(qPrintable(QString("{'PictureQuality':'%1','CanvasPage':{'PictureQuality':%1}}").arg(q)));
        };
        QTest::newRow("quality 49") << quality(49) << QStringList{"covering quality 100", "canvas quality 50"};
        QTest::newRow("quality 50") << quality(50) << QStringList{"covering quality 50", "canvas quality 50"};
        QTest::newRow("quality 100") << quality(100) << QStringList{"covering quality 100", "canvas quality 100"};
        QTest::newRow("quality 101") << quality(101) << QStringList{"covering quality 100", "canvas quality 100"};
        // The row box's maximum leaves columns + rows at 12 at most.
        QTest::newRow("8 columns, 8 rows") << Text("{'ScreenW':'8','ScreenH':'8'}") << QStringList{"grid 8 x 4"};
        QTest::newRow("5 columns, 9 rows") << Text("{'ScreenW':'5','ScreenH':'9'}") << QStringList{"grid 5 x 7"};
        QTest::newRow("4 columns, 8 rows") << Text("{'ScreenW':'4','ScreenH':'8'}") << QStringList{"grid 4 x 8"};
        QTest::newRow("12 columns, 12 rows") << Text("{'ScreenW':'12','ScreenH':'12'}") << QStringList{"grid 8 x 4"};
        QTest::newRow("output without ID")
            << Text("{'CanvasPage':{'OutputCount':2,'Outputs':[{'Label':'A'},{'ID':1,'Label':'B'}]}}")
            << QStringList{"outputs B"};
        QTest::newRow("labels of 16 and 17 characters")
            << Text("{'CanvasPage':{'OutputCount':2,'Outputs':[{'ID':0,'Label':'Sixteen-chars-ok'},"
                    "{'ID':1,'Label':'Seventeen-chars-x'}]}}")
            << QStringList{"outputs Sixteen-chars-ok|Seventeen-chars-"};
        const char* two =
            "{'CanvasPage':{'OutputCount':2,'OutputIndexSelected':%1,'Outputs':[{'ID':0},{'ID':1,'Label':'B'}]}}";
        QTest::newRow("selected index the last") << Text(qPrintable(QString(two).arg(1))) << QStringList{"selected 1"};
        QTest::newRow("selected index equal to the count")
            << Text(qPrintable(QString(two).arg(2))) << QStringList{"selected 0"};
        // Soft-edge keys are written back only when they differ from a fresh
        // page's: other set-ups stay as they were saved.
        QTest::newRow("soft edges off: not written")
            << Text("{'IsSoftEdge':'0','SoftEdgeCurve':'2.0','SoftEdgeGamma':'2.2','SoftEdgeMasks':'0'}")
            << QStringList{"soft edges none"};
        QTest::newRow("soft edges on: written")
            << Text("{'IsSoftEdge':'1','SoftEdgeCurve':'1.0','SoftEdgeGamma':'1.0'}")
            << QStringList{"soft edges 1 1.0 1.0 0"};
        QTest::newRow("curve 5.0 and gamma 3.0 kept")
            << Text("{'SoftEdgeCurve':'5.0','SoftEdgeGamma':'3.0'}") << QStringList{"soft edges 0 5.0 3.0 0"};
        QTest::newRow("curve 5.1 and gamma 0.9 refused")
            << Text("{'IsSoftEdge':'0','SoftEdgeCurve':'5.1','SoftEdgeGamma':'0.9','SoftEdgeMasks':'1'}")
            << QStringList{"soft edges 0 2.0 2.2 1"};
        // The wall's keys likewise, read back and written again.
        QTest::newRow("wall keys kept")
            << Text("{'CoveringRotation':'90','CoveringMirror':'1','PanelWidthMm':'1209.6','PanelHeightMm':'680.4',"
                    "'BezelLeftMm':'0.0','BezelRightMm':'2.25','BezelTopMm':'1.5','BezelBottomMm':'3','CanvasPage':"
                    "{'OutputCount':1,'Outputs':[{'ID':0,'Rotation':270,'Mirror':2,'DeviceWidth':3840,'DeviceHeight':1}]}}")
            << QStringList{"wall CoveringRotation=90 CoveringMirror=1 PanelWidthMm=1209.6 PanelHeightMm=680.4 "
                           "BezelLeftMm=0.0 BezelRightMm=2.25 BezelTopMm=1.5 BezelBottomMm=3.0 Rotation=270 Mirror=2 "
                           "DeviceWidth=3840 DeviceHeight=1"};
        QTest::newRow("wall keys unknown or at their defaults: not written")
            << Text("{'CoveringRotation':'45','CoveringMirror':'3','PanelWidthMm':'0','PanelHeightMm':'680.4',"
                    "'BezelLeftMm':'1','BezelRightMm':'1','BezelTopMm':'1','BezelBottomMm':'1','CanvasPage':"
                    "{'OutputCount':2,'Outputs':[{'ID':0,'Rotation':90.5,'Mirror':-1,'DeviceWidth':-5},"
                    "{'ID':1,'Rotation':0,'Mirror':0,'DeviceWidth':0}]}}")
            << QStringList{"wall none"};
    }
    void readingBoundaries()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, facts);
        const QJsonObject top = SetupFile::Parse(text);
        const SetupFile::Covering covering = SetupFile::ReadCovering(top);
        const SetupFile::Canvas canvas = SetupFile::ReadCanvas(top);
        const SetupRender::CoveringSettings rendered = SetupRender::CoveringFromSetup(covering, QSize(64, 48));
        QStringList labels;
        for (const SetupFile::Output& output : canvas.outputs)
            labels << output.label;
        QJsonObject written;
        SetupFile::WriteCovering(covering, written);
        QStringList softEdges;
        for (const char* key : {"IsSoftEdge", "SoftEdgeCurve", "SoftEdgeGamma", "SoftEdgeMasks"})
            softEdges << written.value(key).toString();
        QJsonObject page;
        SetupFile::WriteCanvas(canvas, page);
        QStringList wall;
        for (const char* key : {"CoveringRotation", "CoveringMirror", "PanelWidthMm", "PanelHeightMm", "BezelLeftMm",
                                "BezelRightMm", "BezelTopMm", "BezelBottomMm"})
            if (written.contains(key))
                wall << QString(key) + '=' + written.value(key).toString();
        for (const QJsonValue& output : page["CanvasPage"].toObject()["Outputs"].toArray())
            for (const char* key : {"Rotation", "Mirror", "DeviceWidth", "DeviceHeight"})
                if (output.toObject().contains(key))
                    wall << QString(key) + '=' + QString::number(output[key].toInt());
        const QMap<QString, QString> seen{
            {"covering quality", QString::number(rendered.quality)},
            {"canvas quality", QString::number(SetupRender::CanvasFromSetup(canvas, QSize(64, 48)).quality)},
            {"full screen", QString::number(covering.isFullScreen)},
            {"grid", QString("%1 x %2").arg(rendered.input.columnCount).arg(rendered.input.rowCount)},
            {"outputs", labels.join('|')},
            {"selected", QString::number(canvas.outputIndexSelected)},
            {"soft edges", written.contains("IsSoftEdge") ? softEdges.join(' ') : "none"},
            {"wall", wall.isEmpty() ? "none" : wall.join(' ')}};
        int checked = 0;
        for (const QString& fact : facts)
            for (auto it = seen.cbegin(); it != seen.cend(); ++it)
                if (fact.startsWith(it.key() + ' ') && ++checked)
                    QCOMPARE(it.key() + ' ' + it.value(), fact);
        QCOMPARE(checked, facts.size());
    }

    void canvasReading()
    {
        const SetupFile::Canvas read = SetupFile::ReadCanvas(SetupFile::Parse(
            Text("{'CanvasPage':{'ScreenH':1920.5, 'ScreenV':'1080', 'IsFullScreen':'true', 'PictureQuality':1e300,"
                 " 'OutputCount':40, 'OutputIndexSelected':7, 'Outputs':[{'ID':0,'Label':'Le/ft','PosX':5,"
                 "'Color':'#e31f1d'}, {'ID':5,'Label':'skipped'}, {'ID':2,'Label':'Left','Color':'nonsense'},"
                 " 'not an object', {'ID':4,'Label':'Output 1'}]}}")));
        QCOMPARE(read.screenH, 0); // not a whole number
        QCOMPARE(read.screenV, 0); // not a number
        QVERIFY(!read.isFullScreen);
        QCOMPARE(read.pictureQuality, 0);
        QStringList outputs;
        for (const SetupFile::Output& output : read.outputs)
            outputs
                << QString("%1 %2 %3 %4").arg(output.id).arg(output.label).arg(output.posX).arg(output.color.name());
        // Only entries that carry their own position; cleaned labels, and only
        // a label that repeats an earlier one is renamed, to the lowest name no
        // label of the file has.
        QCOMPARE(outputs, (QStringList{"0 Left 5 #e31f1d", "1 Output 2 0 #000000", "2 Output 1 0 #000000"}));
        QVERIFY(!read.outputs[1].color.isValid());
        QCOMPARE(read.outputIndexSelected, 0); // 7 names no output
    }
};

QTEST_APPLESS_MAIN(TestSetupFile)
#include "tst_setup_file.moc"
