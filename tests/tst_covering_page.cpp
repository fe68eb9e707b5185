#include "core/covering/SoftEdge.h"
#include "core/naming/OutputNames.h"
#include "core/setup/ControlRanges.h"
#include "covering/PageCoveringOption.h"
#include "tests/testsupport/WidgetSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

// The covering page driven through its widgets, as a user would: screen and
// covering read-outs, source, crop, size, lock, background, Refresh and Save.
class TestCoveringPage : public QObject
{
    Q_OBJECT

    FakeDesktop desktop;
    QTemporaryDir folder;
    PAGE_COVERING_OPTION* page = nullptr;

    template <typename T = QWidget>
    T* w(const QString& name)
    {
        return page->findChild<T*>(name);
    }
    void set(const QString& box, int value) { w<QSpinBox>(box)->setValue(value); }
    void click(const char* button) { QTest::mouseClick(w<QAbstractButton>(button), Qt::LeftButton); }
    QString text(const char* label) { return w<QLabel>(label)->text(); }
    QString enabled() // which of Refresh and Save can be clicked
    {
        const bool refresh = w("pushButtonGenerate")->isEnabled(), save = w("pushButtonSave")->isEnabled();
        return refresh && save ? "Refresh Save" : refresh ? "Refresh" : save ? "Save" : "";
    }
    void load(const QString& path)
    {
        desktop.openFileAnswers.enqueue(path);
        click("pushButtonLoadImg");
    }
    // A grid of 64 x 36 outputs with a noise image of the grid's size loaded.
    void prepare(int columns, int rows, const QString& imageName = "source.png")
    {
        set("spinBoxScreenW", columns);
        set("spinBoxScreenH", rows);
        set("spinBoxOutputWidth", 64);
        set("spinBoxOutputHeight", 36);
        QVERIFY(NoiseImage(64 * columns, 36 * rows).save(folder.filePath(imageName)));
        load(folder.filePath(imageName));
    }
    void save(const QString& prefix, const QString& where)
    {
        w<QLineEdit>("lineEditBaseName")->clear();
        QTest::keyClicks(w("lineEditBaseName"), prefix); // as typed: the edit refuses what is unsafe in a name
        desktop.directoryAnswers.enqueue(where);
        click("pushButtonSave");
    }
    int previewCells()
    {
        QGraphicsScene* scene = w<QGraphicsView>("graphicsViewResult")->scene();
        return scene ? scene->items().size() - 1 : -1; // the cells and their widget
    }

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init()
    {
        desktop.messages.clear();
        desktop.openedUrls.clear();
        desktop.askedCaptions.clear();
        desktop.askedFilters.clear();
        page = new PAGE_COVERING_OPTION;
        page->resize(1223, 763);
        page->show();
    }
    void cleanup() { delete page; }

    // The form's ranges of the controls a set-up sets are the core's, which
    // bring a set-up read into range: the two cannot drift apart.
    void formRangesAreTheCores_data()
    {
        using namespace ControlRanges;
        using namespace SoftEdge;
        QTest::addColumn<QVector<double>>("core"); // minimum, maximum; soft edges: start, decimals
        for (const char* control : {"spinBoxScreenW", "spinBoxScreenH"})
            QTest::newRow(control) << QVector<double>{1, CoveringModel::MaxCount};
        for (const char* control : {"spinBoxOutputWidth", "spinBoxOutputHeight"})
            QTest::newRow(control) << QVector<double>{kMinOutputSide, kMaxOutputSide};
        for (const char* control :
             {"spinBoxCustomSizeWidth", "spinBoxCustomSizeHeight", "spinBoxCustomPosWidth", "spinBoxCustomPosHeight"})
            QTest::newRow(control) << QVector<double>{0, kMaxCustom};
        for (const QString seam : {"1", "2", "3", "4", "5", "6", "7", "_X"})
            for (const QString control : {"spinBoxCoveringHorizontal", "spinBoxCoveringVertical"})
                QTest::newRow(qPrintable(control + seam)) << QVector<double>{-kMaxCovering, kMaxCovering};
        QTest::newRow("horizontalSliderQuality") << QVector<double>{kMinQuality, kMaxQuality};
        QTest::newRow("doubleSpinBoxSoftEdgeCurve") << QVector<double>{kMinCurve, kMaxCurve, kDefaultCurve, kDecimals};
        QTest::newRow("doubleSpinBoxSoftEdgeGamma") << QVector<double>{kMinGamma, kMaxGamma, kDefaultGamma, kDecimals};
        QTest::newRow("lineEditBaseName") << QVector<double>{0, OutputNames::kMaxPrefix};
    }
    void formRangesAreTheCores()
    {
        const QWidget* control = w(QTest::currentDataTag());
        const bool edit = qobject_cast<const QLineEdit*>(control);
        QVector<double> form{edit ? 0 : control->property("minimum").toDouble(),
                             control->property(edit ? "maxLength" : "maximum").toDouble()};
        if (control->property("decimals").isValid())
            form << control->property("value").toDouble() << control->property("decimals").toDouble();
        QTEST(form, "core");
    }

