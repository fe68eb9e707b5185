#include "PageCoveringOption.h"
#include "WidgetSupport.h"

#include <QDir>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

// Refresh and Save of the covering page: the state machine, the preview,
// the files written and the messages shown.
class TestCoveringRefresh : public QObject
{
    Q_OBJECT

    FakeDesktop desktop;
    QTemporaryDir folder;

    static QPushButton* refreshButton(QWidget& page) { return Child<QPushButton>(page, "pushButtonGenerate"); }
    static QPushButton* saveButton(QWidget& page) { return Child<QPushButton>(page, "pushButtonSave"); }
    // Which of Refresh and Save can be clicked.
    static QString enabled(QWidget& page)
    {
        const bool refresh = refreshButton(page)->isEnabled();
        const bool save = saveButton(page)->isEnabled();
        return refresh && save ? "Refresh Save" : refresh ? "Refresh" : save ? "Save" : "";
    }
    static void set(QWidget& page, const char* box, int value) { Child<QSpinBox>(page, box)->setValue(value); }

    // A shown page with a small grid of 64 x 36 outputs and a loaded image.
    void prepare(PAGE_COVERING_OPTION& page, int columns, int rows, const QString& imageName = "source.png")
    {
        page.resize(1223, 763);
        page.show();
        set(page, "spinBoxScreenW", columns);
        set(page, "spinBoxScreenH", rows);
        set(page, "spinBoxOutputWidth", 64);
        set(page, "spinBoxOutputHeight", 36);
        QVERIFY(NoiseImage(64 * columns, 36 * rows).save(folder.filePath(imageName)));
        desktop.openFileAnswers.enqueue(folder.filePath(imageName));
        QTest::mouseClick(Child<QPushButton>(page, "pushButtonLoadImg"), Qt::LeftButton);
    }
    void save(PAGE_COVERING_OPTION& page, const QString& prefix, const QString& where)
    {
        Child<QLineEdit>(page, "lineEditBaseName")->setText(prefix);
        desktop.directoryAnswers.enqueue(where);
        QTest::mouseClick(saveButton(page), Qt::LeftButton);
    }
    static int previewCells(PAGE_COVERING_OPTION& page)
    {
        QGraphicsScene* scene = Child<QGraphicsView>(page, "graphicsViewResult")->scene();
        return scene ? scene->items().size() - 1 : -1;  // the cells and their widget
    }

private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init()
    {
        desktop.messages.clear();
        desktop.openedUrls.clear();
        desktop.askedCaptions.clear();
    }

    void refreshAndSaveStates()
    {
        PAGE_COVERING_OPTION page;
        page.show();
        QCOMPARE(enabled(page), QString());
        set(page, "spinBoxScreenW", 2);  // stale, but nothing to refresh without an image
        QCOMPARE(enabled(page), QString());

        prepare(page, 3, 2);
        QCOMPARE(enabled(page), QStringLiteral("Refresh"));

        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QVERIFY(desktop.messages.isEmpty());
        QCOMPARE(enabled(page), QStringLiteral("Save"));
        QCOMPARE(previewCells(page), 6);
        QCOMPARE(page.ResultImages()[2][1].size(), QSize(64, 36));

        set(page, "spinBoxCoveringHorizontal1", 3);
        QCOMPARE(enabled(page), QStringLiteral("Refresh"));
        QCOMPARE(previewCells(page), 6);  // the old result stays on show until the next refresh
    }

    void tooSmallViewFailsThePreview()
    {
        PAGE_COVERING_OPTION page;
        prepare(page, 8, 1);
        Child<QGraphicsView>(page, "graphicsViewResult")->setFixedWidth(150);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(desktop.messages[0].text,
                 QStringLiteral("Unable to preview the result. Try reducing output size or screen size!"));
        QVERIFY(Child<QGraphicsView>(page, "graphicsViewResult")->scene()->items().isEmpty());
        QCOMPARE(enabled(page), QStringLiteral("Refresh"));
    }

