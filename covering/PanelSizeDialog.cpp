#include "covering/PanelSizeDialog.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QDoubleSpinBox* MillimetreBox(const char* i_Name, double i_Minimum, double i_Value, QWidget* i_Parent)
{
    auto* box = new QDoubleSpinBox(i_Parent);
    box->setObjectName(QLatin1String(i_Name));
    box->setDecimals(1);
    box->setRange(i_Minimum, OutputGeometry::kMaxPanelMm);
    box->setSuffix(QStringLiteral(" mm"));
    box->setValue(i_Value);
    return box;
}

} // namespace

PanelSizeDialog::PanelSizeDialog(const OutputGeometry::Panel& i_Panel, const QSize& i_Output, QWidget* i_Parent)
    : QDialog(i_Parent)
    , m_Output(i_Output)
{
    setWindowTitle(QStringLiteral("Panel size"));
    setObjectName(QStringLiteral("PanelSizeDialog"));
    // A fresh dialog proposes a common 55-inch panel, so that the
    // arithmetic shows at once.
    const bool fresh = !(i_Panel.width > 0.0 && i_Panel.height > 0.0);
    OutputGeometry::Panel panel = i_Panel;
    if (fresh)
        panel = {1209.6, 680.4, 1.8, 1.8, 1.8, 1.8};
    m_Width = MillimetreBox("doubleSpinBoxPanelWidth", 1.0, panel.width, this);
    m_Height = MillimetreBox("doubleSpinBoxPanelHeight", 1.0, panel.height, this);
    m_Left = MillimetreBox("doubleSpinBoxBezelLeft", 0.0, panel.bezelLeft, this);
    m_Right = MillimetreBox("doubleSpinBoxBezelRight", 0.0, panel.bezelRight, this);
    m_Top = MillimetreBox("doubleSpinBoxBezelTop", 0.0, panel.bezelTop, this);
    m_Bottom = MillimetreBox("doubleSpinBoxBezelBottom", 0.0, panel.bezelBottom, this);
    m_Coverings = new QLabel(this);
    m_Coverings->setObjectName(QStringLiteral("labelPanelCoverings"));

    auto* form = new QFormLayout;
    form->addRow(new QLabel(QStringLiteral("Active area of a panel showing %1 x %2 pixels:")
                                .arg(i_Output.width())
                                .arg(i_Output.height()),
                            this));
    form->addRow(QStringLiteral("Width:"), m_Width);
    form->addRow(QStringLiteral("Height:"), m_Height);
    form->addRow(new QLabel(QStringLiteral("Frame (bezel) widths:"), this));
    form->addRow(QStringLiteral("Left:"), m_Left);
    form->addRow(QStringLiteral("Right:"), m_Right);
    form->addRow(QStringLiteral("Top:"), m_Top);
    form->addRow(QStringLiteral("Bottom:"), m_Bottom);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_Coverings);
    layout->addWidget(buttons);

    for (QDoubleSpinBox* box : {m_Width, m_Height, m_Left, m_Right, m_Top, m_Bottom})
        connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &PanelSizeDialog::ShowCoverings);
    ShowCoverings();
}

OutputGeometry::Panel PanelSizeDialog::Panel() const
{
    return {m_Width->value(), m_Height->value(), m_Left->value(),
            m_Right->value(), m_Top->value(),    m_Bottom->value()};
}

void PanelSizeDialog::ShowCoverings()
{
    const OutputGeometry::Coverings coverings = OutputGeometry::BezelCoverings(Panel(), m_Output);
    m_Coverings->setText(QStringLiteral("Each seam: %1 pixels across, %2 pixels down")
                             .arg(coverings.horizontal)
                             .arg(coverings.vertical));
}
