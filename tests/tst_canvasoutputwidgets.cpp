#include "KvOutputSettingsWidget.h"
#include "KvPushOutputButton.h"
#include "ScalarTypes.h"

#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

namespace
{
// Every value signal of a settings widget, in order, as "name id value".
struct SettingsLog
{
    explicit SettingsLog(CLASS_KV_OUTPUT_SETTINGS_WIDGET& widget)
    {
        auto record = [this](const char* name) {
            return [this, name](SDWord id, SDWord value) {
                entries << QStringLiteral("%1 %2 %3").arg(QLatin1String(name)).arg(id).arg(value);
            };
        };
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_PosXValueChanged, record("x"));
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_PosYValueChanged, record("y"));
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_WidthValueChanged, record("w"));
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_HeightValueChanged, record("h"));
    }
    QStringList entries;
};

// A panel as the page makes it for a 1920 x 1080 screen.
CLASS_KV_OUTPUT_SETTINGS_WIDGET* MakePanel(unsigned int id = 2)
{
    return new CLASS_KV_OUTPUT_SETTINGS_WIDGET(id, QStringLiteral("Output 3"), 0, 1920, 0, 1080, 0, 1920, 0, 1080,
                                               QMargins(0, 0, 0, 0));
}

// The spin boxes in the order the panel shows them.
QList<QSpinBox*> SpinBoxes(QWidget& widget)
{
    return widget.findChildren<QSpinBox*>();
}
} // namespace

