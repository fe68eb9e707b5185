#include "canvas/KvPushOutputButton.h"

CLASS_KV_PUSH_OUTPUT_BUTTON::CLASS_KV_PUSH_OUTPUT_BUTTON(unsigned int i_ID, const QColor& i_Color, QWidget* i_Parent)
    : QPushButton(i_Parent)
    , m_ID(i_ID)
{
    setCheckable(true);
    setStyleSheet(StyleSheetForColor(i_Color));
    update();
    connect(this, &QPushButton::clicked, this, &CLASS_KV_PUSH_OUTPUT_BUTTON::SLOT_ClickKVPushButtonOutput);
}

CLASS_KV_PUSH_OUTPUT_BUTTON::~CLASS_KV_PUSH_OUTPUT_BUTTON() = default;

QString CLASS_KV_PUSH_OUTPUT_BUTTON::StyleSheetForColor(const QColor& i_Color)
{
    // Text and border in the output's colour; the background per state
    // comes from the application style sheet.
    const QString name = i_Color.name();
    return QStringLiteral("border: 1px solid") + name + QStringLiteral(";") + QStringLiteral("color: ") + name
        + QStringLiteral(";");
}

DWord CLASS_KV_PUSH_OUTPUT_BUTTON::GetID() const
{
    return m_ID;
}

void CLASS_KV_PUSH_OUTPUT_BUTTON::SetID(int i_ID)
{
    m_ID = static_cast<DWord>(i_ID);
}

void CLASS_KV_PUSH_OUTPUT_BUTTON::SetButtonColor(QColor i_Color)
{
    const QString name = i_Color.name();
    setStyleSheet(QStringLiteral("border-color: ") + name + QStringLiteral(";") + QStringLiteral("color: ") + name
                  + QStringLiteral(";"));
}

void CLASS_KV_PUSH_OUTPUT_BUTTON::SLOT_ClickKVPushButtonOutput(Bool i_Checked)
{
    // The page has at most sixteen outputs; the signal carries 16 bits.
    emit SIGNAL_KVPushButtonOutputClicked(i_Checked, static_cast<SWord>(m_ID));
}
