#include "canvas/KvOutputSettingsWidget.h"
#include "canvas/KvPushOutputButton.h"
#include "core/common/ScalarTypes.h"

#include <QSpinBox>
#include <QtTest>

class TestCanvasOutputWidgets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { RegisterScalarTypeNames(); }

    // The button wears the output's colour (alpha dropped) and reports its
    // checked state with the id, which travels as 16 bits.
    void buttonClicks()
    {
        CLASS_KV_PUSH_OUTPUT_BUTTON button(40000, QColor(0x34, 0x99, 0xCD, 40));
        QCOMPARE(button.styleSheet(), QStringLiteral("border: 1px solid#3499cd;color: #3499cd;"));
        button.show();
        QSignalSpy spy(&button, &CLASS_KV_PUSH_OUTPUT_BUTTON::SIGNAL_KVPushButtonOutputClicked);
        QTest::mouseClick(&button, Qt::LeftButton);
        QTest::mouseClick(&button, Qt::LeftButton);
        const QVariant id = QVariant::fromValue(SWord(-25536));
        QCOMPARE(spy, (QList<QList<QVariant>>{{true, id}, {false, id}}));
    }

    // Output 2's panel as the page makes it for a 1920 x 1080 screen: every
    // change of a value, set or keyed in, is reported with the id, in the
    // order x, y, width, height, clamped into the ranges.
    void panelReportsChanges()
    {
        using Panel = CLASS_KV_OUTPUT_SETTINGS_WIDGET;
        QStringList log;
        Panel panel(2, "Output 3", 0, 1920, 0, 1080, 0, 1920, 0, 1080, QMargins());
        int field = 0;
        for (auto signal : {&Panel::SIGNAL_PosXValueChanged, &Panel::SIGNAL_PosYValueChanged,
                            &Panel::SIGNAL_WidthValueChanged, &Panel::SIGNAL_HeightValueChanged})
            connect(&panel, signal, this, [&log, name = "xywh"[field++]](SDWord id, SDWord value) {
                log << QStringLiteral("%1 %2 %3").arg(name).arg(id).arg(value);
            });
        panel.ChangeSpinBoxValue(340, 60, 640, 360);
        panel.ChangeSpinBoxValue(340, 70, 640, 300);
        panel.ChangeSpinBoxValue(5000, -5, 900, 300);
        panel.ChangeSpinBoxRange(0, 800, 0, 600, 0, 800, 0, 600);
        QTest::keyClick(panel.findChildren<QSpinBox*>().at(2), Qt::Key_Down);
        QCOMPARE(log,
                 (QStringList{"x 2 340", "y 2 60", "w 2 640", "h 2 360", "y 2 70", "h 2 300", "x 2 1920", "y 2 0",
                              "w 2 900", "x 2 800", "w 2 800", "w 2 799"}));
    }
};

QTEST_MAIN(TestCanvasOutputWidgets)
#include "tst_canvasoutputwidgets.moc"