    void oversizedSetUpsFailWithoutCrashing_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("outputSize");
        QTest::addColumn<int>("customSize");
        QTest::newRow("6 x 6 outputs of 4096") << 6 << 4096 << 0;
        QTest::newRow("custom size 50000 x 50000") << 1 << 64 << 50000;
    }
    void oversizedSetUpsFailWithoutCrashing()
    {
        QFETCH(int, count);
        QFETCH(int, outputSize);
        QFETCH(int, customSize);
        PAGE_COVERING_OPTION page;
        prepare(page, 2, 1);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        const QImage before = page.ResultImages()[1][0];
        QVERIFY(!before.isNull());

        set(page, "spinBoxScreenW", count);
        set(page, "spinBoxScreenH", count);
        set(page, "spinBoxOutputWidth", outputSize);
        set(page, "spinBoxOutputHeight", outputSize);
        if (customSize) {
            QTest::mouseClick(Child<QRadioButton>(page, "customSizeRadioButton"), Qt::LeftButton);
            set(page, "spinBoxCustomSizeWidth", customSize);
            set(page, "spinBoxCustomSizeHeight", customSize);
        }
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(enabled(page), QStringLiteral("Refresh"));
        COMPARE_IMAGES(page.ResultImages()[1][0], before);
    }

    void savesEveryOutputInColumnThenRowOrder_data()
    {
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("image");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("typed prefix") << "wall" << "source.png" << 3
            << QStringList{"wall_0_0.png", "wall_0_1.png", "wall_1_0.png", "wall_1_1.png", "wall_2_0.png",
                           "wall_2_1.png"};
        QTest::newRow("empty prefix: the image's base name") << "" << "show.final.png" << 1
            << QStringList{"show_0_0.png", "show_0_1.png"};
    }
    void savesEveryOutputInColumnThenRowOrder()
    {
        QFETCH(QString, prefix);
        QFETCH(QString, image);
        QFETCH(int, columns);
        QFETCH(QStringList, files);
        PAGE_COVERING_OPTION page;
        prepare(page, columns, 2, image);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QTemporaryDir out;
        QTest::mouseClick(saveButton(page), Qt::LeftButton);  // no folder chosen: nothing happens
        QVERIFY(desktop.openedUrls.isEmpty());
        save(page, prefix, out.path());

        QCOMPARE(desktop.askedCaptions.last(), QStringLiteral("Select the folder where images will be saved"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name), files);
        for (int i = 0; i < columns; ++i)
            for (int j = 0; j < 2; ++j)
                COMPARE_IMAGES(QImage(out.filePath(files[2 * i + j])), page.ResultImages()[i][j]);
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(out.path())});
        QVERIFY(desktop.messages.isEmpty());
    }

    void failedWriteIsReported()
    {
        PAGE_COVERING_OPTION page;
        prepare(page, 2, 1);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QTemporaryDir out;
        QVERIFY(QDir(out.path()).mkdir("x_0_0.png"));  // a folder cannot be written over
        save(page, "x", out.path());
        QVERIFY(QFileInfo(out.filePath("x_1_0.png")).isFile());  // the others are still written
        QCOMPARE(desktop.openedUrls.size(), 1);
        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QVERIFY2(desktop.messages[0].text.contains("x_0_0.png"), qPrintable(desktop.messages[0].text));
        QVERIFY(!desktop.messages[0].text.contains("x_1_0.png"));
    }

    void qualityReachesTheFiles()
    {
        PAGE_COVERING_OPTION page;
        prepare(page, 1, 1);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QTemporaryDir out;
        save(page, "q100", out.path());
        Child<QSlider>(page, "horizontalSliderQuality")->setValue(50);
        save(page, "q50", out.path());
        // Quality 100 stores the pixels; 50 compresses them.
        QVERIFY(QFileInfo(out.filePath("q50_0_0.png")).size() < QFileInfo(out.filePath("q100_0_0.png")).size());
        COMPARE_IMAGES(QImage(out.filePath("q50_0_0.png")), QImage(out.filePath("q100_0_0.png")));
    }
};

QTEST_MAIN(TestCoveringRefresh)
#include "tst_covering_refresh.moc"
