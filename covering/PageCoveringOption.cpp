#include "covering/PageCoveringOption.h"

#include "common/DesktopSeam.h"
#include "common/VideoSaving.h"
#include "common/VideoSource.h"
#include "core/common/AspectLock.h"
#include "core/covering/SoftEdge.h"
#include "core/files/SafeFiles.h"
#include "core/imaging/PngReader.h"
#include "core/naming/OutputNames.h"
#include "core/setup/SetupRender.h"
#include "covering/CoveringConfiguration.h"
#include "covering/LayoutItem.h"
#include "covering/PanelSizeDialog.h"
#include "ui_PAGE_COVERING_OPTION.h"

#include <QDir>
#include <QFileInfo>
#include <QGraphicsGridLayout>
#include <QGraphicsLinearLayout>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

void DeleteScene(QGraphicsScene* i_Scene)
{
    if (!i_Scene)
        return;
    for (QGraphicsItem* item : i_Scene->items())
        if (!item->parentItem()) {
            i_Scene->removeItem(item);
            delete item;
        }
    i_Scene->clear();
}
} // namespace

PAGE_COVERING_OPTION::PAGE_COVERING_OPTION(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::PAGE_COVERING_OPTION)
{
    ui->setupUi(this);
    connect(ui->pushButtonSavePatterns, &QPushButton::clicked, this, &PAGE_COVERING_OPTION::SavePatterns);

    m_SourceScene = new QGraphicsScene(this);
    m_ResultScene = new QGraphicsScene(this);
    ui->graphicsViewSource->setScene(m_SourceScene);
    ui->graphicsViewResult->setScene(m_ResultScene);

    ui->lineEditBaseName->setValidator(new QRegularExpressionValidator(OutputNames::NamePattern(), this));

    InitComboBoxCoveringHorizontal();
    InitComboBoxCoveringVertical();
    InitSpinBoxCoveringInfo();
    m_Input.horizontalAllSeams = false;
    m_Input.verticalAllSeams = false;

    connect(ui->checkBoxSoftEdge, &QCheckBox::toggled, this, &PAGE_COVERING_OPTION::SoftEdgeChanged);
    connect(ui->doubleSpinBoxSoftEdgeCurve, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &PAGE_COVERING_OPTION::SoftEdgeChanged);
    connect(ui->doubleSpinBoxSoftEdgeGamma, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &PAGE_COVERING_OPTION::SoftEdgeChanged);
    connect(ui->comboBoxSoftEdgeOutput, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PAGE_COVERING_OPTION::SoftEdgeChanged);
    connect(ui->comboBoxCoveringRotation, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PAGE_COVERING_OPTION::OrientationChanged);
    connect(ui->comboBoxCoveringMirror, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PAGE_COVERING_OPTION::OrientationChanged);
    connect(ui->pushButtonPanelSize, &QPushButton::clicked, this, &PAGE_COVERING_OPTION::AskPanelSize);
    m_Video = new VideoSource(
        this, {ui->verticalLayoutViewSource, 1, ui->gridLayoutCoveringPage, 0, 5, 3, ui->pushButtonSave});
    connect(m_Video, &VideoSource::FrameChanged, this, &PAGE_COVERING_OPTION::ShowVideoFrame);
    connect(m_Video, &VideoSource::FrameFailed, this, [this](const QString& i_Problem) {
        ShowMessage(QMessageBox::Warning, QStringLiteral("This frame of the video cannot be shown."), i_Problem);
    });

    ui->horizontalSliderQuality->setValue(100);
    on_horizontalSliderQuality_valueChanged(ui->horizontalSliderQuality->value());
    UpdateScreenCovLabel();

    m_RefreshNeeded = false;
    ui->pushButtonGenerate->setEnabled(false);
    ui->pushButtonSave->setEnabled(
        CoveringRules::RefreshSaveStates(false, !m_ImagePath.isEmpty(), !m_SourceImage.isNull()).save);

    ui->pushButtonLoadImg->setFocus(Qt::OtherFocusReason);
}