class TestCanvasOutputWidgets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { RegisterScalarTypeNames(); }

    void buttonStyleSheet_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QString>("styleSheet");
        QTest::newRow("#3499cd") << QColor("#3499cd") << "border: 1px solid#3499cd;color: #3499cd;";
        QTest::newRow("#e31f1d") << QColor("#e31f1d") << "border: 1px solid#e31f1d;color: #e31f1d;";
        QTest::newRow("alpha dropped")
            << QColor(0xFA, 0xF1, 0x9A, 40) << "border: 1px solid#faf19a;color: #faf19a;";
    }
    void buttonStyleSheet()
    {
        QFETCH(QColor, color);
        QFETCH(QString, styleSheet);
        CLASS_KV_PUSH_OUTPUT_BUTTON button(0, color);
        QCOMPARE(button.styleSheet(), styleSheet);
        QVERIFY(button.isCheckable());
        QVERIFY(!button.isChecked());
        QCOMPARE(button.metaObject()->className(), "CLASS_KV_PUSH_OUTPUT_BUTTON");
    }

    void setButtonColorKeepsBorderWidthToTheApplication()
    {
        CLASS_KV_PUSH_OUTPUT_BUTTON button(0, QColor("#3499cd"));
        button.SetButtonColor(QColor("#56AB36"));
        QCOMPARE(button.styleSheet(), QStringLiteral("border-color: #56ab36;color: #56ab36;"));
    }

    void clickCarriesCheckedStateAndId_data()
    {
        QTest::addColumn<unsigned int>("id");
        QTest::addColumn<int>("carried");
        QTest::newRow("0") << 0u << 0;
        QTest::newRow("15") << 15u << 15;
        QTest::newRow("32767") << 32767u << 32767;
        QTest::newRow("40000 wraps") << 40000u << -25536;
        QTest::newRow("65535 wraps") << 65535u << -1;
    }
    void clickCarriesCheckedStateAndId()
    {
        QFETCH(unsigned int, id);
        QFETCH(int, carried);
        CLASS_KV_PUSH_OUTPUT_BUTTON button(id, QColor("#2f4895"));
        button.setText(QStringLiteral("Output 1"));
        button.show();
        QSignalSpy spy(&button, &CLASS_KV_PUSH_OUTPUT_BUTTON::SIGNAL_KVPushButtonOutputClicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).value<Bool>(), true);
        QCOMPARE(spy.at(0).at(1).value<SWord>(), SWord(carried));
        QCOMPARE(spy.at(1).at(0).value<Bool>(), false);
        QCOMPARE(button.GetID(), DWord(id));
    }

    void renumberedButtonCarriesNewId()
    {
        CLASS_KV_PUSH_OUTPUT_BUTTON button(5, QColor("#2f4895"));
        button.show();
        button.SetID(1);
        QCOMPARE(button.GetID(), DWord(1));
        QSignalSpy spy(&button, &CLASS_KV_PUSH_OUTPUT_BUTTON::SIGNAL_KVPushButtonOutputClicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(1).value<SWord>(), SWord(1));
    }

    // The application style sheet addresses the button by its class name;
    // the button's own sheet still draws its border in the output colour.
    void styleSheetSelectsButtonByClassName()
    {
        QWidget host;
        host.setStyleSheet(QStringLiteral("CLASS_KV_PUSH_OUTPUT_BUTTON { background-color: #000000; }"
                                          "CLASS_KV_PUSH_OUTPUT_BUTTON:checked { background-color: #cecece; }"));
        auto* button = new CLASS_KV_PUSH_OUTPUT_BUTTON(0, QColor("#e31f1d"), &host);
        button->setGeometry(0, 0, 120, 40);
        host.resize(120, 40);
        host.show();

        QImage image = button->grab().toImage();
        QCOMPARE(image.pixelColor(0, 20), QColor("#e31f1d"));
        QCOMPARE(image.pixelColor(4, 4), QColor("#000000"));
        button->setChecked(true);
        image = button->grab().toImage();
        QCOMPARE(image.pixelColor(0, 20), QColor("#e31f1d"));
        QCOMPARE(image.pixelColor(4, 4), QColor("#cecece"));
    }

    void panelShowsLabelRowsAndRanges()
    {
        QScopedPointer<CLASS_KV_OUTPUT_SETTINGS_WIDGET> panel(new CLASS_KV_OUTPUT_SETTINGS_WIDGET(
            4, QStringLiteral("Left wall"), 10, 100, 20, 200, 30, 300, 40, 400, QMargins(1, 2, 3, 4)));
        QCOMPARE(panel->metaObject()->className(), "CLASS_KV_OUTPUT_SETTINGS_WIDGET");
        QCOMPARE(panel->GetID(), DWord(4));

        // Title first, then the frame holding the four rows.
        auto* main = qobject_cast<QVBoxLayout*>(panel->layout());
        QVERIFY(main);
        QCOMPARE(main->contentsMargins(), QMargins(1, 2, 3, 4));
        QCOMPARE(main->count(), 2);
        auto* title = qobject_cast<QLabel*>(main->itemAt(0)->widget());
        QVERIFY(title);
        QCOMPARE(title->text(), QStringLiteral("Left wall"));
        auto* frame = qobject_cast<QFrame*>(main->itemAt(1)->widget());
        QVERIFY(frame);
        QCOMPARE(frame->layout()->count(), 4);

        const QStringList captions{"pos X:", "pos Y:", "width:", "height:"};
        const QList<int> minimums{10, 20, 30, 40};
        const QList<int> maximums{100, 200, 300, 400};
        for (int row = 0; row < 4; ++row) {
            QLayout* line = frame->layout()->itemAt(row)->layout();
            QVERIFY(line);
            QCOMPARE(line->count(), 2);
            auto* caption = qobject_cast<QLabel*>(line->itemAt(0)->widget());
            auto* spinBox = qobject_cast<QSpinBox*>(line->itemAt(1)->widget());
            QVERIFY(caption && spinBox);
            QCOMPARE(caption->text(), captions.at(row));
            QCOMPARE(spinBox->minimum(), minimums.at(row));
            QCOMPARE(spinBox->maximum(), maximums.at(row));
            // Starts at 0, clamped into its range.
            QCOMPARE(spinBox->value(), minimums.at(row));
            QCOMPARE(spinBox, SpinBoxes(*panel).at(row));
        }
        QCOMPARE(panel->GetPosXValue(), 10);
        QCOMPARE(panel->GetHeightValue(), 40);

        panel->SetContentsMarginsMainLayout(QMargins(0, 0, 0, 0));
        QCOMPARE(main->contentsMargins(), QMargins(0, 0, 0, 0));
    }

    void typingIntoSpinBoxReportsIdAndValue()
    {
        QScopedPointer<CLASS_KV_OUTPUT_SETTINGS_WIDGET> panel(MakePanel(2));
        panel->show();
        SettingsLog log(*panel);
        QSpinBox* width = SpinBoxes(*panel).at(2);
        width->setFocus();
        width->selectAll();
        QTest::keyClicks(width, QStringLiteral("100"));
        QVERIFY(!log.entries.isEmpty());
        QCOMPARE(log.entries.last(), QStringLiteral("w 2 100"));
        QCOMPARE(panel->GetWidthValue(), 100);
        for (const QString& entry : log.entries)
            QVERIFY2(entry.startsWith(QLatin1String("w 2 ")), qPrintable(entry));
    }

    void settersReportOnlyChanges()
    {
        QScopedPointer<CLASS_KV_OUTPUT_SETTINGS_WIDGET> panel(MakePanel(2));
        SettingsLog log(*panel);
        panel->SetPosXValue(340);
        panel->SetPosYValue(60);
        panel->SetWidthValue(640);
        panel->SetHeightValue(360);
        QCOMPARE(log.entries, (QStringList{"x 2 340", "y 2 60", "w 2 640", "h 2 360"}));

        log.entries.clear();
        panel->ChangeSpinBoxValue(340, 60, 640, 360);
        QCOMPARE(log.entries, QStringList());

        panel->ChangeSpinBoxValue(341, 61, 641, 361);
        QCOMPARE(log.entries, (QStringList{"x 2 341", "y 2 61", "w 2 641", "h 2 361"}));

        log.entries.clear();
        panel->ChangeSpinBoxValue(341, 70, 641, 300);
        QCOMPARE(log.entries, (QStringList{"y 2 70", "h 2 300"}));

        log.entries.clear();
        panel->SetID(0);
        QCOMPARE(panel->GetID(), DWord(0));
        panel->SetWidthValue(10);
        QCOMPARE(log.entries, QStringList{"w 0 10"});
    }

    void valuesAreClampedIntoRanges_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("above") << QList<int>{5000, 5000, 5000, 5000} << QList<int>{1920, 1080, 1920, 1080};
        QTest::newRow("below") << QList<int>{-5, -1, -100, -2} << QList<int>{0, 0, 0, 0};
        QTest::newRow("inside") << QList<int>{1, 2, 3, 4} << QList<int>{1, 2, 3, 4};
    }
    void valuesAreClampedIntoRanges()
    {
        QFETCH(QList<int>, values);
        QFETCH(QList<int>, expected);
        QScopedPointer<CLASS_KV_OUTPUT_SETTINGS_WIDGET> panel(MakePanel());
        panel->ChangeSpinBoxValue(values.at(0), values.at(1), values.at(2), values.at(3));
        QCOMPARE((QList<int>{panel->GetPosXValue(), panel->GetPosYValue(), panel->GetWidthValue(),
                             panel->GetHeightValue()}),
                 expected);
    }

    // A smaller screen narrows the ranges; values outside are clamped and
    // reported, in the order x, y, width, height.
    void narrowingRangesClampsAndReports()
    {
        QScopedPointer<CLASS_KV_OUTPUT_SETTINGS_WIDGET> panel(MakePanel(1));
        panel->ChangeSpinBoxValue(1000, 100, 900, 700);
        SettingsLog log(*panel);
        panel->ChangeSpinBoxRange(0, 800, 0, 600, 0, 800, 0, 600);
        QCOMPARE(log.entries, (QStringList{"x 1 800", "w 1 800", "h 1 600"}));
        QCOMPARE(panel->GetPosYValue(), 100);

        log.entries.clear();
        panel->ChangeSpinBoxRange(0, 1920, 0, 1080, 0, 1920, 0, 1080);
        QCOMPARE(log.entries, QStringList());
        panel->SetWidthValue(1500);
        QCOMPARE(panel->GetWidthValue(), 1500);

        log.entries.clear();
        panel->SetHeightMinMax(650, 700);
        QCOMPARE(log.entries, QStringList{"h 1 650"});
    }

    void styleSheetSelectsPanelFrameByClassName()
    {
        QWidget host;
        host.setStyleSheet(QStringLiteral("CLASS_KV_OUTPUT_SETTINGS_WIDGET > QFrame"
                                          " { background: #2F2F2F; border: 1px solid #6C6C6C; }"));
        auto* layout = new QVBoxLayout(&host);
        auto* panel = MakePanel();
        layout->addWidget(panel);
        host.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host));

        auto* frame = panel->findChild<QFrame*>(QString(), Qt::FindDirectChildrenOnly);
        QVERIFY(frame);
        const QImage image = frame->grab().toImage();
        QCOMPARE(image.pixelColor(0, image.height() / 2), QColor("#6c6c6c"));
        QCOMPARE(image.pixelColor(3, 3), QColor("#2f2f2f"));
    }
};

QTEST_MAIN(TestCanvasOutputWidgets)
#include "tst_canvasoutputwidgets.moc"
