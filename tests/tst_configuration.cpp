#include "app/MainWindow.h"
#include "tests/testsupport/WidgetSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

// A window at the size the tests look at, shown; its update check reaches
// no site.
struct ShownWindow : MainWindow
{
    ShownWindow()
        : MainWindow(nullptr, QUrl("http://127.0.0.1:1"))
    {
        resize(1400, 900);
        show();
    }
};

// Saving a set-up of both pages to a configuration file and loading it into
// a fresh window, through the window's two commands.
class TestConfiguration : public QObject
{
    Q_OBJECT

    IsolatedSettings settings;
    FakeDesktop desktop;
    QTemporaryDir folder;

    static void set(QWidget* page, const char* name, int value) { page->findChild<QSpinBox*>(name)->setValue(value); }
    static void click(QWidget* page, const char* name)
    {
        QTest::mouseClick(page->findChild<QAbstractButton*>(name), Qt::LeftButton);
    }
    static QJsonObject state(MainWindow& window)
    {
        QJsonObject top;
        window.writeConfiguration(top);
        return top;
    }
    void trigger(MainWindow& window, const char* action) { window.findChild<QAction*>(action)->trigger(); }
    void save(MainWindow& window, const QString& name)
    {
        desktop.saveFileAnswers.enqueue(name);
        trigger(window, "actionSaveConfiguration");
    }
    void load(MainWindow& window, const QString& name)
    {
        desktop.openFileAnswers.enqueue(name);
        trigger(window, "actionLoadConfiguration");
    }
    // Every setting of both pages away from its default.
    void setUp(MainWindow& window)
    {
        QVERIFY(NoiseImage(300, 200, QImage::Format_RGB32).save(folder.filePath("picture.png")));
        QWidget* covering = window.findChild<QWidget*>("PAGE_COVERING_OPTION");
        QWidget* canvas = window.findChild<QWidget*>("PAGE_CANVAS_OPTION");
        QVERIFY(covering && canvas);
        desktop.openFileAnswers << folder.filePath("picture.png") << folder.filePath("picture.png");
        click(covering, "pushButtonLoadImg");
        click(canvas, "pushButtonLoadSource");
        for (auto [name, value] :
             std::initializer_list<std::pair<const char*, int>>{{"spinBoxScreenW", 3},
                                                                {"spinBoxScreenH", 2},
                                                                {"spinBoxOutputWidth", 90},
                                                                {"spinBoxOutputHeight", 60},
                                                                {"spinBoxCoveringHorizontal1", 7},
                                                                {"spinBoxCoveringHorizontal2", -4},
                                                                {"spinBoxCoveringVertical_X", -11}})
            set(covering, name, value);
        for (const char* name : {"pushButtonCoveringVertical", "customSizeRadioButton", "customPosRadioButton",
                                 "radioButtonTransparency", "pushButtonLocker"})
            click(covering, name);
        for (auto [name, value] : std::initializer_list<std::pair<const char*, int>>{{"spinBoxCustomSizeWidth", 250},
                                                                                     {"spinBoxCustomPosWidth", 9},
                                                                                     {"spinBoxCustomPosHeight", 13},
                                                                                     {"horizontalSliderQuality", 70}})
            covering->findChild<QAbstractSlider*>(name) ? covering->findChild<QAbstractSlider*>(name)->setValue(value)
                                                        : set(covering, name, value);
        covering->findChild<QCheckBox*>("checkBoxCropSource")->setChecked(true);
        set(covering, "spinBoxCropLeft", 20);
        set(covering, "spinBoxCropBottom", 30);
        covering->findChild<QLineEdit*>("lineEditBaseName")->setText("wall");
        covering->findChild<QCheckBox*>("checkBoxSoftEdge")->setChecked(true);
        covering->findChild<QWidget*>("doubleSpinBoxSoftEdgeCurve")->setProperty("value", 3.5);
        covering->findChild<QWidget*>("comboBoxSoftEdgeOutput")->setProperty("currentIndex", 1); // masks

        set(canvas, "spinBoxScreenSizeH", 800);
        set(canvas, "spinBoxScreenSizeV", 600);
        for (const char* name : {"customSizeRadioButton", "customPosRadioButton", "radioButtonTransparency"})
            click(canvas, name);
        set(canvas, "spinBoxCustomSizeWidth", 500);
        set(canvas, "spinBoxCustomSizeHeight", 280);
        set(canvas, "spinBoxCustomPosX", 33);
        canvas->findChild<QCheckBox*>("checkBoxCropSource")->setChecked(true);
        set(canvas, "spinBoxCropTop", 40);
        canvas->findChild<QLineEdit*>("lineEditBaseName")->setText("canvas");
        for (int i = 0; i < 4; ++i)
            click(canvas, "pushButtonAddOutput");
        click(canvas, "pushButtonFullSizeH"); // output 3, the current one
        click(canvas, "pushButtonPosTopLeft");
        QTest::mouseClick(canvas->findChildren<QPushButton*>(QRegularExpression("^$")).value(1), Qt::LeftButton);
    }
    // Saves both pages' images, masks and patterns into a new folder; names and pixels.
    QMap<QString, QImage> outputs(MainWindow& window, const QString& name)
    {
        const QString where = folder.filePath(name);
        QDir().mkpath(where);
        desktop.directoryAnswers << where << where << where << where;
        click(window.findChild<QWidget*>("PAGE_COVERING_OPTION"), "pushButtonGenerate");
        for (const char* page : {"PAGE_COVERING_OPTION", "PAGE_CANVAS_OPTION"})
            for (const char* button : {"pushButtonSave", "pushButtonSavePatterns"})
                click(window.findChild<QWidget*>(page), button);
        QMap<QString, QImage> images;
        for (const QString& file : QDir(where).entryList(QDir::Files))
            images.insert(file, QImage(where + "/" + file));
        return images;
    }

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init() { desktop.messages.clear(); }

