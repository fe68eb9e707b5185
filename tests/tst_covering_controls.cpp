#include "PageCoveringOption.h"
#include "WidgetSupport.h"

#include <QCheckBox>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

// The covering page's source, crop, size, position, lock and background
// controls, driven through their widgets.
class TestCoveringControls : public QObject
{
    Q_OBJECT

    FakeDesktop desktop;
    QTemporaryDir folder;

    void load(PAGE_COVERING_OPTION& page, int width, int height)
    {
        const QString path = folder.filePath("source.png");
        QVERIFY(NoiseImage(width, height).save(path));
        load(page, path);
    }
    void load(PAGE_COVERING_OPTION& page, const QString& path)
    {
        desktop.openFileAnswers.enqueue(path);
        QTest::mouseClick(Child<QPushButton>(page, "pushButtonLoadImg"), Qt::LeftButton);
    }
    static QString text(PAGE_COVERING_OPTION& page, const char* label) { return Child<QLabel>(page, label)->text(); }
    static QSpinBox* box(PAGE_COVERING_OPTION& page, const char* name) { return Child<QSpinBox>(page, name); }
    static void click(PAGE_COVERING_OPTION& page, const char* name)
    {
        QTest::mouseClick(Child<QAbstractButton>(page, name), Qt::LeftButton);
    }

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init()
    {
        desktop.messages.clear();
        desktop.askedCaptions.clear();
        desktop.askedFilters.clear();
    }

    void loading()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        load(page, 800, 600);
        QCOMPARE(desktop.askedCaptions, QStringList{"Load image"});
        QCOMPARE(desktop.askedFilters, QStringList{"Images (*.png *.xpm *.jpg *.bmp *.jpeg *.pbm *.pgm *.ppm *.xbm)"});
        QCOMPARE(text(page, "labelImageSize"), QStringLiteral("800 x 600"));
        QVERIFY(Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(!Child<QPushButton>(page, "pushButtonSave")->isEnabled());
        QCOMPARE(Child<QGraphicsView>(page, "graphicsViewSource")->scene()->items().size(), 1);

        load(page, QString());  // cancelled: nothing said
        load(page, folder.filePath("does-not-exist.png"));  // reported; the loaded image stays
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(text(page, "labelImageSize"), QStringLiteral("800 x 600"));
        QVERIFY(Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());

        // A file that is no image is reported and leaves the page without an image.
        QFile bad(folder.filePath("broken.png"));
        QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write("not an image") > 0);
        bad.close();
        load(page, bad.fileName());
        QCOMPARE(desktop.messages.size(), 2);
        QCOMPARE(desktop.messages[1].text, QStringLiteral("Error while loading image file in Covering menu."));
        QCOMPARE(desktop.messages[1].title, QStringLiteral("KV Quillex"));
        QCOMPARE(desktop.messages[1].icon, QMessageBox::Information);
        QCOMPARE(text(page, "labelImageSize"), QStringLiteral("0 x 0"));
        QVERIFY(!Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(Child<QGraphicsView>(page, "graphicsViewSource")->scene()->items().isEmpty());
    }

    void cropLimits()
    {
        PAGE_COVERING_OPTION page;
        load(page, 800, 600);
        auto* left = box(page, "spinBoxCropLeft");
        QVERIFY(!left->isEnabled());
        QCOMPARE(box(page, "spinBoxCropRight")->maximum(), 800);
        Child<QCheckBox>(page, "checkBoxCropSource")->setChecked(true);
        QVERIFY(left->isEnabled());
        left->setValue(300);
        QCOMPARE(box(page, "spinBoxCropRight")->maximum(), 499);
        box(page, "spinBoxCropTop")->setValue(100);
        QCOMPARE(box(page, "spinBoxCropBottom")->maximum(), 499);
        box(page, "spinBoxCropRight")->setValue(499);
        QCOMPARE(left->maximum(), 300);

        Child<QCheckBox>(page, "checkBoxCropSource")->setChecked(false);
        for (const char* name : {"spinBoxCropLeft", "spinBoxCropRight", "spinBoxCropTop", "spinBoxCropBottom"})
            QCOMPARE(box(page, name)->value(), 0);
        QVERIFY(!left->isEnabled());
    }

