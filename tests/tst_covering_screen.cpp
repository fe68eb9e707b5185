#include "PageCoveringOption.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QtTest>

#include "TestSupport.h"

// The screen and covering controls of the covering page, driven as a user would.
class TestCoveringScreen : public QObject
{
    Q_OBJECT

    static QStringList comboTexts(QComboBox* combo)
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    }

private slots:
    void startsAsOneByOne()
    {
        PAGE_COVERING_OPTION page;
        QCOMPARE(comboTexts(Child<QComboBox>(page, "comboBoxCoveringHorizontal")),
                 QStringList{"Horizontal Covering 1  "});
        QCOMPARE(comboTexts(Child<QComboBox>(page, "comboBoxCoveringVertical")),
                 QStringList{"Vertical Covering 1"});
        for (const char* name : {"spinBoxCoveringHorizontal1", "spinBoxCoveringHorizontal_X",
                                 "spinBoxCoveringVertical1", "spinBoxCoveringVertical_X"})
            QVERIFY2(!Child<QSpinBox>(page, name)->isEnabled(), name);
        QCOMPARE(Child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal")->currentIndex(), 0);
        QCOMPARE(Child<QStackedWidget>(page, "stackedWidgetCoveringVertical")->currentIndex(), 0);
        QCOMPARE(Child<QLabel>(page, "labelScreenPixelSize")->text(), QStringLiteral("1920 x 1080"));
        QCOMPARE(Child<QLabel>(page, "labelScreenCovPixelSize")->text(), QStringLiteral("1920 x 1080"));
        QCOMPARE(Child<QLabel>(page, "labelQuality")->text(), QStringLiteral("Picture quality: 100%"));
        QVERIFY(!Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(!Child<QPushButton>(page, "pushButtonSave")->isEnabled());
    }

    void readOuts_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        QTest::addColumn<QString>("pixelSize");
        QTest::addColumn<QString>("coveredSize");
        QTest::newRow("grid without covering") << 3 << 2 << 0 << 0 << "5760 x 2160" << "5760 x 2160";
        QTest::newRow("coverings") << 3 << 2 << 100 << 40 << "5760 x 2160" << "5560 x 2120";
        QTest::newRow("negative coverings") << 2 << 2 << -50 << -10 << "3840 x 2160" << "3890 x 2170";
        QTest::newRow("one row reads no vertical seam") << 2 << 1 << 20 << 500 << "3840 x 1080" << "3820 x 1080";
    }
    void readOuts()
    {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        QFETCH(QString, pixelSize);
        QFETCH(QString, coveredSize);

        PAGE_COVERING_OPTION page;
        Child<QSpinBox>(page, "spinBoxScreenW")->setValue(columns);
        Child<QSpinBox>(page, "spinBoxScreenH")->setValue(rows);
        for (int k = 1; k <= 7; ++k) {
            Child<QSpinBox>(page, qPrintable(QString("spinBoxCoveringHorizontal%1").arg(k)))->setValue(horizontal);
            Child<QSpinBox>(page, qPrintable(QString("spinBoxCoveringVertical%1").arg(k)))->setValue(vertical);
        }
        QCOMPARE(Child<QLabel>(page, "labelScreenPixelSize")->text(), pixelSize);
        QCOMPARE(Child<QLabel>(page, "labelScreenCovPixelSize")->text(), coveredSize);
    }

    void outputSizeUpdatesBothReadOuts()
    {
        PAGE_COVERING_OPTION page;
        Child<QSpinBox>(page, "spinBoxScreenW")->setValue(2);
        Child<QSpinBox>(page, "spinBoxCoveringHorizontal1")->setValue(24);
        Child<QSpinBox>(page, "spinBoxOutputWidth")->setValue(1280);
        Child<QSpinBox>(page, "spinBoxOutputHeight")->setValue(720);
        QCOMPARE(Child<QLabel>(page, "labelScreenPixelSize")->text(), QStringLiteral("2560 x 720"));
        QCOMPARE(Child<QLabel>(page, "labelScreenCovPixelSize")->text(), QStringLiteral("2536 x 720"));
    }

    void seamSelectionFollowsColumnCount()
    {
        PAGE_COVERING_OPTION page;
        auto* columns = Child<QSpinBox>(page, "spinBoxScreenW");
        auto* combo = Child<QComboBox>(page, "comboBoxCoveringHorizontal");
        auto* stack = Child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal");

        columns->setValue(5);
        QCOMPARE(comboTexts(combo),
                 (QStringList{"Horizontal Covering 1  ", "Horizontal Covering 2  ",
                              "Horizontal Covering 3  ", "Horizontal Covering 4  "}));
        for (int k = 1; k <= 4; ++k)
            QVERIFY(Child<QSpinBox>(page, qPrintable(QString("spinBoxCoveringHorizontal%1").arg(k)))->isEnabled());
        QVERIFY(Child<QSpinBox>(page, "spinBoxCoveringHorizontal_X")->isEnabled());

        combo->setCurrentIndex(2);
        QCOMPARE(stack->currentIndex(), 2);
        columns->setValue(4);
        QCOMPARE(combo->currentIndex(), 2);
        QCOMPARE(stack->currentIndex(), 2);
        columns->setValue(3);
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(stack->currentIndex(), 0);

        columns->setValue(1);
        QCOMPARE(comboTexts(combo), QStringList{"Horizontal Covering 1  "});
        QVERIFY(!Child<QSpinBox>(page, "spinBoxCoveringHorizontal1")->isEnabled());
        QVERIFY(!Child<QSpinBox>(page, "spinBoxCoveringHorizontal_X")->isEnabled());
    }

    void rowMaximumFollowsColumnCount()
    {
        PAGE_COVERING_OPTION page;
        auto* columns = Child<QSpinBox>(page, "spinBoxScreenW");
        auto* rows = Child<QSpinBox>(page, "spinBoxScreenH");
        columns->setValue(8);
        QCOMPARE(rows->maximum(), 4);
        columns->setValue(5);
        QCOMPARE(rows->maximum(), 7);
        columns->setValue(2);
        QCOMPARE(rows->maximum(), 8);
        rows->setValue(7);
        QCOMPARE(columns->maximum(), 5);
        columns->setValue(8);  // clamped by the rule
        QCOMPARE(columns->value(), 5);
        rows->setValue(1);
        QCOMPARE(columns->maximum(), 8);
    }

    void allSeamsButtons()
    {
        PAGE_COVERING_OPTION page;
        Child<QSpinBox>(page, "spinBoxScreenW")->setValue(3);
        Child<QSpinBox>(page, "spinBoxCoveringHorizontal1")->setValue(7);
        Child<QSpinBox>(page, "spinBoxCoveringHorizontal2")->setValue(9);
        Child<QSpinBox>(page, "spinBoxCoveringHorizontal_X")->setValue(100);
        auto* button = Child<QPushButton>(page, "pushButtonCoveringHorizontal");
        auto* combo = Child<QComboBox>(page, "comboBoxCoveringHorizontal");
        auto* stack = Child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal");
        auto* covered = Child<QLabel>(page, "labelScreenCovPixelSize");
        QCOMPARE(covered->text(), QStringLiteral("5744 x 1080"));

        combo->setCurrentIndex(1);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->isChecked());
        QVERIFY(!combo->isEnabled());
        QCOMPARE(stack->currentIndex(), 7);
        QCOMPARE(covered->text(), QStringLiteral("5560 x 1080"));
        QCOMPARE(page.Model().columnOffsets[1], 100);
        QCOMPARE(page.Model().columnOffsets[2], 200);

        // The common box stays shown when the column count changes.
        Child<QSpinBox>(page, "spinBoxScreenW")->setValue(4);
        QCOMPARE(stack->currentIndex(), 7);
        QCOMPARE(covered->text(), QStringLiteral("7380 x 1080"));

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isChecked());
        QVERIFY(combo->isEnabled());
        QCOMPARE(stack->currentIndex(), combo->currentIndex());
        QCOMPARE(covered->text(), QStringLiteral("7664 x 1080"));

        auto* vertical = Child<QPushButton>(page, "pushButtonCoveringVertical");
        Child<QSpinBox>(page, "spinBoxScreenH")->setValue(2);
        Child<QSpinBox>(page, "spinBoxCoveringVertical_X")->setValue(-30);
        QTest::mouseClick(vertical, Qt::LeftButton);
        QCOMPARE(covered->text(), QStringLiteral("7664 x 2190"));
        QCOMPARE(Child<QStackedWidget>(page, "stackedWidgetCoveringVertical")->currentIndex(), 7);
    }

    void everyChangeMarksStaleButNeedsAnImage()
    {
        PAGE_COVERING_OPTION page;
        Child<QSpinBox>(page, "spinBoxScreenW")->setValue(2);
        QVERIFY(page.IsRefreshNeeded());
        // No image loaded: nothing to refresh, nothing to save.
        QVERIFY(!Child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(!Child<QPushButton>(page, "pushButtonSave")->isEnabled());
    }
};

QTEST_MAIN(TestCoveringScreen)
#include "tst_covering_screen.moc"
