#include "canvas/KvOutputSettingsWidget.h"
#include "canvas/KvPushOutputButton.h"
#include "traces/KvTraces.h"
#include "canvas/PageCanvasOption.h"
#include "common/SaveProgress.h"
#include "canvas/SourceItem.h"
#include "core/naming/OutputNames.h"
#include "core/setup/ControlRanges.h"
#include "tests/testsupport/WidgetSupport.h"

#include <QDir>
#include <QGraphicsSceneMouseEvent>
#include <QJsonArray>
#include <QPainter>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QtTest>

// The canvas page driven through its widgets: the state it starts in, the
// source image, crop, size, lock, position and background, and the screen
// image they compose.
class TestCanvasPage : public QObject
{
    Q_OBJECT

    FakeDesktop desktop;
    QTemporaryDir folder;
    PAGE_CANVAS_OPTION* page = nullptr;
    QImage source = NoiseImage(1000, 500, QImage::Format_RGB32, 3);

    template <typename T = QWidget>
    T* w(const QString& name)
    {
        return page->findChild<T*>(name);
    }
    void set(const char* box, int value) { w<QSpinBox>(box)->setValue(value); }
    void click(const char* button) { QTest::mouseClick(w<QAbstractButton>(button), Qt::LeftButton); }
    void load(const QImage& image)
    {
        const QString path = folder.filePath("source.png");
        QVERIFY(image.save(path));
        desktop.openFileAnswers.enqueue(path);
        click("pushButtonLoadSource");
    }
    // The screen the page should show, built with the toolkit alone.
    QImage expected(const QImage& picture, const QRect& placed, const QColor& fill = Qt::white,
                    const QSize& screen = QSize(1920, 1080))
    {
        QImage image(screen, QImage::Format_ARGB32);
        image.fill(fill);
        QPainter(&image).drawImage(placed.topLeft(),
                                   picture.scaled(placed.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation));
        return image;
    }
    // Adds outputs with the proposed labels, after loading the noise source.
    void addOutputs(int count)
    {
        if (page->ScreenImage().isNull())
            load(source);
        for (int i = 0; i < count; ++i)
            click("pushButtonAddOutput");
    }
    QList<CLASS_KV_PUSH_OUTPUT_BUTTON*> buttons() { return page->findChildren<CLASS_KV_PUSH_OUTPUT_BUTTON*>(); }
    QList<QRect> rects()
    {
        QList<QRect> list;
        for (QGraphicsItem* item : w<QGraphicsView>("graphicsViewScreen")->scene()->items(Qt::AscendingOrder))
            if (auto* output = dynamic_cast<CLASS_SOURCE_ITEM*>(item))
                list.insert(output->zValue() > 0 ? list.size() : 0, output->sceneBoundingRect().toRect());
        return list;
    }
    CLASS_KV_OUTPUT_SETTINGS_WIDGET* settings()
    {
        return qobject_cast<CLASS_KV_OUTPUT_SETTINGS_WIDGET*>(
            w<QStackedWidget>("stackedWidgetOutputSettings")->currentWidget());
    }
    void mouse(QEvent::Type type, const QPointF& at)
    {
        QGraphicsSceneMouseEvent event(type);
        event.setScenePos(at);
        event.setButton(Qt::LeftButton);
        event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
        QCoreApplication::sendEvent(w<QGraphicsView>("graphicsViewScreen")->scene(), &event);
    }
    void drag(const QPointF& from, const QPointF& by)
    {
        mouse(QEvent::GraphicsSceneMousePress, from);
        mouse(QEvent::GraphicsSceneMouseMove, from + by / 2);
        mouse(QEvent::GraphicsSceneMouseMove, from + by);
        mouse(QEvent::GraphicsSceneMouseRelease, from + by);
    }
    QRect placed() const
    {
        const CanvasEngine::Input& in = page->Placement();
        return QRect(in.imageX, in.imageY, in.imageWidth, in.imageHeight);
    }

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init()
    {
        desktop.messages.clear();
        desktop.openedUrls.clear();
        page = new PAGE_CANVAS_OPTION;
        page->resize(1293, 791);
        page->show();
        QVERIFY(w("graphicsViewScreen") && w("pushButtonLoadSource") && w("spinBoxCropLeft"));
    }
    void cleanup() { delete page; }

