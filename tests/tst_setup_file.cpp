#include "CoreSupport.h"
#include "SetupFile.h"

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

    void coveringReading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("quality");
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<int>("screenW");
        QTest::newRow("strings") << Text("{'PictureQuality':'75','IsFullScreen':'1','ScreenW':'4'}") << 75 << true << 4;
        QTest::newRow("quality below 50") << Text("{'PictureQuality':'30'}") << 100 << false << 0;
        QTest::newRow("nothing") << Text("{}") << 100 << false << 0;
        QTest::newRow("typed values read as empty text")
            << Text("{'PictureQuality':75,'IsFullScreen':true,'ScreenW':4}") << 100 << false << 0;
        QTest::newRow("not JSON") << Text("{'ScreenW':'4'") << 100 << false << 0;
        QTest::newRow("not a number") << Text("{'ScreenW':'4x','IsFullScreen':'2'}") << 100 << false << 0;
    }
    void coveringReading()
    {
        QFETCH(QByteArray, text);
        const SetupFile::Covering read = SetupFile::ReadCovering(SetupFile::Parse(text));
        QTEST(read.pictureQuality, "quality");
        QTEST(read.isFullScreen, "fullScreen");
        QTEST(read.screenW, "screenW");
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
        // Only entries that carry their own position; cleaned labels, and a
        // label that then repeats another takes the lowest free name.
        QCOMPARE(outputs, (QStringList{"0 Left 5 #e31f1d", "1 Output 1 0 #000000", "2 Output 2 0 #000000"}));
        QVERIFY(!read.outputs[1].color.isValid());
        QCOMPARE(read.outputIndexSelected, 0); // 7 names no output
    }
};

QTEST_APPLESS_MAIN(TestSetupFile)
#include "tst_setup_file.moc"
