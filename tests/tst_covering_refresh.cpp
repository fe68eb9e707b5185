#include "PageCoveringOption.h"
#include "TestSupport.h"

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

    QString imageFile(int width, int height, const QString& name)
    {
        const QString path = folder.filePath(name);
        if (!NoiseImage(width, height).save(path))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    // A shown page with a small grid of small outputs and a loaded image.
    void prepare(PAGE_COVERING_OPTION& page, int columns, int rows, const QString& imageName = "source.png")
    {
        page.resize(1223, 763);
        page.show();
        Child<QSpinBox>(page, "spinBoxScreenW")->setValue(columns);
        Child<QSpinBox>(page, "spinBoxScreenH")->setValue(rows);
        Child<QSpinBox>(page, "spinBoxOutputWidth")->setValue(64);
        Child<QSpinBox>(page, "spinBoxOutputHeight")->setValue(36);
        desktop.openFileAnswers.enqueue(imageFile(64 * columns, 36 * rows, imageName));
        QTest::mouseClick(Child<QPushButton>(page, "pushButtonLoadImg"), Qt::LeftButton);
    }
    static int previewCells(PAGE_COVERING_OPTION& page)
    {
        QGraphicsScene* scene = Child<QGraphicsView>(page, "graphicsViewResult")->scene();
        return scene ? scene->items().size() - 1 : -1;  // the cells and their widget
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
    }
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
        QVERIFY(!refreshButton(page)->isEnabled());
        QVERIFY(!saveButton(page)->isEnabled());

        prepare(page, 3, 2);
        QVERIFY(refreshButton(page)->isEnabled());
        QVERIFY(!saveButton(page)->isEnabled());

        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QVERIFY(desktop.messages.isEmpty());
        QVERIFY(!refreshButton(page)->isEnabled());
        QVERIFY(saveButton(page)->isEnabled());
        QCOMPARE(previewCells(page), 6);
        QCOMPARE(page.ResultImages()[2][1].size(), QSize(64, 36));

        Child<QSpinBox>(page, "spinBoxCoveringHorizontal1")->setValue(3);
        QVERIFY(refreshButton(page)->isEnabled());
        QVERIFY(!saveButton(page)->isEnabled());
        // The old result stays on show until the next refresh.
        QCOMPARE(previewCells(page), 6);
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
        QVERIFY(refreshButton(page)->isEnabled());
        QVERIFY(!saveButton(page)->isEnabled());
    }

    void oversizedSetUpsFailWithoutCrashing_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("outputSize");
        QTest::addColumn<int>("customSize");
        QTest::newRow("6 x 6 outputs of 4096") << 6 << 4096 << 0;
        QTest::newRow("custom size 50000 x 50000") << 2 << 64 << 50000;
    }
    void oversizedSetUpsFailWithoutCrashing()
    {
        QFETCH(int, columns);
        QFETCH(int, outputSize);
        QFETCH(int, customSize);

        PAGE_COVERING_OPTION page;
        prepare(page, 2, 1);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        const QImage before = page.ResultImages()[1][0];
        QVERIFY(!before.isNull());

        Child<QSpinBox>(page, "spinBoxScreenW")->setValue(columns);
        Child<QSpinBox>(page, "spinBoxScreenH")->setValue(columns == 6 ? 6 : 1);
        Child<QSpinBox>(page, "spinBoxOutputWidth")->setValue(outputSize);
        Child<QSpinBox>(page, "spinBoxOutputHeight")->setValue(outputSize);
        if (customSize) {
            QTest::mouseClick(Child<QRadioButton>(page, "customSizeRadioButton"), Qt::LeftButton);
            Child<QSpinBox>(page, "spinBoxCustomSizeWidth")->setValue(customSize);
            Child<QSpinBox>(page, "spinBoxCustomSizeHeight")->setValue(customSize);
        }
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);

        QCOMPARE(desktop.messages.size(), 1);
        QCOMPARE(desktop.messages[0].icon, QMessageBox::Warning);
        QVERIFY(page.IsRefreshNeeded());
        QVERIFY(refreshButton(page)->isEnabled());
        QVERIFY(!saveButton(page)->isEnabled());
        COMPARE_IMAGES(page.ResultImages()[1][0], before);
    }

    void savesEveryOutputInColumnThenRowOrder()
    {
        PAGE_COVERING_OPTION page;
        prepare(page, 3, 2);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QTemporaryDir out;
        Child<QLineEdit>(page, "lineEditBaseName")->setText("wall");
        desktop.directoryAnswers.enqueue(out.path());
        QTest::mouseClick(saveButton(page), Qt::LeftButton);

        QCOMPARE(desktop.askedCaptions.last(), QStringLiteral("Select the folder where images will be saved"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name),
                 (QStringList{"wall_0_0.png", "wall_0_1.png", "wall_1_0.png", "wall_1_1.png", "wall_2_0.png",
                              "wall_2_1.png"}));
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 2; ++j)
                COMPARE_IMAGES(QImage(out.filePath(QString("wall_%1_%2.png").arg(i).arg(j))),
                               page.ResultImages()[i][j]);
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(out.path())});
        QVERIFY(desktop.messages.isEmpty());
    }

    void emptyPrefixTakesTheImageBaseName()
    {
        PAGE_COVERING_OPTION page;
        prepare(page, 1, 1, "show.final.png");
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QTemporaryDir out;
        desktop.directoryAnswers.enqueue(out.path());
        QTest::mouseClick(saveButton(page), Qt::LeftButton);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"show_0_0.png"});
    }

    void cancelledFolderWritesNothing()
    {
        PAGE_COVERING_OPTION page;
        prepare(page, 2, 1);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QTest::mouseClick(saveButton(page), Qt::LeftButton);  // no answer queued: cancelled
        QVERIFY(desktop.openedUrls.isEmpty());
        QVERIFY(desktop.messages.isEmpty());
    }

    void failedWriteIsReported()
    {
        PAGE_COVERING_OPTION page;
        prepare(page, 2, 1);
        QTest::mouseClick(refreshButton(page), Qt::LeftButton);
        QTemporaryDir out;
        // A folder standing where a file should go cannot be written over.
        QVERIFY(QDir(out.path()).mkdir("x_0_0.png"));
        Child<QLineEdit>(page, "lineEditBaseName")->setText("x");
        desktop.directoryAnswers.enqueue(out.path());
        QTest::mouseClick(saveButton(page), Qt::LeftButton);

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
        Child<QLineEdit>(page, "lineEditBaseName")->setText("q100");
        desktop.directoryAnswers.enqueue(out.path());
        QTest::mouseClick(saveButton(page), Qt::LeftButton);
        Child<QSlider>(page, "horizontalSliderQuality")->setValue(50);
        Child<QLineEdit>(page, "lineEditBaseName")->setText("q50");
        desktop.directoryAnswers.enqueue(out.path());
        QTest::mouseClick(saveButton(page), Qt::LeftButton);

        // Quality 100 stores the pixels; 50 compresses them.
        QVERIFY(QFileInfo(out.filePath("q50_0_0.png")).size() < QFileInfo(out.filePath("q100_0_0.png")).size());
        COMPARE_IMAGES(QImage(out.filePath("q50_0_0.png")), QImage(out.filePath("q100_0_0.png")));
    }
};

QTEST_MAIN(TestCoveringRefresh)
#include "tst_covering_refresh.moc"