    void seamSelectionFollowsCounts()
    {
        auto* combo = w<QComboBox>("comboBoxCoveringHorizontal");
        auto* stack = w<QStackedWidget>("stackedWidgetCoveringHorizontal");
        set("spinBoxScreenW", 5);
        QCOMPARE(combo->count(), 4);
        QVERIFY(w("spinBoxCoveringHorizontal4")->isEnabled() && w("spinBoxCoveringHorizontal_X")->isEnabled());
        QCOMPARE(w<QSpinBox>("spinBoxScreenH")->maximum(), 7); // 12 outputs at most
        combo->setCurrentIndex(2);
        set("spinBoxScreenW", 4); // the chosen seam still exists: kept
        QCOMPARE(stack->currentIndex(), 2);
        set("spinBoxScreenW", 3); // it no longer does: back to the first
        QCOMPARE(stack->currentIndex(), 0);
        set("spinBoxScreenW", 1);
        QVERIFY(!w("spinBoxCoveringHorizontal1")->isEnabled() && !w("spinBoxCoveringHorizontal_X")->isEnabled());
    }

    void allSeamsButton()
    {
        set("spinBoxScreenW", 3);
        set("spinBoxCoveringHorizontal1", 7);
        set("spinBoxCoveringHorizontal2", 9);
        set("spinBoxCoveringHorizontal_X", 100);
        QCOMPARE(text("labelScreenPixelSize"), QStringLiteral("5760 x 1080"));
        QCOMPARE(text("labelScreenCovPixelSize"), QStringLiteral("5744 x 1080"));
        click("pushButtonCoveringHorizontal");
        QVERIFY(!w("comboBoxCoveringHorizontal")->isEnabled());
        QCOMPARE(w<QStackedWidget>("stackedWidgetCoveringHorizontal")->currentIndex(), 7);
        QCOMPARE(text("labelScreenCovPixelSize"), QStringLiteral("5560 x 1080"));
        set("spinBoxScreenW", 4); // the common box stays shown and applies to the new seam
        QCOMPARE(w<QStackedWidget>("stackedWidgetCoveringHorizontal")->currentIndex(), 7);
        QCOMPARE(text("labelScreenCovPixelSize"), QStringLiteral("7380 x 1080"));
        click("pushButtonCoveringHorizontal");
        QCOMPARE(text("labelScreenCovPixelSize"), QStringLiteral("7664 x 1080"));
    }

