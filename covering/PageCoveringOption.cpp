#include "PageCoveringOption.h"

#include "ui_PAGE_COVERING_OPTION.h"

#include <algorithm>

PAGE_COVERING_OPTION::PAGE_COVERING_OPTION(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::PAGE_COVERING_OPTION)
{
    ui->setupUi(this);

    InitComboBoxCoveringHorizontal();
    InitComboBoxCoveringVertical();
    InitSpinBoxCoveringInfo();
    m_Model.horizontalAllSeams = false;
    m_Model.verticalAllSeams = false;

    ui->horizontalSliderQuality->setValue(100);
    on_horizontalSliderQuality_valueChanged(ui->horizontalSliderQuality->value());
    UpdateScreenCovLabel();

    m_RefreshNeeded = false;
    ui->pushButtonGenerate->setEnabled(false);
    ui->pushButtonSave->setEnabled(!m_SourceImage.isNull() && !m_ImagePath.isEmpty());

    ui->pushButtonLoadImg->setFocus(Qt::OtherFocusReason);
}

PAGE_COVERING_OPTION::~PAGE_COVERING_OPTION()
{
    delete ui;
}

void PAGE_COVERING_OPTION::SetStyleSheetApp(const QString& i_StyleSheet)
{
    m_StyleSheetApp = i_StyleSheet;
}

void PAGE_COVERING_OPTION::InitComboBoxCoveringHorizontal()
{
    m_HorizontalCoveringTexts.clear();
    for (int k = 1; k <= CoveringModel::MaxSeams; ++k)
        m_HorizontalCoveringTexts << QStringLiteral("Horizontal Covering %1  ").arg(k);
    ui->comboBoxCoveringHorizontal->addItem(m_HorizontalCoveringTexts.first());
    ui->spinBoxCoveringHorizontal1->setEnabled(false);
    ui->spinBoxCoveringHorizontal_X->setEnabled(false);
}

void PAGE_COVERING_OPTION::InitComboBoxCoveringVertical()
{
    m_VerticalCoveringTexts.clear();
    for (int k = 1; k <= CoveringModel::MaxSeams; ++k)
        m_VerticalCoveringTexts << QStringLiteral("Vertical Covering %1").arg(k);
    ui->comboBoxCoveringVertical->addItem(m_VerticalCoveringTexts.first());
    ui->spinBoxCoveringVertical1->setEnabled(false);
    ui->spinBoxCoveringVertical_X->setEnabled(false);
}

void PAGE_COVERING_OPTION::InitSpinBoxCoveringInfo()
{
    m_HorizontalCoveringBoxes = {ui->spinBoxCoveringHorizontal1, ui->spinBoxCoveringHorizontal2,
                                 ui->spinBoxCoveringHorizontal3, ui->spinBoxCoveringHorizontal4,
                                 ui->spinBoxCoveringHorizontal5, ui->spinBoxCoveringHorizontal6,
                                 ui->spinBoxCoveringHorizontal7, ui->spinBoxCoveringHorizontal_X};
    m_VerticalCoveringBoxes = {ui->spinBoxCoveringVertical1, ui->spinBoxCoveringVertical2,
                               ui->spinBoxCoveringVertical3, ui->spinBoxCoveringVertical4,
                               ui->spinBoxCoveringVertical5, ui->spinBoxCoveringVertical6,
                               ui->spinBoxCoveringVertical7, ui->spinBoxCoveringVertical_X};
}

void PAGE_COVERING_OPTION::UpdateGeneralInfo()
{
    m_Model.SetGrid(ui->spinBoxScreenW->value(), ui->spinBoxScreenH->value(),
                    ui->spinBoxOutputWidth->value(), ui->spinBoxOutputHeight->value());
    UpdateCoveringInfo();
}

void PAGE_COVERING_OPTION::UpdateCoveringInfo()
{
    CoveringModel::SeamBoxes horizontal{};
    CoveringModel::SeamBoxes vertical{};
    for (int k = 0; k <= CoveringModel::MaxSeams; ++k) {
        horizontal[k] = m_HorizontalCoveringBoxes[k]->value();
        vertical[k] = m_VerticalCoveringBoxes[k]->value();
    }
    m_Model.UpdateCoverings(horizontal, vertical);
}

void PAGE_COVERING_OPTION::UpdateScreenSizeLabel()
{
    ui->labelScreenPixelSize->setText(
        SizeText(ui->spinBoxScreenW->value() * ui->spinBoxOutputWidth->value(),
                 ui->spinBoxScreenH->value() * ui->spinBoxOutputHeight->value()));
    UpdateScreenCovLabel();
}

void PAGE_COVERING_OPTION::UpdateScreenCovLabel()
{
    UpdateGeneralInfo();
    ui->labelScreenCovPixelSize->setText(SizeText(m_Model.coveredWidth, m_Model.coveredHeight));
}

