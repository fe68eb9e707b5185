#include "KvOutputSettingsWidget.h"
#include "KvPushOutputButton.h"
#include "ScalarTypes.h"

#include <QSignalSpy>
#include <QSpinBox>
#include <QtTest>

#include <memory>

namespace
{
// Every value signal of a settings widget, in order, as "name id value".
struct SettingsLog
{
    explicit SettingsLog(CLASS_KV_OUTPUT_SETTINGS_WIDGET& widget)
    {
        auto record = [this](const char* name) {
            return [this, name](SDWord id, SDWord value) { entries << QStringLiteral("%1 %2 %3").arg(name).arg(id).arg(value); };
        };
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_PosXValueChanged, record("x"));
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_PosYValueChanged, record("y"));
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_WidthValueChanged, record("w"));
        QObject::connect(&widget, &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SIGNAL_HeightValueChanged, record("h"));
    }
    QStringList take()
    {
        QStringList taken;
        taken.swap(entries);
        return taken;
    }
    QStringList entries;
};

// Output 2's panel as the page makes it for a 1920 x 1080 screen.
std::unique_ptr<CLASS_KV_OUTPUT_SETTINGS_WIDGET> MakePanel()
{
    return std::make_unique<CLASS_KV_OUTPUT_SETTINGS_WIDGET>(2, QStringLiteral("Output 3"), 0, 1920, 0, 1080, 0, 1920,
                                                             0, 1080, QMargins(0, 0, 0, 0));
}
} // namespace

class TestCanvasOutputWidgets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { RegisterScalarTypeNames(); }

    void buttonStyleSheet()
    {
        CLASS_KV_PUSH_OUTPUT_BUTTON button(0, QColor(0xFA, 0xF1, 0x9A, 40)); // alpha dropped
        QCOMPARE(button.styleSheet(), QStringLiteral("border: 1px solid#faf19a;color: #faf19a;"));
        QVERIFY(button.isCheckable());
        // A new colour leaves the border width to the application sheet.
        button.SetButtonColor(QColor("#56AB36"));
        QCOMPARE(button.styleSheet(), QStringLiteral("border-color: #56ab36;color: #56ab36;"));
    }

    void clickCarriesCheckedStateAnd16BitId_data()
    {
        QTest::addColumn<unsigned int>("id");
        QTest::addColumn<int>("carried");
        QTest::newRow("15") << 15u << 15;
        QTest::newRow("40000 wraps") << 40000u << -25536;
    }
    void clickCarriesCheckedStateAnd16BitId()
    {
        QFETCH(unsigned int, id);
        QFETCH(int, carried);
        CLASS_KV_PUSH_OUTPUT_BUTTON button(id, QColor("#2f4895"));
        button.show();
        QSignalSpy spy(&button, &CLASS_KV_PUSH_OUTPUT_BUTTON::SIGNAL_KVPushButtonOutputClicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).value<Bool>(), true);
        QCOMPARE(spy.at(0).at(1).value<SWord>(), SWord(carried));
        QCOMPARE(spy.at(1).at(0).value<Bool>(), false);
    }

    void typingIntoSpinBoxReportsIdAndValue()
    {
        auto panel = MakePanel();
        panel->show();
        SettingsLog log(*panel);
        QSpinBox* width = panel->findChildren<QSpinBox*>().at(2);
        width->setFocus();
        width->selectAll();
        QTest::keyClicks(width, QStringLiteral("100"));
        QCOMPARE(log.entries, (QStringList{"w 2 1", "w 2 10", "w 2 100"}));
    }

    void settersReportOnlyChangesInOrder()
    {
        auto panel = MakePanel();
        SettingsLog log(*panel);
        panel->ChangeSpinBoxValue(340, 60, 640, 360);
        QCOMPARE(log.take(), (QStringList{"x 2 340", "y 2 60", "w 2 640", "h 2 360"}));
        panel->ChangeSpinBoxValue(340, 60, 640, 360);
        QCOMPARE(log.take(), QStringList());
        panel->ChangeSpinBoxValue(340, 70, 640, 300);
        QCOMPARE(log.take(), (QStringList{"y 2 70", "h 2 300"}));
        panel->SetID(0);
        panel->SetWidthValue(10);
        QCOMPARE(log.take(), QStringList{"w 0 10"});
    }

    // Values outside are clamped; a smaller screen narrows the ranges, and
    // the clamped values are reported in the order x, y, width, height.
    void valuesClampedIntoRanges()
    {
        auto panel = MakePanel();
        panel->ChangeSpinBoxValue(5000, -5, 900, 700);
        QCOMPARE((QList<int>{panel->GetPosXValue(), panel->GetPosYValue(), panel->GetWidthValue(),
                             panel->GetHeightValue()}),
                 (QList<int>{1920, 0, 900, 700}));
        SettingsLog log(*panel);
        panel->ChangeSpinBoxRange(0, 800, 0, 600, 0, 800, 0, 600);
        QCOMPARE(log.take(), (QStringList{"x 2 800", "w 2 800", "h 2 600"}));
        panel->ChangeSpinBoxRange(0, 1920, 0, 1080, 0, 1920, 0, 1080);
        QCOMPARE(log.take(), QStringList());
    }
};

QTEST_MAIN(TestCanvasOutputWidgets)
#include "tst_canvasoutputwidgets.moc"