    // "Panel size..." fills every seam from the frames of two neighbours,
    // at the panel's pixels per millimetre on each axis (worked out by hand
    // below), and the set-up keeps the panel only once it was used.
    void panelSizeFillsEverySeam_data()
    {
        QTest::addColumn<QSize>("output");
        QTest::addColumn<QString>("panel"); // width height left right top bottom, in mm; empty: cancelled
        QTest::addColumn<int>("across");
        QTest::addColumn<int>("down");
        QTest::newRow("55-inch, frames of 1.8") << QSize(1920, 1080) << "1209.6 680.4 1.8 1.8 1.8 1.8" << -6 << -6;
        // 1920 / 1209.6 px/mm: (1 + 3.5) -> 7.14, (0.5 + 6) -> 10.32.
        QTest::newRow("unequal frames") << QSize(1920, 1080) << "1209.6 680.4 1 3.5 0.5 6" << -7 << -10;
        // 2160 / 680.4 px/mm: 4 -> 12.70, 15 -> 47.62.
        QTest::newRow("portrait 4K") << QSize(2160, 3840) << "680.4 1209.6 2 2 5 10" << -13 << -48;
        QTest::newRow("cancelled") << QSize(1920, 1080) << "" << 0 << 0;
    }
    void panelSizeFillsEverySeam()
    {
        QFETCH(QSize, output);
        QFETCH(QString, panel);
        QFETCH(int, across);
        QFETCH(int, down);
        set("spinBoxScreenW", 3);
        set("spinBoxScreenH", 2);
        set("spinBoxOutputWidth", output.width());
        set("spinBoxOutputHeight", output.height());
        for (const char* seam : {"spinBoxCoveringHorizontal2", "spinBoxCoveringVertical_X"})
            set(seam, 3);
        desktop.dialogHandler = [&](QDialog& dialog) {
            const QStringList values = panel.split(' ', Qt::SkipEmptyParts);
            for (int k = 0; k < values.size(); ++k)
                dialog.findChild<QDoubleSpinBox*>(QStringList{"doubleSpinBoxPanelWidth", "doubleSpinBoxPanelHeight",
                                                              "doubleSpinBoxBezelLeft", "doubleSpinBoxBezelRight",
                                                              "doubleSpinBoxBezelTop", "doubleSpinBoxBezelBottom"}[k])
                    ->setValue(values[k].toDouble());
            return int(panel.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
        };
        click("pushButtonPanelSize");
        desktop.dialogHandler = nullptr;
        const auto expect = [&](const char* seam, int filled, int kept) {
            QCOMPARE(w<QSpinBox>(seam)->value(), panel.isEmpty() ? kept : filled);
        };
        expect("spinBoxCoveringHorizontal2", across, 3);
        expect("spinBoxCoveringHorizontal7", across, 0);
        expect("spinBoxCoveringHorizontal_X", across, 0);
        expect("spinBoxCoveringVertical1", down, 0);
        expect("spinBoxCoveringVertical_X", down, 3);
        QJsonObject top;
        page->WriteConfiguration(top);
        QCOMPARE(top.value("BezelTopMm").toString().toDouble(), panel.section(' ', 4, 4).toDouble());
        QCOMPARE(top.contains("PanelWidthMm"), !panel.isEmpty());
    }

    void loading()
    {
        prepare(1, 1);
        QCOMPARE(desktop.askedCaptions, QStringList{"Load image"});
        QCOMPARE(desktop.askedFilters,
                 QStringList{"Images and videos (*.png *.xpm *.jpg *.bmp *.jpeg *.pbm *.pgm *.ppm *.xbm "
                             "*.mp4 *.mkv *.mov *.avi *.webm *.m4v *.mxf *.ts *.mpg *.mpeg)"});
        QCOMPARE(text("labelImageSize"), QStringLiteral("64 x 36"));
        QCOMPARE(enabled(), QStringLiteral("Refresh"));
        QCOMPARE(w<QGraphicsView>("graphicsViewSource")->scene()->items().size(), 1);

        load(QString());                             // cancelled: nothing said
        load(folder.filePath("does-not-exist.png")); // reported; the loaded image stays
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(text("labelImageSize"), QStringLiteral("64 x 36"));

        QFile bad(folder.filePath("broken.png"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not an image") > 0);
        bad.close();
        load(bad.fileName()); // reported, and the page has no image any more
        QCOMPARE(desktop.messages.size(), 2);
        QCOMPARE(desktop.messages[1].text, QStringLiteral("Error while loading image file in Covering menu."));
        QCOMPARE(desktop.messages[1].title, QStringLiteral("KV Quillex"));
        QCOMPARE(text("labelImageSize"), QStringLiteral("0 x 0"));
        QCOMPARE(enabled(), QString());
        QVERIFY(w<QGraphicsView>("graphicsViewSource")->scene()->items().isEmpty());
    }

    void cropping()
    {
        prepare(1, 1);
        auto* left = w<QSpinBox>("spinBoxCropLeft");
        QVERIFY(!left->isEnabled());
        QCOMPARE(w<QSpinBox>("spinBoxCropRight")->maximum(), 64);
        w<QCheckBox>("checkBoxCropSource")->setChecked(true);
        left->setValue(30);
        QCOMPARE(w<QSpinBox>("spinBoxCropRight")->maximum(), 33);
        w<QCheckBox>("checkBoxCropSource")->setChecked(false);
        QCOMPARE(left->value() + w<QSpinBox>("spinBoxCropRight")->value(), 0);
        QVERIFY(!left->isEnabled());
    }

    // The grid and margins on show held back the counts and margins read.
    void setUpReadOverAnotherGivesWhatAFreshPageGets()
    {
        prepare(5, 7);                   // columns now at most 5
        set("spinBoxCropRight", 5 * 64); // and the left margin at most 0
        const QString small = folder.filePath("small.png");
        QVERIFY(NoiseImage(30, 20).save(small));
        page->ReadConfiguration({{"ScreenW", "8"}, {"ScreenH", "4"}, {"PicturePath", small}, {"CropLeft", "20"}});
        QCOMPARE(text("labelScreenPixelSize"), QStringLiteral("8 x 4")); // outputs of one pixel
        QCOMPARE(w<QSpinBox>("spinBoxCropLeft")->value(), 20);
        QCOMPARE(w<QSpinBox>("spinBoxCropRight")->maximum(), 9);
    }

    void sizeAndPositionEnabling()
    {
        click("customSizeRadioButton");
        click("customPosRadioButton");
        QVERIFY(w("pushButtonLocker")->isEnabled() && w("spinBoxCustomPosWidth")->isEnabled());
        click("fullscreenRadioButton");
        QVERIFY(!w("pushButtonLocker")->isEnabled() && !w("customPosRadioButton")->isEnabled());
        QVERIFY(!w("spinBoxCustomPosHeight")->isEnabled());
        click("originalSizeRadioButton"); // the custom position is remembered
        QVERIFY(!w("spinBoxCustomSizeWidth")->isEnabled() && w("spinBoxCustomPosHeight")->isEnabled());
        click("centeredRadioButton");
        QVERIFY(!w("spinBoxCustomPosWidth")->isEnabled());
    }

    void aspectRatioLock()
    {
        QVERIFY(QTest::qWaitForWindowExposed(page));
        click("customSizeRadioButton");
        auto* width = w<QSpinBox>("spinBoxCustomSizeWidth");
        auto* height = w<QSpinBox>("spinBoxCustomSizeHeight");
        auto type = [](QSpinBox* box, int value) {
            box->setFocus();
            QTRY_VERIFY(box->hasFocus());
            box->setValue(value);
        };
        height->setValue(77);
        click("pushButtonLocker");
        type(width, 400); // without an image there is no ratio to keep
        QCOMPARE(height->value(), 77);
        click("pushButtonLocker");

        QVERIFY(NoiseImage(1920, 1080).save(folder.filePath("hd.png")));
        load(folder.filePath("hd.png"));
        width->setValue(1000);
        QCOMPARE(height->value(), 77); // not locked
        click("pushButtonLocker");
        QCOMPARE(height->value(), 563);
        type(height, 500);
        QCOMPARE(width->value(), 889);
        width->setFocus(); // a value set by the program does not bounce back
        QTRY_VERIFY(width->hasFocus());
        height->setValue(100);
        QCOMPARE(width->value(), 889);
    }

    void backgroundColour()
    {
        desktop.colorAnswers.enqueue(QColor(12, 34, 56));
        click("toolButtonColor");
        click("toolButtonColor"); // cancelled: the colour stays
        QCOMPARE(page->Model().backgroundColor, QColor(12, 34, 56));
        click("radioButtonTransparency");
        QVERIFY(!w("labelColor")->isEnabled() && !w("toolButtonColor")->isEnabled());
        click("radioButtonColor");
        QVERIFY(w("labelColor")->isEnabled());
    }

    void refreshAndSaveStates()
    {
        QCOMPARE(enabled(), QString());
        prepare(3, 2);
        QCOMPARE(enabled(), QStringLiteral("Refresh"));
        click("pushButtonGenerate");
        QVERIFY(desktop.messages.isEmpty());
        QCOMPARE(enabled(), QStringLiteral("Save"));
        QCOMPARE(previewCells(), 6);
        w<QSlider>("horizontalSliderQuality")->setValue(73); // only its label changes
        QCOMPARE(text("labelQuality"), QStringLiteral("Picture quality: 73%"));
        QCOMPARE(enabled(), QStringLiteral("Save"));
        w<QCheckBox>("checkBoxSoftEdge")->setChecked(true);
        QCOMPARE(enabled(), QStringLiteral("Refresh"));
        click("pushButtonGenerate");
        set("spinBoxCoveringHorizontal1", 3);
        QCOMPARE(enabled(), QStringLiteral("Refresh"));
        QCOMPARE(previewCells(), 6); // the old result stays on show until the next refresh
    }

    void failedRefreshKeepsTheResult_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("outputSize");
        QTest::addColumn<int>("viewWidth");
        QTest::newRow("view too small for the cells") << 8 << 64 << 150;
        QTest::newRow("6 x 6 outputs of 4096") << 6 << 4096 << 0;
    }
    void failedRefreshKeepsTheResult()
    {
        QFETCH(int, count);
        QFETCH(int, outputSize);
        QFETCH(int, viewWidth);
        prepare(2, 1);
        click("pushButtonGenerate");
        const QImage before = page->ResultImages()[1][0];
        set("spinBoxScreenW", count);
        set("spinBoxScreenH", count == 8 ? 1 : count);
        set("spinBoxOutputWidth", outputSize);
        set("spinBoxOutputHeight", outputSize);
        if (viewWidth)
            w("graphicsViewResult")->setFixedWidth(viewWidth);
        click("pushButtonGenerate");
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(desktop.messages[0].text,
                 QStringLiteral("Unable to preview the result. Try reducing output size or screen size!"));
        QCOMPARE(enabled(), QStringLiteral("Refresh"));
        if (!viewWidth)
            COMPARE_IMAGES(page->ResultImages()[1][0], before);
    }

    void savesEveryOutput_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("typed prefix") << "wall/:\\"
                                      << "source.png"
                                      << QStringList{"wall_0_0.png", "wall_0_1.png", "wall_1_0.png", "wall_1_1.png"};
        QTest::newRow("empty prefix: the image's base name")
            << ""
            << "show.final.png" << QStringList{"show_0_0.png", "show_0_1.png", "show_1_0.png", "show_1_1.png"};
    }
    void savesEveryOutput()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, image);
        QFETCH(QStringList, files);
        prepare(2, 2, image);
        click("pushButtonGenerate");
        QTemporaryDir out;
        click("pushButtonSave"); // no folder chosen: nothing happens
        QVERIFY(desktop.openedUrls.isEmpty());
        save(prefix, out.path());
        QCOMPARE(desktop.askedCaptions.last(), QStringLiteral("Select the folder where images will be saved"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name), files);
        for (int k = 0; k < 4; ++k)
            COMPARE_IMAGES(QImage(out.filePath(files[k])), page->ResultImages()[k / 2][k % 2]);
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(out.path())});
        QVERIFY(desktop.messages.isEmpty());
    }

    void failedWriteIsReported()
    {
        prepare(2, 1);
        click("pushButtonGenerate");
        QTemporaryDir out;
        QVERIFY(QDir(out.path()).mkdir("x_0_0.png")); // a folder cannot be written over
        save("x", out.path());
        QVERIFY(QFileInfo(out.filePath("x_1_0.png")).isFile()); // the others are still written
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QVERIFY2(desktop.messages[0].text.contains("x_0_0.png"), qPrintable(desktop.messages[0].text));
        QVERIFY(!desktop.messages[0].text.contains("x_1_0.png"));
        w<QLineEdit>("lineEditBaseName")->setText("../x"); // as a set-up file could hold it
        desktop.directoryAnswers.enqueue(out.path());
        click("pushButtonSave");
        QCOMPARE(desktop.messages.size(), 2);
        QVERIFY(!QFileInfo(out.filePath("../x_1_0.png")).exists());
    }
};

QTEST_MAIN(TestCoveringPage)
#include "tst_covering_page.moc"