void PAGE_COVERING_OPTION::setRefreshNeeded(bool isRefreshNeded)
{
    m_RefreshNeeded = isRefreshNeded;
    if (isRefreshNeded) {
        ui->pushButtonGenerate->setEnabled(!m_ImagePath.isEmpty());
        ui->pushButtonSave->setEnabled(false);
    } else {
        ui->pushButtonGenerate->setEnabled(false);
        ui->pushButtonSave->setEnabled(!m_SourceImage.isNull() && !m_ImagePath.isEmpty());
    }
}

PAGE_COVERING_OPTION::SeamControls PAGE_COVERING_OPTION::HorizontalSeams()
{
    return {ui->comboBoxCoveringHorizontal, ui->stackedWidgetCoveringHorizontal,
            ui->pushButtonCoveringHorizontal, ui->spinBoxScreenH,
            &m_HorizontalCoveringTexts, &m_HorizontalCoveringBoxes};
}

PAGE_COVERING_OPTION::SeamControls PAGE_COVERING_OPTION::VerticalSeams()
{
    return {ui->comboBoxCoveringVertical, ui->stackedWidgetCoveringVertical,
            ui->pushButtonCoveringVertical, ui->spinBoxScreenW,
            &m_VerticalCoveringTexts, &m_VerticalCoveringBoxes};
}

void PAGE_COVERING_OPTION::CountChanged(const SeamControls& i_Seams, int i_Count)
{
    const int rememberedIndex = i_Seams.comboBox->currentIndex();
    UpdateScreenSizeLabel();

    const QList<QSpinBox*>& boxes = *i_Seams.boxes;
    QStringList shown;
    if (i_Count == 1) {
        shown << i_Seams.texts->first();
        boxes[0]->setEnabled(false);
        boxes[CoveringModel::MaxSeams]->setEnabled(false);
    } else {
        shown = i_Seams.texts->mid(0, i_Count - 1);
        boxes[CoveringModel::MaxSeams]->setEnabled(true);
    }

    i_Seams.comboBox->clear();
    i_Seams.comboBox->addItems(shown);
    if (rememberedIndex >= 0 && rememberedIndex < i_Seams.comboBox->count())
        i_Seams.comboBox->setCurrentIndex(rememberedIndex);
    if (i_Seams.allSeamsButton->isChecked())
        i_Seams.stackedWidget->setCurrentIndex(CoveringModel::MaxSeams);

    for (int k = 0; k < i_Count - 1; ++k)
        boxes[k]->setEnabled(true);

    i_Seams.otherCountBox->setMaximum(MaxCountBeside(i_Count));
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::AllSeamsToggled(const SeamControls& i_Seams, bool i_Checked)
{
    if (i_Seams.comboBox == ui->comboBoxCoveringHorizontal)
        m_Model.horizontalAllSeams = i_Checked;
    else
        m_Model.verticalAllSeams = i_Checked;

    i_Seams.comboBox->setEnabled(!i_Checked);
    i_Seams.stackedWidget->setCurrentIndex(i_Checked ? CoveringModel::MaxSeams
                                                     : i_Seams.comboBox->currentIndex());
    UpdateScreenCovLabel();
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::CoveringBoxChanged()
{
    UpdateScreenCovLabel();
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_spinBoxScreenW_valueChanged(int i_Value)
{
    CountChanged(HorizontalSeams(), i_Value);
}

void PAGE_COVERING_OPTION::on_spinBoxScreenH_valueChanged(int i_Value)
{
    CountChanged(VerticalSeams(), i_Value);
}

void PAGE_COVERING_OPTION::on_spinBoxOutputWidth_valueChanged(int)
{
    UpdateScreenSizeLabel();
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_spinBoxOutputHeight_valueChanged(int)
{
    UpdateScreenSizeLabel();
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_pushButtonCoveringHorizontal_clicked(bool i_Checked)
{
    AllSeamsToggled(HorizontalSeams(), i_Checked);
}

void PAGE_COVERING_OPTION::on_pushButtonCoveringVertical_clicked(bool i_Checked)
{
    AllSeamsToggled(VerticalSeams(), i_Checked);
}

void PAGE_COVERING_OPTION::on_horizontalSliderQuality_valueChanged(int i_Value)
{
    ui->labelQuality->setText(QStringLiteral("Picture quality: %1%").arg(i_Value));
}

// Every covering box does the same: recompute the covered size, mark stale.
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal1_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal2_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal3_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal4_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal5_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal6_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal7_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal_X_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical1_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical2_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical3_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical4_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical5_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical6_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical7_valueChanged(int) { CoveringBoxChanged(); }
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical_X_valueChanged(int) { CoveringBoxChanged(); }
