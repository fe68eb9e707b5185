#include "PageCoveringOption.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

    QString imageFile(int width, int height, const QString& name = QStringLiteral("source.png"))
    {
        const QString path = folder.filePath(name);
        if (!NoiseImage(width, height).save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    void load(PAGE_COVERING_OPTION& page, const QString& path)
    {
        desktop.openFileAnswers.enqueue(path);
        QTest::mouseClick(Child<QPushButton>(page, "pushButtonLoadImg"), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
    }
    void init()
    {
        desktop.messages.clear();
        desktop.askedCaptions.clear();
        desktop.askedFilters.clear();
    }

    void loadingShowsSizeAndAllowsRefresh()
    {
        PAGE_COVERING_OPTION page;
        page.resize(1223, 763);
        page.show();
        load(page, imageFile(800, 600));
        QCOMPARE(desktop.askedCaptions, QStringList{"Load image"});
        QCOMPARE(desktop.askedFilters,
                 QStringList{"Images (*.png *.xpm *.jpg *.bmp *.jpeg *.pbm *.pgm *.ppm *.xbm)"});
        QVERIFY(desktop.messages.isEmpty());
        QCOMPARE(Child<QLabel>(page, "labelImageSize")->text(), QStringLiteral("800 x 600"));
        QVERIFY(Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(!Child<QPushButton>(page, "pushButtonSave")->isEnabled());
        QCOMPARE(Child<QGraphicsView>(page, "graphicsViewSource")->scene()->items().size(), 1);
    }

    void unreadableFileIsReported()
    {
        PAGE_COVERING_OPTION page;
        load(page, imageFile(40, 30));
        QFile bad(folder.filePath("broken.png"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not an image");
        bad.close();
        load(page, bad.fileName());

        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].text, QStringLiteral("Error while loading image file in Covering menu."));
        QCOMPARE(desktop.messages[0].title, QStringLiteral("KV Quillex"));
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Information);
        QCOMPARE(Child<QLabel>(page, "labelImageSize")->text(), QStringLiteral("0 x 0"));
        QVERIFY(!Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(Child<QGraphicsView>(page, "graphicsViewSource")->scene()->items().isEmpty());
    }

    void cancelledOrMissingFileChangesNothing()
    {
        PAGE_COVERING_OPTION page;
        load(page, imageFile(40, 30));
        load(page, QString());
        QVERIFY(desktop.messages.isEmpty());

        // A name that no longer exists is reported, but the loaded image stays.
        load(page, folder.filePath("does-not-exist.png"));
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(Child<QLabel>(page, "labelImageSize")->text(), QStringLiteral("40 x 30"));
        QVERIFY(Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
    }

    void cropLimits()
    {
        PAGE_COVERING_OPTION page;
        load(page, imageFile(800, 600));
        auto* left = Child<QSpinBox>(page, "spinBoxCropLeft");
        auto* right = Child<QSpinBox>(page, "spinBoxCropRight");
        auto* top = Child<QSpinBox>(page, "spinBoxCropTop");
        auto* bottom = Child<QSpinBox>(page, "spinBoxCropBottom");
        QVERIFY(!left->isEnabled());
        QCOMPARE(left->maximum(), 800);
        QCOMPARE(right->maximum(), 800);
        QCOMPARE(top->maximum(), 600);
        QCOMPARE(bottom->maximum(), 600);

        Child<QCheckBox>(page, "checkBoxCropSource")->setChecked(true);
        QVERIFY(left->isEnabled());
        QVERIFY(Child<QLabel>(page, "labelCropBottom")->isEnabled());
        left->setValue(300);
        QCOMPARE(right->maximum(), 499);
        top->setValue(100);
        QCOMPARE(bottom->maximum(), 499);
        right->setValue(499);
        QCOMPARE(left->maximum(), 300);

        Child<QCheckBox>(page, "checkBoxCropSource")->setChecked(false);
        QCOMPARE(left->value(), 0);
        QCOMPARE(right->value(), 0);
        QCOMPARE(top->value(), 0);
        QCOMPARE(bottom->value(), 0);
        QVERIFY(!left->isEnabled());
    }

    void sizeAndPositionEnabling()
    {
        PAGE_COVERING_OPTION page;
        auto* fullscreen = Child<QRadioButton>(page, "fullscreenRadioButton");
        auto* original = Child<QRadioButton>(page, "originalSizeRadioButton");
        auto* custom = Child<QRadioButton>(page, "customSizeRadioButton");
        auto* centred = Child<QRadioButton>(page, "centeredRadioButton");
        auto* customPos = Child<QRadioButton>(page, "customPosRadioButton");
        auto* locker = Child<QPushButton>(page, "pushButtonLocker");
        auto* width = Child<QSpinBox>(page, "spinBoxCustomSizeWidth");
        auto* posX = Child<QSpinBox>(page, "spinBoxCustomPosWidth");
        auto* posY = Child<QSpinBox>(page, "spinBoxCustomPosHeight");
        page.show();

        QVERIFY(!centred->isEnabled() && !customPos->isEnabled() && !locker->isEnabled());
        QTest::mouseClick(original, Qt::LeftButton);
        QVERIFY(centred->isEnabled() && customPos->isEnabled());
        QVERIFY(!posX->isEnabled() && !locker->isEnabled() && !width->isEnabled());
        QTest::mouseClick(customPos, Qt::LeftButton);
        QVERIFY(posX->isEnabled() && posY->isEnabled());
        QTest::mouseClick(custom, Qt::LeftButton);
        QVERIFY(locker->isEnabled() && width->isEnabled() && posX->isEnabled());
        QTest::mouseClick(fullscreen, Qt::LeftButton);
        QVERIFY(!centred->isEnabled() && !customPos->isEnabled());
        QVERIFY(!posX->isEnabled() && !posY->isEnabled() && !locker->isEnabled() && !width->isEnabled());
        QTest::mouseClick(original, Qt::LeftButton);
        QVERIFY(centred->isEnabled() && customPos->isEnabled() && posX->isEnabled());
        QTest::mouseClick(centred, Qt::LeftButton);
        QVERIFY(!posX->isEnabled() && !posY->isEnabled());
    }

    void aspectRatioLock()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        load(page, imageFile(1920, 1080));
        QTest::mouseClick(Child<QRadioButton>(page, "customSizeRadioButton"), Qt::LeftButton);
        auto* width = Child<QSpinBox>(page, "spinBoxCustomSizeWidth");
        auto* height = Child<QSpinBox>(page, "spinBoxCustomSizeHeight");
        width->setValue(1000);
        QCOMPARE(height->value(), 0);  // not locked yet

        QTest::mouseClick(Child<QPushButton>(page, "pushButtonLocker"), Qt::LeftButton);
        QCOMPARE(height->value(), 563);  // 562.5 rounds up

        height->setFocus();
        QTRY_VERIFY(height->hasFocus());
        height->setValue(500);
        QCOMPARE(width->value(), 889);  // 888.9

        // A value set by the program does not bounce back through the other box.
        width->setFocus();
        QTRY_VERIFY(width->hasFocus());
        height->setValue(100);
        QCOMPARE(width->value(), 889);
    }

    void lockWithoutImageDoesNotFault()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        QTest::mouseClick(Child<QRadioButton>(page, "customSizeRadioButton"), Qt::LeftButton);
        auto* width = Child<QSpinBox>(page, "spinBoxCustomSizeWidth");
        auto* height = Child<QSpinBox>(page, "spinBoxCustomSizeHeight");
        height->setValue(77);
        width->setValue(300);
        QTest::mouseClick(Child<QPushButton>(page, "pushButtonLocker"), Qt::LeftButton);
        QCOMPARE(height->value(), 77);
        width->setFocus();
        width->setValue(400);
        QCOMPARE(height->value(), 77);
    }

    void backgroundColour()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        auto* label = Child<QLabel>(page, "labelColor");
        desktop.colorAnswers.enqueue(QColor(12, 34, 56));
        QTest::mouseClick(Child<QToolButton>(page, "toolButtonColor"), Qt::LeftButton);
        QCOMPARE(label->styleSheet(), QStringLiteral("QLabel { background-color : rgb(12, 34, 56); }"));

        // Cancelling keeps the colour.
        QTest::mouseClick(Child<QToolButton>(page, "toolButtonColor"), Qt::LeftButton);
        QCOMPARE(label->styleSheet(), QStringLiteral("QLabel { background-color : rgb(12, 34, 56); }"));

        QTest::mouseClick(Child<QRadioButton>(page, "radioButtonTransparency"), Qt::LeftButton);
        QVERIFY(!label->isEnabled());
        QVERIFY(!Child<QToolButton>(page, "toolButtonColor")->isEnabled());
        QTest::mouseClick(Child<QRadioButton>(page, "radioButtonColor"), Qt::LeftButton);
        QVERIFY(label->isEnabled());
    }

    void qualitySliderOnlyChangesItsLabel()
    {
        PAGE_COVERING_OPTION page;
        load(page, imageFile(64, 36));
        auto* refresh = Child<QPushButton>(page, "pushButtonGenerate");
        QVERIFY(refresh->isEnabled());
        QVERIFY(QMetaObject::invokeMethod(&page, "setRefreshNeeded", Q_ARG(bool, false)));
        Child<QSlider>(page, "horizontalSliderQuality")->setValue(73);
        QCOMPARE(Child<QLabel>(page, "labelQuality")->text(), QStringLiteral("Picture quality: 73%"));
        QVERIFY(!refresh->isEnabled());
        QVERIFY(!page.IsRefreshNeeded());
    }

    void prefixAcceptsOnlySafeCharacters_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("plain") << "wall-1.left side" << "wall-1.left side";
        QTest::newRow("slash") << "a/b" << "ab";
        QTest::newRow("colon") << "c:d" << "cd";
        QTest::newRow("backslash") << "e\\f" << "ef";
    }
    void prefixAcceptsOnlySafeCharacters()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        PAGE_COVERING_OPTION page;
        page.show();
        auto* edit = Child<QLineEdit>(page, "lineEditBaseName");
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), kept);
    }
};

QTEST_MAIN(TestCoveringControls)
#include "tst_covering_controls.moc"