    void roundTrip()
    {
        ShownWindow first;
        setUp(first);
        save(first, folder.filePath("setup"));
        QVERIFY(QFileInfo(folder.filePath("setup.dat")).isFile());
        ShownWindow second;
        load(second, folder.filePath("setup.dat"));
        QVERIFY2(desktop.messages.isEmpty(), qPrintable(desktop.messages.value(0).text));
        QCOMPARE(state(second), state(first));
        QCOMPARE(state(first).value("CanvasPage").toObject().value("OutputIndexSelected"), QJsonValue(1));
        const QMap<QString, QImage> before = outputs(first, "first"), after = outputs(second, "second");
        QCOMPARE(after.keys(), before.keys());
        QCOMPARE(before.size(), 6 * 3 + 4 * 2); // images, masks and patterns; images and patterns
        for (const QString& file : before.keys()) {
            COMPARE_IMAGES(after[file], before[file]);
            if (file.endsWith("_pattern.png")) // the size of the output's image
                QCOMPARE(before[file].size(), before[QString(file).remove("_pattern")].size());
        }
    }

    // Loaded with the covering page shown, the canvas page showed its screen
    // and source blown up from views it had never laid out: it must look as
    // it does when loaded in sight.
    void pageLoadedWhileHiddenShowsASharpPreview()
    {
        ShownWindow first;
        setUp(first);
        save(first, folder.filePath("sharp.dat"));
        ShownWindow inSight, hidden;
        for (MainWindow* window : {&inSight, &hidden}) {
            if (window == &inSight)
                click(window, "pushButtonCanvasMode");
            load(*window, folder.filePath("sharp.dat"));
            click(window, "pushButtonCanvasMode");
        }
        auto grab = [](MainWindow& window, const char* view) {
            return window.findChild<QWidget*>("PAGE_CANVAS_OPTION")->findChild<QWidget*>(view)->grab().toImage();
        };
        for (const char* view : {"graphicsViewScreen", "graphicsViewSource"})
            COMPARE_IMAGES(grab(hidden, view), grab(inSight, view));
    }

    void missingPictures()
    {
        ShownWindow first;
        setUp(first);
        save(first, folder.filePath("Moved.DAT"));
        QVERIFY(QFile::rename(folder.filePath("picture.png"), folder.filePath("moved.png")));
        ShownWindow second;
        load(second, folder.filePath("Moved.DAT"));
        QStringList texts;
        for (const DesktopSeam::Message& message : desktop.messages)
            texts << message.text;
        QCOMPARE(texts,
                 (QStringList{"Error while loading image file in Covering menu.",
                              "Error while loading image file in Canvas menu."}));
        QCOMPARE(desktop.messages[1].detail, folder.filePath("picture.png") + ": no such file");
        QCOMPARE(second.findChild<QWidget*>("PAGE_CANVAS_OPTION")->findChild<QSpinBox*>("spinBoxCropTop")->value(), 0);
        QCOMPARE(state(second).value("CanvasPage").toObject().value("OutputCount"), QJsonValue(0));
        QVERIFY(QFile::rename(folder.filePath("moved.png"), folder.filePath("picture.png")));

        // Without a picture, what comes before the path is read and the outputs stay.
        desktop.messages.clear();
        QJsonObject top = state(first);
        top.remove("PicturePath");
        QJsonObject canvas = top.value("CanvasPage").toObject();
        canvas.remove("PicturePath");
        canvas.insert("ScreenH", 1000);
        top.insert("CanvasPage", canvas);
        QFile file(folder.filePath("nopicture.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(top).toJson()) > 0);
        file.close();
        load(first, file.fileName());
        QVERIFY(desktop.messages.isEmpty());
        QCOMPARE(state(first).value("CanvasPage").toObject().value("ScreenH"), QJsonValue(1000));
        QCOMPARE(state(first).value("CanvasPage").toObject().value("OutputCount"), QJsonValue(4));
    }

    void failuresAreTold()
    {
        ShownWindow window;
        save(window, folder.filePath("no/such/folder/setup.dat"));
        load(window, folder.filePath("absent.dat"));
        QCOMPARE(desktop.messages.size(), 2);
        QVERIFY(desktop.messages[0].text.contains("could not be saved"));
        QVERIFY(desktop.messages[1].text.contains("absent.dat"));
        QCOMPARE(desktop.messages[1].icon, QMessageBox::Warning);
    }
};

QTEST_MAIN(TestConfiguration)
#include "tst_configuration.moc"
