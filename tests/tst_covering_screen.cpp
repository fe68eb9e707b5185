#include "PageCoveringOption.h"
#include "WidgetSupport.h"

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

    static QStringList comboTexts(QComboBox* combo)
    {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    }
    static QSpinBox* box(QWidget& page, const QString& name) { return Child<QSpinBox>(page, qPrintable(name)); }
    static QString text(QWidget& page, const char* label) { return Child<QLabel>(page, label)->text(); }

private slots:
    void readOuts_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QSize>("output");
        QTest::addColumn<int>("horizontal");
        QTest::addColumn<int>("vertical");
        QTest::addColumn<QString>("pixelSize");
        QTest::addColumn<QString>("coveredSize");
        const QSize hd(1920, 1080);
        QTest::newRow("one output") << 1 << 1 << hd << 0 << 0 << "1920 x 1080" << "1920 x 1080";
        QTest::newRow("coverings") << 3 << 2 << hd << 100 << 40 << "5760 x 2160" << "5560 x 2120";
        QTest::newRow("negative coverings") << 2 << 2 << hd << -50 << -10 << "3840 x 2160" << "3890 x 2170";
        QTest::newRow("one row reads no vertical seam") << 2 << 1 << hd << 20 << 500 << "3840 x 1080" << "3820 x 1080";
        QTest::newRow("output size") << 2 << 1 << QSize(1280, 720) << 24 << 0 << "2560 x 720" << "2536 x 720";
    }
    void readOuts()
    {
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(QSize, output);
        QFETCH(int, horizontal);
        QFETCH(int, vertical);
        PAGE_COVERING_OPTION page;
        box(page, "spinBoxScreenW")->setValue(columns);
        box(page, "spinBoxScreenH")->setValue(rows);
        box(page, "spinBoxOutputWidth")->setValue(output.width());
        box(page, "spinBoxOutputHeight")->setValue(output.height());
        for (int k = 1; k <= 7; ++k) {
            box(page, QString("spinBoxCoveringHorizontal%1").arg(k))->setValue(horizontal);
            box(page, QString("spinBoxCoveringVertical%1").arg(k))->setValue(vertical);
        }
        QTEST(text(page, "labelScreenPixelSize"), "pixelSize");
        QTEST(text(page, "labelScreenCovPixelSize"), "coveredSize");
    }

    void seamSelectionFollowsColumnCount()
    {
        PAGE_COVERING_OPTION page;
        auto* columns = box(page, "spinBoxScreenW");
        auto* combo = Child<QComboBox>(page, "comboBoxCoveringHorizontal");
        auto* stack = Child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal");
        columns->setValue(5);
        QCOMPARE(comboTexts(combo), (QStringList{"Horizontal Covering 1  ", "Horizontal Covering 2  ",
                                                 "Horizontal Covering 3  ", "Horizontal Covering 4  "}));
        for (int k = 1; k <= 4; ++k)
            QVERIFY(box(page, QString("spinBoxCoveringHorizontal%1").arg(k))->isEnabled());
        QVERIFY(box(page, "spinBoxCoveringHorizontal_X")->isEnabled());

        combo->setCurrentIndex(2);
        QCOMPARE(stack->currentIndex(), 2);
        columns->setValue(4);  // the chosen seam still exists: kept
        QCOMPARE(combo->currentIndex(), 2);
        QCOMPARE(stack->currentIndex(), 2);
        columns->setValue(3);  // it no longer does: back to the first
        QCOMPARE(combo->currentIndex(), 0);
        QCOMPARE(stack->currentIndex(), 0);

        columns->setValue(1);
        QCOMPARE(comboTexts(combo), QStringList{"Horizontal Covering 1  "});
        QVERIFY(!box(page, "spinBoxCoveringHorizontal1")->isEnabled());
        QVERIFY(!box(page, "spinBoxCoveringHorizontal_X")->isEnabled());
    }

    void rowMaximumFollowsColumnCount()
    {
        PAGE_COVERING_OPTION page;
        auto* columns = box(page, "spinBoxScreenW");
        auto* rows = box(page, "spinBoxScreenH");
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
    }

    void allSeamsButtons()
    {
        PAGE_COVERING_OPTION page;
        box(page, "spinBoxScreenW")->setValue(3);
        box(page, "spinBoxCoveringHorizontal1")->setValue(7);
        box(page, "spinBoxCoveringHorizontal2")->setValue(9);
        box(page, "spinBoxCoveringHorizontal_X")->setValue(100);
        auto* button = Child<QPushButton>(page, "pushButtonCoveringHorizontal");
        auto* combo = Child<QComboBox>(page, "comboBoxCoveringHorizontal");
        auto* stack = Child<QStackedWidget>(page, "stackedWidgetCoveringHorizontal");
        QCOMPARE(text(page, "labelScreenCovPixelSize"), QStringLiteral("5744 x 1080"));

        combo->setCurrentIndex(1);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(button->isChecked());
        QVERIFY(!combo->isEnabled());
        QCOMPARE(stack->currentIndex(), 7);
        QCOMPARE(text(page, "labelScreenCovPixelSize"), QStringLiteral("5560 x 1080"));
        box(page, "spinBoxScreenW")->setValue(4);  // the common box stays shown
        QCOMPARE(stack->currentIndex(), 7);
        QCOMPARE(text(page, "labelScreenCovPixelSize"), QStringLiteral("7380 x 1080"));

        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(combo->isEnabled());
        QCOMPARE(stack->currentIndex(), combo->currentIndex());
        QCOMPARE(text(page, "labelScreenCovPixelSize"), QStringLiteral("7664 x 1080"));

        box(page, "spinBoxScreenH")->setValue(2);
        box(page, "spinBoxCoveringVertical_X")->setValue(-30);
        QTest::mouseClick(Child<QPushButton>(page, "pushButtonCoveringVertical"), Qt::LeftButton);
        QCOMPARE(text(page, "labelScreenCovPixelSize"), QStringLiteral("7664 x 2190"));
        QCOMPARE(Child<QStackedWidget>(page, "stackedWidgetCoveringVertical")->currentIndex(), 7);
    }
};

QTEST_MAIN(TestCoveringScreen)
#include "tst_covering_screen.moc"
