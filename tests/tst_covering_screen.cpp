#include "PageCoveringOption.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QtTest>

// The screen and covering controls of the covering page, driven as a user would.
class TestCoveringScreen : public QObject
{
    Q_OBJECT

    template <typename T>
    static T* child(QWidget& page, const char* name)
    {
        T* widget = page.findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("missing widget %s", name);
        return widget;
    }
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
        QCOMPARE(comboTexts(child<QComboBox>(page, "comboBoxCoveringHorizontal")),
                 QStringList{"Horizontal Covering 1  "});
        QCOMPARE(comboTexts(child<QComboBox>(page, "comboBoxCoveringVertical")),
                 QStringList{"Vertical Covering 1"});
        for (const char* name : {"spinBoxCoveringHorizontal1", "spinBoxCoveringHorizontal_X",
                                 "spinBoxCoveringVertical1", "spinBoxCoveringVertical_X"})
            QVERIFY2(!child<QSpinBox>(page, name)->isEnabled(), name);
        QCOMPARE(child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal")->currentIndex(), 0);
        QCOMPARE(child<QStackedWidget>(page, "stackedWidgetCoveringVertical")->currentIndex(), 0);
        QCOMPARE(child<QLabel>(page, "labelScreenPixelSize")->text(), QStringLiteral("1920 x 1080"));
        QCOMPARE(child<QLabel>(page, "labelScreenCovPixelSize")->text(), QStringLiteral("1920 x 1080"));
        QCOMPARE(child<QLabel>(page, "labelQuality")->text(), QStringLiteral("Picture quality: 100%"));
        QVERIFY(!child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(!child<QPushButton>(page, "pushButtonSave")->isEnabled());
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
        child<QSpinBox>(page, "spinBoxScreenW")->setValue(columns);
        child<QSpinBox>(page, "spinBoxScreenH")->setValue(rows);
        for (int k = 1; k <= 7; ++k) {
            child<QSpinBox>(page, qPrintable(QString("spinBoxCoveringHorizontal%1").arg(k)))->setValue(horizontal);
            child<QSpinBox>(page, qPrintable(QString("spinBoxCoveringVertical%1").arg(k)))->setValue(vertical);
        }
        QCOMPARE(child<QLabel>(page, "labelScreenPixelSize")->text(), pixelSize);
        QCOMPARE(child<QLabel>(page, "labelScreenCovPixelSize")->text(), coveredSize);
    }

    void outputSizeUpdatesBothReadOuts()
    {
        PAGE_COVERING_OPTION page;
        child<QSpinBox>(page, "spinBoxScreenW")->setValue(2);
        child<QSpinBox>(page, "spinBoxCoveringHorizontal1")->setValue(24);
        child<QSpinBox>(page, "spinBoxOutputWidth")->setValue(1280);
        child<QSpinBox>(page, "spinBoxOutputHeight")->setValue(720);
        QCOMPARE(child<QLabel>(page, "labelScreenPixelSize")->text(), QStringLiteral("2560 x 720"));
        QCOMPARE(child<QLabel>(page, "labelScreenCovPixelSize")->text(), QStringLiteral("2536 x 720"));
    }

    void seamSelectionFollowsColumnCount()
    {
        PAGE_COVERING_OPTION page;
        auto* columns = child<QSpinBox>(page, "spinBoxScreenW");
        auto* combo = child<QComboBox>(page, "comboBoxCoveringHorizontal");
        auto* stack = child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal");

        columns->setValue(5);
        QCOMPARE(comboTexts(combo),
                 (QStringList{"Horizontal Covering 1  ", "Horizontal Covering 2  ",
                              "Horizontal Covering 3  ", "Horizontal Covering 4  "}));
        for (int k = 1; k <= 4; ++k)
            QVERIFY(child<QSpinBox>(page, qPrintable(QString("spinBoxCoveringHorizontal%1").arg(k)))->isEnabled());
        QVERIFY(child<QSpinBox>(page, "spinBoxCoveringHorizontal_X")->isEnabled());

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
        QVERIFY(!child<QSpinBox>(page, "spinBoxCoveringHorizontal1")->isEnabled());
        QVERIFY(!child<QSpinBox>(page, "spinBoxCoveringHorizontal_X")->isEnabled());
    }

    void rowMaximumFollowsColumnCount()
    {
        PAGE_COVERING_OPTION page;
        auto* columns = child<QSpinBox>(page, "spinBoxScreenW");
        auto* rows = child<QSpinBox>(page, "spinBoxScreenH");
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
        child<QSpinBox>(page, "spinBoxScreenW")->setValue(3);
        child<QSpinBox>(page, "spinBoxCoveringHorizontal1")->setValue(7);
        child<QSpinBox>(page, "spinBoxCoveringHorizontal2")->setValue(9);
        child<QSpinBox>(page, "spinBoxCoveringHorizontal_X")->setValue(100);
        auto* button = child<QPushButton>(page, "pushButtonCoveringHorizontal");
        auto* combo = child<QComboBox>(page, "comboBoxCoveringHorizontal");
        auto* stack = child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal");
        auto* covered = child<QLabel>(page, "labelScreenCovPixelSize");
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
        child<QSpinBox>(page, "spinBoxScreenW")->setValue(4);
        QCOMPARE(stack->currentIndex(), 7);
        QCOMPARE(covered->text(), QStringLiteral("7380 x 1080"));

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!button->isChecked());
        QVERIFY(combo->isEnabled());
        QCOMPARE(stack->currentIndex(), combo->currentIndex());
        QCOMPARE(covered->text(), QStringLiteral("7664 x 1080"));

        auto* vertical = child<QPushButton>(page, "pushButtonCoveringVertical");
        child<QSpinBox>(page, "spinBoxScreenH")->setValue(2);
        child<QSpinBox>(page, "spinBoxCoveringVertical_X")->setValue(-30);
        QTest::mouseClick(vertical, Qt::LeftButton);
        QCOMPARE(covered->text(), QStringLiteral("7664 x 2190"));
        QCOMPARE(child<QStackedWidget>(page, "stackedWidgetCoveringVertical")->currentIndex(), 7);
    }

    void everyChangeMarksStaleButNeedsAnImage()
    {
        PAGE_COVERING_OPTION page;
        child<QSpinBox>(page, "spinBoxScreenW")->setValue(2);
        QVERIFY(page.IsRefreshNeeded());
        // No image loaded: nothing to refresh, nothing to save.
        QVERIFY(!child<QPushButton>(page, "pushButtonGenerate")->isEnabled());
        QVERIFY(!child<QPushButton>(page, "pushButtonSave")->isEnabled());
    }
};

QTEST_MAIN(TestCoveringScreen)
#include "tst_covering_screen.moc"
