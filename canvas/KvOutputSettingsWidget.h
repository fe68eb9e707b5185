#pragma once

#include "core/common/ScalarTypes.h"
#include "core/geometry/OutputGeometry.h"

#include <QComboBox>

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMargins>
#include <QSpinBox>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

// The panel of one canvas output: its name, four spin boxes for the
// position and size of its rectangle in screen pixels, how its panel is
// mounted (comboBoxOutputRotation, comboBoxOutputMirror) and the size of
// its file (spinBoxOutputDeviceWidth, spinBoxOutputDeviceHeight; 0 shows
// "same" and keeps the rectangle's side). Every value change,
// typed or set by code, is reported with the output's number. The
// application style sheet styles the frame and labels through this class
// name, so the children carry no object names.
class CLASS_KV_OUTPUT_SETTINGS_WIDGET : public QWidget
{
    Q_OBJECT

public:
    CLASS_KV_OUTPUT_SETTINGS_WIDGET(unsigned int i_ID, const QString& i_Label, int i_PosXMin, int i_PosXMax,
                                    int i_PosYMin, int i_PosYMax, int i_WidthMin, int i_WidthMax, int i_HeightMin,
                                    int i_HeightMax, const QMargins& i_Margins, QWidget* i_Parent = nullptr);
    ~CLASS_KV_OUTPUT_SETTINGS_WIDGET() override;

    DWord GetID() const;
    void SetID(int i_ID);

    int GetPosXValue() const;
    int GetPosYValue() const;
    int GetWidthValue() const;
    int GetHeightValue() const;
    void SetPosXValue(int i_Value);
    void SetPosYValue(int i_Value);
    void SetWidthValue(int i_Value);
    void SetHeightValue(int i_Value);

    // Sets the four values in the order x, y, width, height; each change
    // emits its own signal.
    void ChangeSpinBoxValue(int i_X, int i_Y, int i_Width, int i_Height);
    // Sets the four ranges in the same order; a narrowed range clamps the
    // value, which emits its signal.
    void ChangeSpinBoxRange(int i_PosXMin, int i_PosXMax, int i_PosYMin, int i_PosYMax, int i_WidthMin, int i_WidthMax,
                            int i_HeightMin, int i_HeightMax);

    void SetPosXMinMax(int i_Min, int i_Max);
    void SetPosYMinMax(int i_Min, int i_Max);
    void SetWidthMinMax(int i_Min, int i_Max);
    void SetHeightMinMax(int i_Min, int i_Max);

    void SetContentsMarginsMainLayout(QMargins i_Margins);

    OutputGeometry::Orientation GetOrientation() const;
    void SetOrientation(const OutputGeometry::Orientation& i_Orientation);
    // The device boxes as they stand: 0 for "same".
    QSize GetDeviceValues() const;
    void SetDeviceValues(const QSize& i_Device);

signals:
    void SIGNAL_PosXValueChanged(SDWord i_ID, SDWord i_Value);
    void SIGNAL_PosYValueChanged(SDWord i_ID, SDWord i_Value);
    void SIGNAL_WidthValueChanged(SDWord i_ID, SDWord i_Value);
    void SIGNAL_HeightValueChanged(SDWord i_ID, SDWord i_Value);
    // The mounting or the device size changed.
    void SIGNAL_DeviceChanged(SDWord i_ID);

protected slots:
    void SLOT_PosXValueChanged(SDWord i_Value);
    void SLOT_PosYValueChanged(SDWord i_Value);
    void SLOT_WidthValueChanged(SDWord i_Value);
    void SLOT_HeightValueChanged(SDWord i_Value);

private:
    // Members are destroyed in reverse order: rows before their widgets,
    // widgets before the frame, the frame before the main layout.
    DWord m_ID;
    QVBoxLayout m_MainLayout;
    QLabel m_TitleLabel;
    QFrame m_Frame;
    QVBoxLayout m_FrameLayout;
    QLabel m_RotationLabel;
    QComboBox m_RotationComboBox;
    QLabel m_MirrorLabel;
    QComboBox m_MirrorComboBox;
    QLabel m_DeviceWidthLabel;
    QSpinBox m_DeviceWidthSpinBox;
    QLabel m_DeviceHeightLabel;
    QSpinBox m_DeviceHeightSpinBox;
    QLabel m_PosXLabel;
    QSpinBox m_PosXSpinBox;
    QHBoxLayout m_PosXRow;
    QLabel m_PosYLabel;
    QSpinBox m_PosYSpinBox;
    QHBoxLayout m_PosYRow;
    QLabel m_WidthLabel;
    QSpinBox m_WidthSpinBox;
    QHBoxLayout m_WidthRow;
    QLabel m_HeightLabel;
    QSpinBox m_HeightSpinBox;
    QHBoxLayout m_HeightRow;
};