    void sizeAndPositionEnabling_data()
    {
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("full screen") << "" << "";
        QTest::newRow("original, centred") << "original" << "centred position";
        QTest::newRow("original at a position") << "original position" << "centred position x y";
        QTest::newRow("custom, centred") << "custom" << "centred position lock width height";
        QTest::newRow("custom at a position") << "original position custom" << "centred position x y lock width height";
        QTest::newRow("back to full screen") << "custom position full" << "";
        QTest::newRow("original again: position kept") << "original position full original" << "centred position x y";
        QTest::newRow("centred again") << "original position centred" << "centred position";
    }
    void sizeAndPositionEnabling()
    {
        QFETCH(QString, clicks);
        QFETCH(QString, enabled);
        const QMap<QString, const char*> names = {
            {"full", "fullscreenRadioButton"}, {"original", "originalSizeRadioButton"},
            {"custom", "customSizeRadioButton"}, {"centred", "centeredRadioButton"},
            {"position", "customPosRadioButton"}, {"x", "spinBoxCustomPosWidth"}, {"y", "spinBoxCustomPosHeight"},
            {"lock", "pushButtonLocker"}, {"width", "spinBoxCustomSizeWidth"}, {"height", "spinBoxCustomSizeHeight"}};
        PAGE_COVERING_OPTION page;
        page.show();
        for (const QString& name : clicks.split(' ', Qt::SkipEmptyParts))
            click(page, names[name]);
        QStringList actual;
        for (const char* name : {"centred", "position", "x", "y", "lock", "width", "height"})
            if (Child<QWidget>(page, names[name])->isEnabled())
                actual << name;
        QCOMPARE(actual.join(' '), enabled);
    }

    void aspectRatioLock()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        click(page, "customSizeRadioButton");
        auto* width = box(page, "spinBoxCustomSizeWidth");
        auto* height = box(page, "spinBoxCustomSizeHeight");
        auto type = [](QSpinBox* box, int value) {
            box->setFocus();
            QTRY_VERIFY(box->hasFocus());
            box->setValue(value);
        };
        // Without an image the lock has no ratio to keep, and does not fault.
        height->setValue(77);
        width->setValue(300);
        click(page, "pushButtonLocker");
        type(width, 400);
        QCOMPARE(height->value(), 77);
        click(page, "pushButtonLocker");

        load(page, 1920, 1080);
        width->setValue(1000);
        QCOMPARE(height->value(), 77);  // not locked
        click(page, "pushButtonLocker");
        QCOMPARE(height->value(), 563);  // 562.5 rounds up
        type(height, 500);
        QCOMPARE(width->value(), 889);  // 888.9
        // A value set by the program does not bounce back through the other box.
        width->setFocus();
        QTRY_VERIFY(width->hasFocus());
        height->setValue(100);
        QCOMPARE(width->value(), 889);
    }

    void backgroundColour()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        auto* label = Child<QLabel>(page, "labelColor");
        desktop.colorAnswers.enqueue(QColor(12, 34, 56));
        click(page, "toolButtonColor");
        click(page, "toolButtonColor");  // cancelled: the colour stays
        QCOMPARE(label->styleSheet(), QStringLiteral("QLabel { background-color : rgb(12, 34, 56); }"));
        click(page, "radioButtonTransparency");
        QVERIFY(!label->isEnabled());
        QVERIFY(!Child<QToolButton>(page, "toolButtonColor")->isEnabled());
        click(page, "radioButtonColor");
        QVERIFY(label->isEnabled());
    }

    void qualitySliderOnlyChangesItsLabel()
    {
        PAGE_COVERING_OPTION page;
        page.resize(1223, 763);
        page.show();
        load(page, 64, 36);
        click(page, "pushButtonGenerate");
        Child<QSlider>(page, "horizontalSliderQuality")->setValue(73);
        QCOMPARE(text(page, "labelQuality"), QStringLiteral("Picture quality: 73%"));
        QVERIFY(!Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(Child<QPushButton>(page, "pushButtonSave")->isEnabled());
    }

    void prefixAcceptsOnlySafeCharacters()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        auto* edit = Child<QLineEdit>(page, "lineEditBaseName");
        QTest::keyClicks(edit, "wall-1.left side/:\\x");
        QCOMPARE(edit->text(), QStringLiteral("wall-1.left sidex"));  // no slash, colon or backslash
    }
};

QTEST_MAIN(TestCoveringControls)
#include "tst_covering_controls.moc"