PAGE_COVERING_OPTION::~PAGE_COVERING_OPTION()
{
    // Cells first (they leave their layout and parent as they go), then
    // whatever the scenes still hold.
    CleanScene();
    DeleteScene(m_SourceScene);
    DeleteScene(m_ResultScene);
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
    m_VerticalCoveringBoxes = {ui->spinBoxCoveringVertical1, ui->spinBoxCoveringVertical2, ui->spinBoxCoveringVertical3,
                               ui->spinBoxCoveringVertical4, ui->spinBoxCoveringVertical5, ui->spinBoxCoveringVertical6,
                               ui->spinBoxCoveringVertical7, ui->spinBoxCoveringVertical_X};
}

void PAGE_COVERING_OPTION::UpdateGeneralInfo()
{
    m_Input.SetGrid(ui->spinBoxScreenW->value(), ui->spinBoxScreenH->value(), ui->spinBoxOutputWidth->value(),
                    ui->spinBoxOutputHeight->value());
    m_Input.isFullScreen = ui->fullscreenRadioButton->isChecked();
    m_Input.isOriginalSize = ui->originalSizeRadioButton->isChecked();
    m_Input.isCustomSize = ui->customSizeRadioButton->isChecked();
    m_Input.isCentered = ui->centeredRadioButton->isChecked();
    m_Input.isCustomPos = ui->customPosRadioButton->isChecked();
    m_Input.customWidth = ui->spinBoxCustomSizeWidth->value();
    m_Input.customHeight = ui->spinBoxCustomSizeHeight->value();
    m_Input.customX = ui->spinBoxCustomPosWidth->value();
    m_Input.customY = ui->spinBoxCustomPosHeight->value();
    m_Input.softEdge.enabled = ui->checkBoxSoftEdge->isChecked();
    m_Input.softEdge.curve = ui->doubleSpinBoxSoftEdgeCurve->value();
    m_Input.softEdge.gamma = ui->doubleSpinBoxSoftEdgeGamma->value();
    m_Input.softEdge.separateMasks = ui->comboBoxSoftEdgeOutput->currentIndex() == 1;
    UpdateCoveringInfo();
}

// --- Placement records: the page's entry points into the engine -------------

void PAGE_COVERING_OPTION::ComputeResultImages()
{
    m_Records = CoveringEngine::ComputeResultImages(m_Input);
}

void PAGE_COVERING_OPTION::ComputeFullscreenImages(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH)
{
    CoveringEngine::ComputeFullscreenImages(m_Input, img, scW, scH);
}

void PAGE_COVERING_OPTION::ComputeOriginalSizeImagesCentered(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH)
{
    CoveringEngine::ComputeOriginalSizeImagesCentered(m_Input, img, scW, scH);
}

void PAGE_COVERING_OPTION::ComputeOriginalSizeImagesCustomPos(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH)
{
    CoveringEngine::ComputeOriginalSizeImagesCustomPos(m_Input, img, scW, scH);
}

void PAGE_COVERING_OPTION::ComputeCustomSizeImagesCentered(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH)
{
    CoveringEngine::ComputeCustomSizeImagesCentered(m_Input, img, scW, scH);
}

void PAGE_COVERING_OPTION::ComputeCustomSizeImagesCustomPos(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH)
{
    CoveringEngine::ComputeCustomSizeImagesCustomPos(m_Input, img, scW, scH);
}

void PAGE_COVERING_OPTION::ComputeImages(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH, int imgPosX,
                                         int imgPosY, int imgWidth, int imgHeight)
{
    CoveringEngine::ComputeImages(m_Input, img, scW, scH, imgPosX, imgPosY, imgWidth, imgHeight);
}

void PAGE_COVERING_OPTION::UpdateCoveringInfo()
{
    CoveringModel::SeamBoxes horizontal{};
    CoveringModel::SeamBoxes vertical{};
    for (int k = 0; k <= CoveringModel::MaxSeams; ++k) {
        horizontal[k] = m_HorizontalCoveringBoxes[k]->value();
        vertical[k] = m_VerticalCoveringBoxes[k]->value();
    }
    m_Input.UpdateCoverings(horizontal, vertical);
}

