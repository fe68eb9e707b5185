#include "canvas/KvOutputSettingsWidget.h"

CLASS_KV_OUTPUT_SETTINGS_WIDGET::CLASS_KV_OUTPUT_SETTINGS_WIDGET(unsigned int i_ID, const QString& i_Label,
                                                                 int i_PosXMin, int i_PosXMax, int i_PosYMin,
                                                                 int i_PosYMax, int i_WidthMin, int i_WidthMax,
                                                                 int i_HeightMin, int i_HeightMax,
                                                                 const QMargins& i_Margins, QWidget* i_Parent)
    : QWidget(i_Parent)
    , m_ID(i_ID)
    , m_MainLayout(this)
    , m_FrameLayout(&m_Frame)
{
    m_TitleLabel.setText(i_Label);
    m_PosXLabel.setText(QStringLiteral("pos X:"));
    m_PosYLabel.setText(QStringLiteral("pos Y:"));
    m_WidthLabel.setText(QStringLiteral("width:"));
    m_HeightLabel.setText(QStringLiteral("height:"));

    m_PosXSpinBox.setRange(i_PosXMin, i_PosXMax);
    m_PosYSpinBox.setRange(i_PosYMin, i_PosYMax);
    m_WidthSpinBox.setRange(i_WidthMin, i_WidthMax);
    m_HeightSpinBox.setRange(i_HeightMin, i_HeightMax);

    m_PosXRow.addWidget(&m_PosXLabel);
    m_PosXRow.addWidget(&m_PosXSpinBox);
    m_PosYRow.addWidget(&m_PosYLabel);
    m_PosYRow.addWidget(&m_PosYSpinBox);
    m_WidthRow.addWidget(&m_WidthLabel);
    m_WidthRow.addWidget(&m_WidthSpinBox);
    m_HeightRow.addWidget(&m_HeightLabel);
    m_HeightRow.addWidget(&m_HeightSpinBox);

    m_FrameLayout.addLayout(&m_PosXRow);
    m_FrameLayout.addLayout(&m_PosYRow);
    m_FrameLayout.addLayout(&m_WidthRow);
    m_FrameLayout.addLayout(&m_HeightRow);

    // Short texts: the panel is as narrow as the page's left column.
    m_RotationLabel.setText(QStringLiteral("turn:"));
    m_RotationComboBox.setObjectName(QStringLiteral("comboBoxOutputRotation"));
    m_RotationComboBox.addItems({QStringLiteral("0\u00b0"), QStringLiteral("90\u00b0 cw"), QStringLiteral("180\u00b0"),
                                 QStringLiteral("90\u00b0 ccw")});
    m_RotationComboBox.setToolTip(QStringLiteral("How the panel is mounted, clockwise (cw) or counter-clockwise "
                                                 "(ccw) as the viewer sees it: its file is turned the other way, so "
                                                 "that the picture reads upright"));
    m_MirrorLabel.setText(QStringLiteral("mirror:"));
    m_MirrorComboBox.setObjectName(QStringLiteral("comboBoxOutputMirror"));
    m_MirrorComboBox.addItems({QStringLiteral("none"), QStringLiteral("horiz."), QStringLiteral("vert.")});
    m_MirrorComboBox.setToolTip(QStringLiteral("For rear projection and mirrors: the file is mirrored "
                                               "horizontally (left and right swapped) or vertically, after it is "
                                               "turned"));
    m_DeviceWidthLabel.setText(QStringLiteral("dev. W:"));
    m_DeviceHeightLabel.setText(QStringLiteral("dev. H:"));
    m_DeviceWidthSpinBox.setObjectName(QStringLiteral("spinBoxOutputDeviceWidth"));
    m_DeviceHeightSpinBox.setObjectName(QStringLiteral("spinBoxOutputDeviceHeight"));
    for (QSpinBox* box : {&m_DeviceWidthSpinBox, &m_DeviceHeightSpinBox}) {
        box->setRange(0, OutputGeometry::kMaxDeviceSide);
        box->setSpecialValueText(QStringLiteral("same"));
        box->setToolTip(QStringLiteral("The output's pixels: its part of the screen is scaled to them "
                                       "(\"same\": as on the canvas)"));
    }
    // The left column is narrow: the combo boxes take the room of their
    // texts, not of the longest one the style would reserve.
    for (QComboBox* box : {&m_RotationComboBox, &m_MirrorComboBox}) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(4);
        box->setStyleSheet(QStringLiteral("QComboBox { min-width: 3em; }"));
    }
    // Beside the rectangle's rows, so that the panel keeps its height and
    // the page its layout.
    m_PosXRow.addWidget(&m_RotationLabel);
    m_PosXRow.addWidget(&m_RotationComboBox);
    m_PosYRow.addWidget(&m_MirrorLabel);
    m_PosYRow.addWidget(&m_MirrorComboBox);
    m_WidthRow.addWidget(&m_DeviceWidthLabel);
    m_WidthRow.addWidget(&m_DeviceWidthSpinBox);
    m_HeightRow.addWidget(&m_DeviceHeightLabel);
    m_HeightRow.addWidget(&m_DeviceHeightSpinBox);

    m_MainLayout.addWidget(&m_TitleLabel);
    m_MainLayout.addWidget(&m_Frame);
    m_MainLayout.setContentsMargins(i_Margins);

    connect(&m_PosXSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_PosXValueChanged);
    connect(&m_PosYSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_PosYValueChanged);
    connect(&m_WidthSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_WidthValueChanged);
    connect(&m_HeightSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_HeightValueChanged);
    const auto changed = [this]() { emit SIGNAL_DeviceChanged(static_cast<SDWord>(m_ID)); };
    connect(&m_RotationComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, changed);
    connect(&m_MirrorComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this, changed);
    connect(&m_DeviceWidthSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, changed);
    connect(&m_DeviceHeightSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this, changed);
}