    void startingState()
    {
        for (const char* name : {"pushButtonLoadSource", "checkBoxCropSource", "fullscreenRadioButton",
                                 "customPosRadioButton", "radioButtonTransparency", "spinBoxScreenSizeH",
                                 "toolButtonColor", "horizontalSliderQuality", "lineEditBaseName"})
            QVERIFY2(w(name) && w(name)->isEnabled(), name);
        for (const char* name :
             {"spinBoxCropLeft", "spinBoxCustomSizeWidth", "pushButtonLocker", "spinBoxCustomPosX",
              "pushButtonAddOutput", "lineEditOutputLabel", "pushButtonRemoveOutput", "pushButtonOutputsReset",
              "pushButtonPosCenter", "pushButtonFullSize", "pushButtonSave"})
            QVERIFY2(w(name) && !w(name)->isEnabled(), name);
        QCOMPARE(w<QLabel>("labelImageSizeSource")->text(), QStringLiteral("0 x 0"));
        QCOMPARE(w<QLabel>("labelQuality")->text(), QStringLiteral("Picture quality: 100%"));
        QCOMPARE(w<QLineEdit>("lineEditOutputLabel")->text(), QStringLiteral("Output 1"));
        QVERIFY(page->ScreenImage().isNull());
    }

    void loadingPlacesTheImage()
    {
        click("pushButtonLoadSource"); // cancelled: nothing changes
        desktop.openFileAnswers.enqueue(folder.filePath("missing.png"));
        click("pushButtonLoadSource");
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].text, QStringLiteral("Error while loading image file in Canvas menu."));
        QCOMPARE(desktop.messages[0].detail, folder.filePath("missing.png") + ": no such file");

        load(source);
        QCOMPARE(w<QLabel>("labelImageSizeSource")->text(), QStringLiteral("1000 x 500"));
        QVERIFY(w("pushButtonAddOutput")->isEnabled());
        QVERIFY(!w("pushButtonSave")->isEnabled()); // no output yet
        QCOMPARE(placed(), QRect(0, 0, 1920, 1080));
        COMPARE_IMAGES(page->ScreenImage(), expected(source, placed()));
        click("originalSizeRadioButton");
        QCOMPARE(placed(), QRect(460, 290, 1000, 500));
        COMPARE_IMAGES(page->ScreenImage(), expected(source, placed()));
    }

    void cropping()
    {
        load(source);
        click("originalSizeRadioButton");
        w<QCheckBox>("checkBoxCropSource")->setChecked(true);
        set("spinBoxCropRight", 100);
        set("spinBoxCropLeft", 950); // clamped: left may take the width minus the right crop
        QCOMPARE(w<QSpinBox>("spinBoxCropLeft")->value(), 900);
        set("spinBoxCropLeft", 100);
        QCOMPARE(placed().size(), QSize(800, 500));
        click("fullscreenRadioButton");
        COMPARE_IMAGES(page->ScreenImage(), expected(source.copy(100, 0, 800, 500), placed()));
        w<QCheckBox>("checkBoxCropSource")->setChecked(false); // values kept, whole image shown
        QCOMPARE(w<QSpinBox>("spinBoxCropLeft")->value(), 100);
        COMPARE_IMAGES(page->ScreenImage(), expected(source, placed()));
    }

    void aspectLock()
    {
        click("customSizeRadioButton");
        click("pushButtonLocker"); // without an image there is no ratio: nothing faults
        w("spinBoxCustomSizeWidth")->setFocus();
        set("spinBoxCustomSizeWidth", 700);
        click("pushButtonLocker");
        load(NoiseImage(1920, 1080, QImage::Format_RGB32));
        click("pushButtonLocker");
        QVERIFY(QTest::qWaitForWindowExposed(page));
        auto type = [&](const char* name, int value) {
            w(name)->setFocus();
            QTRY_VERIFY(w(name)->hasFocus());
            set(name, value);
        };
        type("spinBoxCustomSizeWidth", 1000);
        QCOMPARE(w<QSpinBox>("spinBoxCustomSizeHeight")->value(), 563);
        type("spinBoxCustomSizeHeight", 600);
        type("spinBoxCustomSizeHeight", 563);
        QCOMPARE(w<QSpinBox>("spinBoxCustomSizeWidth")->value(), 1001);
        QCOMPARE(placed().size(), QSize(1001, 563));
    }

    void backgroundAndPosition()
    {
        load(source);
        click("customSizeRadioButton");
        set("spinBoxCustomSizeWidth", 3000);
        set("spinBoxCustomSizeHeight", 1500);
        QCOMPARE(placed().topLeft(), QPoint(-540, -210)); // centred and clipped on all sides
        COMPARE_IMAGES(page->ScreenImage(), expected(source, placed()));

        click("radioButtonTransparency");
        click("customPosRadioButton");
        set("spinBoxCustomPosX", 5000); // off the screen: background only
        QCOMPARE(qAlpha(page->ScreenImage().pixel(0, 0)), 0);
        COMPARE_IMAGES(page->ScreenImage(), expected(source, placed(), Qt::transparent));

        desktop.colorAnswers.enqueue(QColor(12, 34, 56));
        click("toolButtonColor"); // disabled while transparent: nothing asked
        QVERIFY(desktop.colorAnswers.size() == 1);
        click("radioButtonColor");
        click("toolButtonColor");
        click("toolButtonColor"); // cancelled: the colour stays
        COMPARE_IMAGES(page->ScreenImage(), expected(source, placed(), QColor(12, 34, 56)));
    }

    void screenTooLargeIsToldOnceAndKeepsThePicture()
    {
        load(source);
        set("spinBoxScreenSizeV", 20000);
        const QImage before = page->ScreenImage();
        set("spinBoxScreenSizeH", 32768);
        set("spinBoxScreenSizeV", 32768);
        click("originalSizeRadioButton");
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QVERIFY2(desktop.messages[0].text.contains("too large"), qPrintable(desktop.messages[0].text));
        COMPARE_IMAGES(page->ScreenImage(), before);
        addOutputs(1); // and the older screen's picture is not saved for it
        desktop.directoryAnswers << folder.path();
        click("pushButtonSave");
        QCOMPARE(desktop.messages.size(), 2);
        QVERIFY(QDir(folder.path()).entryList({"*Output*"}).isEmpty());
        desktop.directoryAnswers.clear();
        set("spinBoxScreenSizeV", 1000); // usable again
        QCOMPARE(page->ScreenImage().size(), QSize(32768, 1000));
        COMPARE_IMAGES(page->ScreenImage(), expected(source, placed(), Qt::white, QSize(32768, 1000)));
    }

    // Outputs read for a screen too large to compose were checked against the
    // empty screen on show: they became 0,0 0 x 0 and were saved back so.
    void tooLargeScreenKeepsTheOutputsOfItsSetUp()
    {
        QVERIFY(source.save(folder.filePath("source.png")));
        const QJsonArray outputs{
            QJsonObject{{"ID", 0}, {"Label", "a"}, {"PosX", 30000}, {"PosY", 100}, {"Width", 2768}, {"Height", 20000}},
            QJsonObject{{"ID", 1}, {"Label", "b"}, {"PosX", 5}, {"PosY", 32000}, {"Width", 100}, {"Height", 768}}};
        page->ReadConfiguration(QJsonObject{{"CanvasPage",
                                             QJsonObject{{"PicturePath", folder.filePath("source.png")},
                                                         {"ScreenH", 32768},
                                                         {"ScreenV", 32768},
                                                         {"OutputCount", 2},
                                                         {"Outputs", outputs}}}});
        QJsonObject top;
        page->WriteConfiguration(top);
        const QJsonArray written = top.value("CanvasPage").toObject().value("Outputs").toArray();
        QCOMPARE(written.size(), 2);
        for (int i = 0; i < 2; ++i)
            for (const char* key : {"PosX", "PosY", "Width", "Height"})
                QCOMPARE(written[i].toObject().value(key), outputs[i].toObject().value(key));
    }

    void addingAndRemovingOutputs()
    {
        addOutputs(2);
        QCOMPARE(buttons().size(), 2);
        QVERIFY(buttons()[0]->styleSheet().contains("#e31f1d") && buttons()[1]->styleSheet().contains("#2f4895"));
        QCOMPARE(rects(), (QList<QRect>{QRect(340, 60, 640, 360), QRect(380, 100, 640, 360)})); // the new one on top
        QCOMPARE(settings()->GetPosXValue(), 380);
        QCOMPARE(w<QLineEdit>("lineEditOutputLabel")->text(), QStringLiteral("Output 3"));
        QVERIFY(w("pushButtonSave")->isEnabled() && w("pushButtonPosCenter")->isEnabled());

        w<QLineEdit>("lineEditOutputLabel")->setText("Output 1"); // taken: warned, nothing added
        click("pushButtonAddOutput");
        QVERIFY(w("labelOutputNameWarning")->isVisibleTo(page));
        QCOMPARE(buttons().size(), 2);
        w<QLineEdit>("lineEditOutputLabel")->clear();
        // What cannot be in a file name is refused; letters of any script are not.
        QTest::keyClicks(w("lineEditOutputLabel"), "Écran/\\:-1");
        QCOMPARE(w<QLineEdit>("lineEditOutputLabel")->text(), QStringLiteral("Écran-1"));
        click("pushButtonAddOutput");
        QVERIFY(!w("labelOutputNameWarning")->isVisibleTo(page));

        QTest::mouseClick(buttons()[0], Qt::LeftButton); // select output 0, then remove it
        click("pushButtonRemoveOutput");
        QStringList labels;
        for (CLASS_KV_PUSH_OUTPUT_BUTTON* button : buttons())
            labels << QString("%1 %2").arg(button->GetID()).arg(button->text());
        QCOMPARE(labels, (QStringList{"0 Output 2", "1 Écran-1"}));
        QCOMPARE(settings()->GetID(), 0u); // the new output 0 is selected
        QCOMPARE(w<QLineEdit>("lineEditOutputLabel")->text(), QStringLiteral("Output 1"));
        click("pushButtonAddOutput"); // the free colour comes back
        QVERIFY(buttons().last()->styleSheet().contains("#e31f1d"));

        addOutputs(13); // 16 in all: no more
        QVERIFY(!w("pushButtonAddOutput")->isEnabled() && !w("lineEditOutputLabel")->isEnabled());
        click("pushButtonRemoveOutput");
        QVERIFY(w("pushButtonAddOutput")->isEnabled());
        click("pushButtonOutputsReset");
        QVERIFY(buttons().isEmpty() && !w("pushButtonSave")->isEnabled() && !w("pushButtonRemoveOutput")->isEnabled());
        QCOMPARE(w<QLineEdit>("lineEditOutputLabel")->text(), QStringLiteral("Output 1"));
    }

    void movingAndSizingOutputs()
    {
        addOutputs(1);
        settings()->ChangeSpinBoxValue(100, 200, 640, 360);
        click("pushButtonFullSizeV");
        QCOMPARE(rects().last(), QRect(100, 0, 640, 1080));
        click("pushButtonPosBottomRight");
        QCOMPARE(rects().last(), QRect(1280, 0, 640, 1080));
        settings()->ChangeSpinBoxValue(100, 0, 640, 360);
        settings()->SetWidthValue(1900); // wider than the screen from x
        QCOMPARE(settings()->GetWidthValue(), 1820);
        QCOMPARE(rects().last(), QRect(100, 0, 1820, 360));

        settings()->ChangeSpinBoxValue(340, 60, 640, 360);
        drag(QPointF(500, 200), QPointF(2000, 0)); // body past the right edge
        QCOMPARE(rects().last(), QRect(1280, 60, 640, 360));
        QCOMPARE(settings()->GetPosXValue(), 1280);
        drag(QPointF(1280, 240), QPointF(-1500, 0)); // left handle past the left edge
        QCOMPARE(rects().last(), QRect(0, 60, 1920, 360));

        click("pushButtonOutputsReset");
        click("pushButtonAddOutput");   // 640 x 360 at (340, 60) again
        set("spinBoxScreenSizeV", 600); // still inside: kept
        QCOMPARE(rects().last(), QRect(340, 60, 640, 360));
        set("spinBoxScreenSizeH", 800); // no longer: the default place for 800 x 600
        QCOMPARE(rects().last(), QRect(147, 35, 266, 200));
    }

    void savingCutsEveryOutput()
    {
        addOutputs(2);
        click("pushButtonOutputsReset");
        addOutputs(2);
        settings()->SetWidthValue(420); // size first, so that the place fits
        settings()->SetHeightValue(180);
        settings()->SetPosXValue(1500);
        settings()->SetPosYValue(900);
        QTemporaryDir out;
        click("pushButtonSave"); // no folder chosen: nothing happens
        QVERIFY(desktop.openedUrls.isEmpty());
        desktop.directoryAnswers.enqueue(out.path());
        click("pushButtonSave");
        QCOMPARE(desktop.askedCaptions.last(), QStringLiteral("Select the folder where images will be saved"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), (QStringList{"source_Output 1.png", "source_Output 2.png"}));
        const QImage screen = page->ScreenImage();
        const QStringList files = QDir(out.path()).entryList(QDir::Files);
        COMPARE_IMAGES(QImage(out.filePath(files[0])), screen.copy(340, 60, 640, 360));
        COMPARE_IMAGES(QImage(out.filePath(files[1])), screen.copy(1500, 900, 420, 180));
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(out.path())});
        QVERIFY(desktop.messages.isEmpty());

        // Unsafe names are skipped and failed writes reported; the rest is written.
        QTest::keyClicks(w("lineEditBaseName"), "w");
        QVERIFY(QDir(out.path()).mkdir("w_Output 2.png"));
        desktop.directoryAnswers.enqueue(out.path());
        click("pushButtonSave");
        QVERIFY(QFileInfo(out.filePath("w_Output 1.png")).isFile());
        w<QLineEdit>("lineEditBaseName")->setText("../w");
        desktop.directoryAnswers.enqueue(out.path());
        click("pushButtonSave");
        QCOMPARE(desktop.messages.size(), 2);
        QVERIFY2(desktop.messages[0].text.contains("w_Output 2.png"), qPrintable(desktop.messages[0].text));
        QVERIFY(desktop.messages[1].text.contains("../w_Output 1.png: not a plain file name"));
        QVERIFY(!QFileInfo(folder.filePath("w_Output 1.png")).exists());
    }

    void setUpReadBack()
    {
        load(source);
        QJsonObject page;
        page.insert("PicturePath", folder.filePath("source.png"));
        page.insert("ScreenH", 1920);
        page.insert("ScreenV", 1080);
        page.insert("IsFullScreen", true);
        page.insert("CropLeft", 100); // kept while cropping is off, not applied
        // At the far edge with no width: must not hang. Only a repeated label
        // is renamed, to a name no output of the file has.
        QJsonArray outputs;
        for (const char* label : {"Left", "Left", "Output 1", "Écran-1:"})
            outputs.append(QJsonObject{
                {"ID", outputs.size()}, {"Label", label}, {"PosX", 1920}, {"Width", 0}, {"PosY", 0}, {"Height", 10}});
        page.insert("OutputCount", outputs.size());
        page.insert("Outputs", outputs);
        this->page->ReadConfiguration(QJsonObject{{"CanvasPage", page}});
        QCOMPARE(rects(), QVector<QRect>(4, QRect(1919, 0, 1, 10)).toList());
        QStringList labels;
        for (CLASS_KV_PUSH_OUTPUT_BUTTON* button : buttons())
            labels << button->text();
        QCOMPARE(labels, (QStringList{"Left", "Output 2", "Output 1", "Écran-1"}));
        QCOMPARE(w<QSpinBox>("spinBoxCropLeft")->value(), 100);
        COMPARE_IMAGES(this->page->ScreenImage(), expected(source, QRect(0, 0, 1920, 1080)));
    }

    // A set-up read into a page in use: its crop was held back by the page's
    // crop, and a screen it does not set was found "too large": its width
    // with the page's height.
    void setUpIsReadWholeWhateverThePageHeld()
    {
        load(source);
        set("spinBoxCropRight", 950);
        set("spinBoxScreenSizeV", 20000);
        page->ReadConfiguration(QJsonObject{{"CanvasPage",
                                             QJsonObject{{"PicturePath", folder.filePath("source.png")},
                                                         {"CropLeft", 100},
                                                         {"ScreenH", 32768},
                                                         {"ScreenV", 400}}}});
        QCOMPARE(w<QSpinBox>("spinBoxCropLeft")->value(), 100);
        QVERIFY(desktop.messages.isEmpty());
    }

    // The form's ranges are those the core brings a set-up into.
    void formRangesAreTheCores_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum"); // of a value, or of a text's length
        using namespace ControlRanges;
        for (const char* box : {"spinBoxScreenSizeH", "spinBoxScreenSizeV"})
            QTest::newRow(box) << box << kMinScreen << kMaxScreen;
        for (const char* box :
             {"spinBoxCustomSizeWidth", "spinBoxCustomSizeHeight", "spinBoxCustomPosX", "spinBoxCustomPosY"})
            QTest::newRow(box) << box << 0 << kMaxCustom;
        QTest::newRow("quality") << "horizontalSliderQuality" << kMinQuality << kMaxQuality;
        QTest::newRow("label") << "lineEditOutputLabel" << 0 << OutputNames::kMaxLabel;
        QTest::newRow("prefix") << "lineEditBaseName" << 0 << OutputNames::kMaxPrefix;
    }
    void formRangesAreTheCores()
    {
        QFETCH(QString, control);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        if (auto* edit = w<QLineEdit>(control))
            QCOMPARE(edit->maxLength(), maximum);
        else
            QCOMPARE(qMakePair(w(control)->property("minimum").toInt(), w(control)->property("maximum").toInt()),
                     qMakePair(minimum, maximum));
    }

    // A long save shows its progress; Cancel stops it after the file in
    // flight, leaves no partial file and says what was written.
    void cancelledSaveStopsAfterTheFileInFlight()
    {
        QTemporaryDir out;
        const QStringList paths = {out.filePath("a.png"), out.filePath("b.png"), out.filePath("c.png")};
        std::atomic<bool> cancelled(false);
        QTimer::singleShot(600, [&] {
            QProgressDialog* dialog = page->findChild<QProgressDialog*>();
            QVERIFY(dialog && dialog->isVisible());
            dialog->cancel();
            QTimer::singleShot(100, [&] { cancelled = true; });
        });
        const ProgressOutcome outcome = RunWithProgress(page, "Saving", 3, [&](const ImageSave::Progress& progress) {
            ImageSave::SaveImages(
                {source, source, source}, paths, 100,
                [&](const QString& path, const QByteArray& png, QString& reason) {
                    while (!cancelled)
                        QThread::msleep(5);
                    return ImageSave::WriteFile(path, png, reason);
                },
                1, progress);
        });
        QVERIFY(outcome.cancelled);
        QCOMPARE(outcome.done, 1);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"a.png"});
        QCOMPARE(WrittenBeforeCancel(paths.mid(0, 1), {}),
                 "Saving was cancelled. These images were written:\n" + QDir::toNativeSeparators(paths[0]));
    }

    void unknownIdsAreTraced()
    {
        KvTracesInit("Canvas", "1.0", QDir(folder.path()));
        KvTracesStart(false);
        QVERIFY(QMetaObject::invokeMethod(page, "SLOT_ModifyScreenBackgroundMode", Q_ARG(int, 7)));
        page->ComputeImagePosInScreen(PAGE_CANVAS_OPTION::_IMAGE_POSITION_IN_SCREEN_ID(4));
        page->ModifyBackgroundScreenColor(QColor());
        KvTracesStop();
        const QStringList files = QDir(folder.filePath("Canvas")).entryList({"*_ERROR_*.log"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString text = FileLines(folder.filePath("Canvas/" + files[0])).join('\n');
        for (const char* trace :
             {"PageCanvasOption SLOT_ModifyScreenBackgroundMode\\(\\) Line \\d+ The button id "
              "didn't manage",
              "PageCanvasOption ComputeImagePosInScreen\\(\\) Line \\d+ The button id didn't manage",
              "PageCanvasOption ModifyBackgroundScreenColor\\(\\) Line \\d+ The screen backgreound "
              "color is invalid"})
            QVERIFY2(text.contains(QRegularExpression(trace)), qPrintable(text));
        QVERIFY(!w("toolButtonColor")->isEnabled());
    }
};

QTEST_MAIN(TestCanvasPage)
#include "tst_canvas_page.moc"