void PAGE_COVERING_OPTION::UpdateScreenSizeLabel()
{
    ui->labelScreenPixelSize->setText(SizeText(ui->spinBoxScreenW->value() * ui->spinBoxOutputWidth->value(),
                                               ui->spinBoxScreenH->value() * ui->spinBoxOutputHeight->value()));
    UpdateScreenCovLabel();
}

void PAGE_COVERING_OPTION::UpdateScreenCovLabel()
{
    UpdateGeneralInfo();
    ui->labelScreenCovPixelSize->setText(SizeText(m_Input.coveredWidth, m_Input.coveredHeight));
}

void PAGE_COVERING_OPTION::setRefreshNeeded(bool isRefreshNeded)
{
    m_RefreshNeeded = isRefreshNeded;
    const CoveringRules::ActionStates states = CoveringRules::RefreshSaveStates(isRefreshNeded, !m_ImagePath.isEmpty(),
                                                                                !m_SourceImage.isNull());
    ui->pushButtonGenerate->setEnabled(states.refresh);
    ui->pushButtonSave->setEnabled(states.save);
}

PAGE_COVERING_OPTION::SeamControls PAGE_COVERING_OPTION::HorizontalSeams()
{
    return {ui->comboBoxCoveringHorizontal,   ui->stackedWidgetCoveringHorizontal,
            ui->pushButtonCoveringHorizontal, ui->spinBoxScreenH,
            &m_HorizontalCoveringTexts,       &m_HorizontalCoveringBoxes};
}

