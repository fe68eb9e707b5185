#pragma once

#include "core/common/ScalarTypes.h"

#include <QColor>
#include <QPushButton>

// The checkable button that selects one canvas output, drawn in the
// output's colour. The application style sheet selects it by its class name.
class CLASS_KV_PUSH_OUTPUT_BUTTON : public QPushButton
{
    Q_OBJECT

public:
    CLASS_KV_PUSH_OUTPUT_BUTTON(unsigned int i_ID, const QColor& i_Color, QWidget* i_Parent = nullptr);
    ~CLASS_KV_PUSH_OUTPUT_BUTTON() override;

    DWord GetID() const;
    void SetID(int i_ID);
    void SetButtonColor(QColor i_Color);

    // The button's own style sheet for an output colour.
    static QString StyleSheetForColor(const QColor& i_Color);

signals:
    void SIGNAL_KVPushButtonOutputClicked(Bool i_Checked, SWord i_ID);

private slots:
    void SLOT_ClickKVPushButtonOutput(Bool i_Checked);

private:
    DWord m_ID;
};