OutputGeometry::Orientation CLASS_KV_OUTPUT_SETTINGS_WIDGET::GetOrientation() const
{
    return {m_RotationComboBox.currentIndex() * 90, m_MirrorComboBox.currentIndex()};
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetOrientation(const OutputGeometry::Orientation& i_Orientation)
{
    m_RotationComboBox.setCurrentIndex(OutputGeometry::KnownRotation(i_Orientation.rotation) / 90);
    m_MirrorComboBox.setCurrentIndex(OutputGeometry::KnownMirror(i_Orientation.mirror));
}

QSize CLASS_KV_OUTPUT_SETTINGS_WIDGET::GetDeviceValues() const
{
    return QSize(m_DeviceWidthSpinBox.value(), m_DeviceHeightSpinBox.value());
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetDeviceValues(const QSize& i_Device)
{
    m_DeviceWidthSpinBox.setValue(i_Device.width());
    m_DeviceHeightSpinBox.setValue(i_Device.height());
}

CLASS_KV_OUTPUT_SETTINGS_WIDGET::~CLASS_KV_OUTPUT_SETTINGS_WIDGET() = default;

DWord CLASS_KV_OUTPUT_SETTINGS_WIDGET::GetID() const
{
    return m_ID;
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetID(int i_ID)
{
    m_ID = static_cast<DWord>(i_ID);
}

int CLASS_KV_OUTPUT_SETTINGS_WIDGET::GetPosXValue() const
{
    return m_PosXSpinBox.value();
}

int CLASS_KV_OUTPUT_SETTINGS_WIDGET::GetPosYValue() const
{
    return m_PosYSpinBox.value();
}

int CLASS_KV_OUTPUT_SETTINGS_WIDGET::GetWidthValue() const
{
    return m_WidthSpinBox.value();
}

int CLASS_KV_OUTPUT_SETTINGS_WIDGET::GetHeightValue() const
{
    return m_HeightSpinBox.value();
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetPosXValue(int i_Value)
{
    m_PosXSpinBox.setValue(i_Value);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetPosYValue(int i_Value)
{
    m_PosYSpinBox.setValue(i_Value);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetWidthValue(int i_Value)
{
    m_WidthSpinBox.setValue(i_Value);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetHeightValue(int i_Value)
{
    m_HeightSpinBox.setValue(i_Value);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::ChangeSpinBoxValue(int i_X, int i_Y, int i_Width, int i_Height)
{
    SetPosXValue(i_X);
    SetPosYValue(i_Y);
    SetWidthValue(i_Width);
    SetHeightValue(i_Height);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::ChangeSpinBoxRange(int i_PosXMin, int i_PosXMax, int i_PosYMin, int i_PosYMax,
                                                         int i_WidthMin, int i_WidthMax, int i_HeightMin,
                                                         int i_HeightMax)
{
    SetPosXMinMax(i_PosXMin, i_PosXMax);
    SetPosYMinMax(i_PosYMin, i_PosYMax);
    SetWidthMinMax(i_WidthMin, i_WidthMax);
    SetHeightMinMax(i_HeightMin, i_HeightMax);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetPosXMinMax(int i_Min, int i_Max)
{
    m_PosXSpinBox.setRange(i_Min, i_Max);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetPosYMinMax(int i_Min, int i_Max)
{
    m_PosYSpinBox.setRange(i_Min, i_Max);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetWidthMinMax(int i_Min, int i_Max)
{
    m_WidthSpinBox.setRange(i_Min, i_Max);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetHeightMinMax(int i_Min, int i_Max)
{
    m_HeightSpinBox.setRange(i_Min, i_Max);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SetContentsMarginsMainLayout(QMargins i_Margins)
{
    m_MainLayout.setContentsMargins(i_Margins);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_PosXValueChanged(SDWord i_Value)
{
    emit SIGNAL_PosXValueChanged(static_cast<SDWord>(m_ID), i_Value);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_PosYValueChanged(SDWord i_Value)
{
    emit SIGNAL_PosYValueChanged(static_cast<SDWord>(m_ID), i_Value);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_WidthValueChanged(SDWord i_Value)
{
    emit SIGNAL_WidthValueChanged(static_cast<SDWord>(m_ID), i_Value);
}

void CLASS_KV_OUTPUT_SETTINGS_WIDGET::SLOT_HeightValueChanged(SDWord i_Value)
{
    emit SIGNAL_HeightValueChanged(static_cast<SDWord>(m_ID), i_Value);
}