PAGE_COVERING_OPTION::SeamControls PAGE_COVERING_OPTION::VerticalSeams()
{
    return {ui->comboBoxCoveringVertical, ui->stackedWidgetCoveringVertical, ui->pushButtonCoveringVertical,
            ui->spinBoxScreenW,           &m_VerticalCoveringTexts,          &m_VerticalCoveringBoxes};
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
        m_Input.horizontalAllSeams = i_Checked;
    else
        m_Input.verticalAllSeams = i_Checked;

    i_Seams.comboBox->setEnabled(!i_Checked);
    i_Seams.stackedWidget->setCurrentIndex(i_Checked ? CoveringModel::MaxSeams : i_Seams.comboBox->currentIndex());
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
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal1_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal2_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal3_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal4_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal5_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal6_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal7_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringHorizontal_X_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical1_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical2_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical3_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical4_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical5_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical6_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical7_valueChanged(int)
{
    CoveringBoxChanged();
}
void PAGE_COVERING_OPTION::on_spinBoxCoveringVertical_X_valueChanged(int)
{
    CoveringBoxChanged();
}

void PAGE_COVERING_OPTION::ShowMessage(QMessageBox::Icon i_Icon, const QString& i_Text, const QString& i_Detail)
{
    DesktopSeam::Tell(this, i_Icon, i_Text, m_StyleSheetApp, i_Detail);
}

// --- Source image -----------------------------------------------------------

void PAGE_COVERING_OPTION::on_pushButtonLoadImg_clicked()
{
    const QString fileName = DesktopSeam::Current().GetOpenFileName(this, QStringLiteral("Load image"), QString(),
                                                                    VideoSource::Filter());
    QString problem;
    if (!fileName.isEmpty() && !loadImage(fileName, &problem))
        ShowMessage(QMessageBox::Information, QStringLiteral("Error while loading image file in Covering menu."),
                    problem);
}

bool PAGE_COVERING_OPTION::loadImage(QString i_FileName, QString* o_Problem)
{
    // A missing file leaves what was loaded as it was.
    const bool absent = !i_FileName.contains(QChar(0)) && !QFileInfo::exists(i_FileName);
    QString problem = QStringLiteral("no such file");
    if (!absent && VideoCut::IsVideo(i_FileName)) {
        m_LoadedImage = m_Video->Open(i_FileName, problem);
    } else if (!absent) {
        m_Video->Close();
        m_LoadedImage = PngReader::Load(i_FileName, nullptr, &problem);
    }
    if (o_Problem && !problem.isEmpty())
        *o_Problem = QStringLiteral("%1: %2").arg(SafeFiles::Printable(QDir::toNativeSeparators(i_FileName)), problem);
    if (absent)
        return false;
    const bool loaded = !m_LoadedImage.isNull();
    if (loaded) {
        m_ImagePath = i_FileName;
        m_Input.imageWidth = m_LoadedImage.width();
        m_Input.imageHeight = m_LoadedImage.height();
        SetCropMaxima(m_Input.imageWidth, m_Input.imageHeight);
        m_SourceImage = m_LoadedImage;
    } else {
        m_ImagePath.clear();
        m_Input.imageWidth = 0;
        m_Input.imageHeight = 0;
        SetCropMaxima(0, 0);
    }
    refresfSourcePreview();
    ui->labelImageSize->setText(SizeText(m_Input.imageWidth, m_Input.imageHeight));
    setRefreshNeeded(true);
    return loaded;
}

void PAGE_COVERING_OPTION::ShowVideoFrame(const QImage& i_Frame)
{
    m_LoadedImage = i_Frame;
    m_SourceImage = i_Frame;
    refresfSourcePreview();
    // The saved videos do not depend on the frame on show: Save stays as it
    // was, Refresh shows the frame's results.
    ui->pushButtonGenerate->setEnabled(true);
}

void PAGE_COVERING_OPTION::SetCropMaxima(int i_Width, int i_Height)
{
    ui->spinBoxCropLeft->setMaximum(i_Width);
    ui->spinBoxCropRight->setMaximum(i_Width);
    ui->spinBoxCropTop->setMaximum(i_Height);
    ui->spinBoxCropBottom->setMaximum(i_Height);
}

void PAGE_COVERING_OPTION::refresfSourcePreview()
{
    m_CroppedSource = CoveringEngine::CropSource(m_SourceImage, m_Input.cropLeft, m_Input.cropRight, m_Input.cropTop,
                                                 m_Input.cropBottom);

    const QSize previewSize(ui->graphicsViewSource->width() - 25, ui->graphicsViewSource->height() - 25);
    const QImage preview = m_CroppedSource.isNull() || previewSize.isEmpty()
        ? QImage()
        : m_CroppedSource.scaled(previewSize, Qt::KeepAspectRatio, Qt::FastTransformation);

    QGraphicsScene* previous = m_SourceScene;
    DeleteScene(previous);
    previous->deleteLater();
    m_SourceScene = new QGraphicsScene(this);
    if (!m_ImagePath.isEmpty() && !preview.isNull())
        m_SourceScene->addPixmap(QPixmap::fromImage(preview))->setPos(0, 0);
    ui->graphicsViewSource->setScene(m_SourceScene);
}

// --- Cropping ---------------------------------------------------------------

void PAGE_COVERING_OPTION::on_checkBoxCropSource_stateChanged(int i_State)
{
    const bool enabled = i_State == Qt::Checked;
    for (QWidget* widget : std::initializer_list<QWidget*>{
             ui->labelCropLeft, ui->labelCropRight, ui->labelCropTop, ui->labelCropBottom, ui->spinBoxCropLeft,
             ui->spinBoxCropRight, ui->spinBoxCropTop, ui->spinBoxCropBottom})
        widget->setEnabled(enabled);
    if (!enabled) {
        ui->spinBoxCropLeft->setValue(0);
        ui->spinBoxCropRight->setValue(0);
        ui->spinBoxCropTop->setValue(0);
        ui->spinBoxCropBottom->setValue(0);
    }
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::CropMarginChanged(int& o_Margin, int i_Value, QSpinBox* i_Opposite, int i_Extent)
{
    o_Margin = i_Value;
    refresfSourcePreview();
    // At least one pixel column (row) must remain.
    i_Opposite->setMaximum(CoveringRules::CropOppositeMaximum(i_Extent, i_Value));
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_spinBoxCropLeft_valueChanged(int i_Value)
{
    CropMarginChanged(m_Input.cropLeft, i_Value, ui->spinBoxCropRight, m_Input.imageWidth);
}

void PAGE_COVERING_OPTION::on_spinBoxCropRight_valueChanged(int i_Value)
{
    CropMarginChanged(m_Input.cropRight, i_Value, ui->spinBoxCropLeft, m_Input.imageWidth);
}

void PAGE_COVERING_OPTION::on_spinBoxCropTop_valueChanged(int i_Value)
{
    CropMarginChanged(m_Input.cropTop, i_Value, ui->spinBoxCropBottom, m_Input.imageHeight);
}

void PAGE_COVERING_OPTION::on_spinBoxCropBottom_valueChanged(int i_Value)
{
    CropMarginChanged(m_Input.cropBottom, i_Value, ui->spinBoxCropTop, m_Input.imageHeight);
}

// --- Image size and position -----------------------------------------------

void PAGE_COVERING_OPTION::SizeModeChosen(CoveringRules::SizeMode i_Mode)
{
    const CoveringRules::PlacementControlStates states = CoveringRules::PlacementControls(
        i_Mode, ui->customPosRadioButton->isChecked());
    ui->pushButtonLocker->setEnabled(states.locker);
    ui->spinBoxCustomSizeWidth->setEnabled(states.sizeBoxes);
    ui->spinBoxCustomSizeHeight->setEnabled(states.sizeBoxes);
    ui->centeredRadioButton->setEnabled(states.positionButtons);
    ui->customPosRadioButton->setEnabled(states.positionButtons);
    ui->spinBoxCustomPosWidth->setEnabled(states.positionBoxes);
    ui->spinBoxCustomPosHeight->setEnabled(states.positionBoxes);
}

void PAGE_COVERING_OPTION::on_fullscreenRadioButton_clicked(bool i_Checked)
{
    if (i_Checked)
        SizeModeChosen(CoveringRules::SizeMode::FullScreen);
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_originalSizeRadioButton_clicked(bool i_Checked)
{
    if (i_Checked)
        SizeModeChosen(CoveringRules::SizeMode::OriginalSize);
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_customSizeRadioButton_clicked(bool i_Checked)
{
    if (i_Checked)
        SizeModeChosen(CoveringRules::SizeMode::CustomSize);
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_centeredRadioButton_clicked(bool i_Checked)
{
    if (i_Checked) {
        ui->spinBoxCustomPosWidth->setEnabled(false);
        ui->spinBoxCustomPosHeight->setEnabled(false);
    }
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_customPosRadioButton_clicked(bool i_Checked)
{
    if (i_Checked) {
        ui->spinBoxCustomPosWidth->setEnabled(true);
        ui->spinBoxCustomPosHeight->setEnabled(true);
    }
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_spinBoxCustomPosWidth_valueChanged(int)
{
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_spinBoxCustomPosHeight_valueChanged(int)
{
    setRefreshNeeded(true);
}

// --- Aspect-ratio lock ------------------------------------------------------

void PAGE_COVERING_OPTION::on_pushButtonLocker_clicked(bool i_Checked)
{
    m_Locked = i_Checked;
    int height = 0;
    if (i_Checked
        && AspectLock::OtherSide(m_Input.imageWidth, m_Input.imageHeight, ui->spinBoxCustomSizeWidth->value(), true,
                                 height))
        ui->spinBoxCustomSizeHeight->setValue(height);
    setRefreshNeeded(true);
}

// The focus test keeps the box the program sets from setting the first back.
void PAGE_COVERING_OPTION::on_spinBoxCustomSizeWidth_valueChanged(int i_Value)
{
    int height = 0;
    if (m_Locked && ui->spinBoxCustomSizeWidth->hasFocus()
        && AspectLock::OtherSide(m_Input.imageWidth, m_Input.imageHeight, i_Value, true, height))
        ui->spinBoxCustomSizeHeight->setValue(height);
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_spinBoxCustomSizeHeight_valueChanged(int i_Value)
{
    int width = 0;
    if (m_Locked && ui->spinBoxCustomSizeHeight->hasFocus()
        && AspectLock::OtherSide(m_Input.imageWidth, m_Input.imageHeight, i_Value, false, width))
        ui->spinBoxCustomSizeWidth->setValue(width);
    setRefreshNeeded(true);
}

// --- Background ---------------------------------------------------------------

void PAGE_COVERING_OPTION::on_radioButtonColor_clicked(bool i_Checked)
{
    if (i_Checked) {
        ui->toolButtonColor->setEnabled(true);
        ui->labelColor->setEnabled(true);
        m_Input.isTransparent = false;
    }
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_radioButtonTransparency_clicked(bool i_Checked)
{
    if (i_Checked) {
        ui->toolButtonColor->setEnabled(false);
        ui->labelColor->setEnabled(false);
        m_Input.isTransparent = true;
    }
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::on_toolButtonColor_clicked()
{
    const QColor color = DesktopSeam::Current().GetColor(Qt::white, this, QString(),
                                                         QColorDialog::ColorDialogOptions());
    if (color.isValid())
        setBackgroundColor(color);
    setRefreshNeeded(true);
}

void PAGE_COVERING_OPTION::setBackgroundColor(QColor i_Color)
{
    if (!i_Color.isValid())
        return;
    m_Input.backgroundColor = i_Color;
    ui->labelColor->setStyleSheet(
        QStringLiteral("QLabel { background-color : rgb(")
        + QStringLiteral("%1, %2, %3").arg(i_Color.red()).arg(i_Color.green()).arg(i_Color.blue())
        + QStringLiteral("); }"));
    QPalette palette = ui->labelColor->palette();
    palette.setBrush(QPalette::All, ui->labelColor->backgroundRole(), QBrush(i_Color, Qt::SolidPattern));
    ui->labelColor->setPalette(palette);
}

// --- Soft edges ----------------------------------------------------------------

void PAGE_COVERING_OPTION::SoftEdgeChanged()
{
    const bool enabled = ui->checkBoxSoftEdge->isChecked();
    for (QWidget* widget :
         std::initializer_list<QWidget*>{ui->labelSoftEdgeCurve, ui->doubleSpinBoxSoftEdgeCurve, ui->labelSoftEdgeGamma,
                                         ui->doubleSpinBoxSoftEdgeGamma, ui->comboBoxSoftEdgeOutput})
        widget->setEnabled(enabled);
    UpdateGeneralInfo();
    setRefreshNeeded(true);
}

// --- Refresh and preview ------------------------------------------------------

void PAGE_COVERING_OPTION::on_pushButtonGenerate_clicked()
{
    RefreshImages();
}

void PAGE_COVERING_OPTION::CleanScene()
{
    for (QVector<LayoutItem*>& column : m_PreviewItems)
        qDeleteAll(column);
    m_PreviewItems.clear();
}

void PAGE_COVERING_OPTION::OrientationChanged()
{
    m_Input.orientation = {ui->comboBoxCoveringRotation->currentIndex() * 90,
                           ui->comboBoxCoveringMirror->currentIndex()};
}

void PAGE_COVERING_OPTION::AskPanelSize()
{
    const QSize output(ui->spinBoxOutputWidth->value(), ui->spinBoxOutputHeight->value());
    PanelSizeDialog dialog(m_Panel, output, this);
    dialog.setStyleSheet(m_StyleSheetApp);
    if (DesktopSeam::Current().ExecDialog(dialog) != QDialog::Accepted)
        return;
    m_HasPanel = true;
    m_Panel = dialog.Panel();
    // All panels are alike: every seam, and the common value, hides the
    // same frames.
    const OutputGeometry::Coverings coverings = OutputGeometry::BezelCoverings(m_Panel, output);
    for (QSpinBox* box : m_HorizontalCoveringBoxes)
        box->setValue(coverings.horizontal);
    for (QSpinBox* box : m_VerticalCoveringBoxes)
        box->setValue(coverings.vertical);
}

void PAGE_COVERING_OPTION::RefreshImages()
{
    if (m_CroppedSource.isNull())
        return;

    setCursor(Qt::WaitCursor);
    CleanScene();
    UpdateGeneralInfo();

    const QSize cell = PreviewCellSize(ui->graphicsViewResult->size(), m_Input.columnCount, m_Input.rowCount,
                                       m_Input.outputWidth, m_Input.outputHeight);

    // The previous results and records stay as they are when the new ones
    // cannot be made.
    bool failed = !CoveringEngine::ComputeOutputImages(m_CroppedSource, m_Input, m_ResultImages, &m_Records);

    auto* grid = new QGraphicsGridLayout;
    grid->setSpacing(10);
    if (!failed) {
        for (int i = 0; i < m_Input.columnCount; ++i) {
            QVector<LayoutItem*> column;
            for (int j = 0; j < m_Input.rowCount; ++j) {
                // Masks kept apart still show applied: the preview shows what
                // the projectors will.
                QImage shown = m_ResultImages[i][j];
                if (m_Input.softEdge.enabled && m_Input.softEdge.separateMasks)
                    SoftEdge::Blend(shown, SoftEdge::OutputFactors(m_Input, m_Input.softEdge, i, j));
                const QImage preview = cell.isEmpty()
                    ? QImage()
                    : shown.scaled(cell, Qt::IgnoreAspectRatio, Qt::FastTransformation);
                if (preview.isNull())
                    failed = true;
                auto* item = new LayoutItem(QPixmap::fromImage(preview));
                column << item;
                grid->addItem(item, j, i, 1, 1);
            }
            m_PreviewItems << column;
        }
    }
    auto* linear = new QGraphicsLinearLayout(Qt::Vertical);
    linear->addItem(grid);
    auto* preview = new QGraphicsWidget;
    preview->setLayout(linear);

    QGraphicsScene* previous = m_ResultScene;
    DeleteScene(previous);
    previous->deleteLater();
    m_ResultScene = new QGraphicsScene(this);
    if (!failed && !m_ImagePath.isEmpty()) {
        m_ResultScene->addItem(preview);
    } else {
        // Shown nowhere: free it now with its cells rather than keep them.
        m_PreviewItems.clear();
        delete preview;
    }
    ui->graphicsViewResult->setScene(m_ResultScene);

    setCursor(Qt::ArrowCursor);

    if (failed)
        ShowMessage(QMessageBox::Warning,
                    QStringLiteral("Unable to preview the result. Try reducing output size or screen size!"));
    else
        setRefreshNeeded(false);
}

// --- Saving and configuration ----------------------------------------------------

CoveringSaving::Page PAGE_COVERING_OPTION::SavingPage()
{
    return {this, m_StyleSheetApp, m_ImagePath, ui->lineEditBaseName->text(), ui->horizontalSliderQuality->value()};
}

void PAGE_COVERING_OPTION::on_pushButtonSave_clicked()
{
    if (m_Video->IsOpen())
        SaveVideos();
    else
        CoveringSaving::SaveImages(SavingPage(), m_ResultImages, m_Input);
}

// The page's set-up read back as quillex-render reads a saved one, so that
// the files are those it writes.
void PAGE_COVERING_OPTION::SaveVideos()
{
    VideoSaving::Job job;
    if (!VideoSaving::Begin(this, m_StyleSheetApp, m_ImagePath, m_Video->FrameSize(), m_Video->Options(), job))
        return;
    QJsonObject top;
    WriteConfiguration(top);
    const SetupRender::CoveringSettings settings = SetupRender::CoveringFromSetup(SetupFile::ReadCovering(top),
                                                                                  m_Video->FrameSize());
    const QString path = m_ImagePath;
    job.render = [settings, path](const QImage& i_Frame, SetupRender::Render& o_Render) {
        return SetupRender::RenderCovering(settings, i_Frame, path, o_Render);
    };
    job.images = settings.input.columnCount * settings.input.rowCount;
    job.saving = [this](bool i_Saving) {
        for (QWidget* button : {ui->pushButtonLoadImg, ui->pushButtonSavePatterns})
            button->setEnabled(!i_Saving);
        m_Video->SetSaving(i_Saving);
        if (i_Saving)
            ui->pushButtonSave->setEnabled(false);
        else
            setRefreshNeeded(m_RefreshNeeded);
    };
    VideoSaving::Save(job);
}

// Patterns follow the grid and coverings as set now.
void PAGE_COVERING_OPTION::SavePatterns()
{
    CoveringSaving::SavePatterns(
        SavingPage(),
        [this]() {
            UpdateGeneralInfo();
            return CoveringModel(m_Input);
        },
        m_Input.orientation);
}

void PAGE_COVERING_OPTION::WriteConfiguration(QJsonObject& io_Top)
{
    CoveringConfiguration::Write(*this, io_Top);
}

void PAGE_COVERING_OPTION::ReadConfiguration(const QJsonObject& i_Top)
{
    CoveringConfiguration::Read(*this, i_Top);
}
