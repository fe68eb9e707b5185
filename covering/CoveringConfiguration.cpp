#include "covering/CoveringConfiguration.h"

#include "core/setup/SetupFile.h"
#include "core/setup/SetupRender.h"
#include "common/VideoSource.h"
#include "covering/PageCoveringOption.h"
#include "ui_PAGE_COVERING_OPTION.h"

void CoveringConfiguration::Write(const PAGE_COVERING_OPTION& i_Page, QJsonObject& io_Top)
{
    const Ui::PAGE_COVERING_OPTION* ui = i_Page.ui;
    SetupFile::Covering c;
    c.screenW = ui->spinBoxScreenW->value();
    c.screenH = ui->spinBoxScreenH->value();
    c.outputW = ui->spinBoxOutputWidth->value();
    c.outputH = ui->spinBoxOutputHeight->value();
    c.isFullScreen = ui->fullscreenRadioButton->isChecked();
    c.isOriginalSize = ui->originalSizeRadioButton->isChecked();
    c.isCustomSize = ui->customSizeRadioButton->isChecked();
    c.isCentered = ui->centeredRadioButton->isChecked();
    c.isCustomPosition = ui->customPosRadioButton->isChecked();
    c.customSizeWidth = ui->spinBoxCustomSizeWidth->value();
    c.customSizeHeight = ui->spinBoxCustomSizeHeight->value();
    c.customPosWidth = ui->spinBoxCustomPosWidth->value();
    c.customPosHeight = ui->spinBoxCustomPosHeight->value();
    c.isColorBackground = ui->radioButtonColor->isChecked();
    c.isTransparentBackground = ui->radioButtonTransparency->isChecked();
    c.backgroundColor = i_Page.m_Input.backgroundColor;
    c.isImgSizeLocked = ui->pushButtonLocker->isChecked();
    c.outputFilePrefix = ui->lineEditBaseName->text();
    c.pictureQuality = ui->horizontalSliderQuality->value();
    c.picturePath = i_Page.m_ImagePath;
    c.isCropped = ui->checkBoxCropSource->isChecked();
    c.cropLeft = ui->spinBoxCropLeft->value();
    c.cropRight = ui->spinBoxCropRight->value();
    c.cropTop = ui->spinBoxCropTop->value();
    c.cropBottom = ui->spinBoxCropBottom->value();
    c.isCoveringHorizontal = ui->pushButtonCoveringHorizontal->isChecked();
    c.isCoveringVertical = ui->pushButtonCoveringVertical->isChecked();
    for (int k = 0; k < CoveringModel::MaxSeams; ++k) {
        c.coveringHorizontal[k] = i_Page.m_HorizontalCoveringBoxes[k]->value();
        c.coveringVertical[k] = i_Page.m_VerticalCoveringBoxes[k]->value();
    }
    c.coveringHorizontalAll = i_Page.m_HorizontalCoveringBoxes[CoveringModel::MaxSeams]->value();
    c.coveringVerticalAll = i_Page.m_VerticalCoveringBoxes[CoveringModel::MaxSeams]->value();
    c.isSoftEdge = ui->checkBoxSoftEdge->isChecked();
    c.softEdgeCurve = ui->doubleSpinBoxSoftEdgeCurve->value();
    c.softEdgeGamma = ui->doubleSpinBoxSoftEdgeGamma->value();
    c.softEdgeMasks = ui->comboBoxSoftEdgeOutput->currentIndex() == 1;
    c.orientation = i_Page.m_Input.orientation;
    c.hasPanel = i_Page.m_HasPanel;
    c.panel = i_Page.m_Panel;
    c.video = i_Page.m_Video->Keys();
    SetupFile::WriteCovering(c, io_Top);
}

void CoveringConfiguration::Read(PAGE_COVERING_OPTION& io_Page, const QJsonObject& i_Top)
{
    PAGE_COVERING_OPTION& p = io_Page;
    Ui::PAGE_COVERING_OPTION* ui = p.ui;
    const SetupFile::Covering record = SetupFile::ReadCovering(i_Top);
    // The crop boxes take their ranges from the picture, which loads midway.
    const SetupRender::CoveringSettings s = SetupRender::CoveringFromSetup(record, QSize());
    const CoveringEngine::Input& in = s.input;

    // Each count box's maximum follows the other count: the columns go in
    // again once the rows are in, so that the grid on show does not hold
    // back the one read.
    ui->spinBoxScreenW->setValue(in.columnCount);
    ui->spinBoxScreenH->setValue(in.rowCount);
    ui->spinBoxScreenW->setValue(in.columnCount);
    ui->spinBoxOutputWidth->setValue(in.outputWidth);
    ui->spinBoxOutputHeight->setValue(in.outputHeight);

    // Checking a radio button runs no handler: each group's handlers run
    // with their button's choice, so that the enabling follows it.
    QRadioButton* size = ui->fullscreenRadioButton;
    if (in.isCustomSize || in.isOriginalSize)
        size = in.isCustomSize ? ui->customSizeRadioButton : ui->originalSizeRadioButton;
    if (s.hasSizeMode)
        size->setChecked(true);
    p.on_fullscreenRadioButton_clicked(s.hasSizeMode && in.isFullScreen);
    p.on_originalSizeRadioButton_clicked(s.hasSizeMode && in.isOriginalSize);
    p.on_customSizeRadioButton_clicked(s.hasSizeMode && in.isCustomSize);
    if (s.hasPositionMode)
        (in.isCustomPos ? ui->customPosRadioButton : ui->centeredRadioButton)->setChecked(true);
    p.on_centeredRadioButton_clicked(s.hasPositionMode && in.isCentered);
    p.on_customPosRadioButton_clicked(s.hasPositionMode && in.isCustomPos);
    ui->spinBoxCustomSizeWidth->setValue(in.customWidth);
    ui->spinBoxCustomSizeHeight->setValue(in.customHeight);
    ui->spinBoxCustomPosWidth->setValue(in.customX);
    ui->spinBoxCustomPosHeight->setValue(in.customY);
    if (s.hasBackgroundMode)
        (in.isTransparent ? ui->radioButtonTransparency : ui->radioButtonColor)->setChecked(true);
    // The background is what the composition reads, so the handlers run:
    // a transparent set-up must come back transparent.
    p.on_radioButtonColor_clicked(ui->radioButtonColor->isChecked());
    p.on_radioButtonTransparency_clicked(ui->radioButtonTransparency->isChecked());
    if (s.hasColour)
        p.setBackgroundColor(in.backgroundColor);
    ui->pushButtonLocker->setChecked(s.locked);
    p.m_Locked = s.locked;
    ui->lineEditBaseName->setText(s.prefix);
    ui->horizontalSliderQuality->setValue(s.quality);
    ui->checkBoxSoftEdge->setChecked(in.softEdge.enabled);
    ui->doubleSpinBoxSoftEdgeCurve->setValue(in.softEdge.curve);
    ui->doubleSpinBoxSoftEdgeGamma->setValue(in.softEdge.gamma);
    ui->comboBoxSoftEdgeOutput->setCurrentIndex(in.softEdge.separateMasks ? 1 : 0);
    ui->comboBoxCoveringRotation->setCurrentIndex(in.orientation.rotation / 90);
    ui->comboBoxCoveringMirror->setCurrentIndex(in.orientation.mirror);
    p.m_HasPanel = s.hasPanel;
    p.m_Panel = s.panel;

    QString problem;
    const bool opened = p.loadImage(s.picturePath, &problem);
    // The settings, and the frame on show, of a video.
    p.m_Video->SetKeys(record.video);
    if (!opened) {
        if (!s.picturePath.isEmpty())
            p.ShowMessage(QMessageBox::Information, QStringLiteral("Error while loading image file in Covering menu."),
                          problem);
        return;
    }
    const SetupRender::CoveringSettings loaded = SetupRender::CoveringFromSetup(
        record, QSize(p.m_Input.imageWidth, p.m_Input.imageHeight));
    ui->checkBoxCropSource->setChecked(loaded.cropping);
    // The margins on show narrowed each other's maxima: the margins read
    // start from none and the picture's extents, as on a fresh page.
    for (QSpinBox* margin : {ui->spinBoxCropLeft, ui->spinBoxCropRight, ui->spinBoxCropTop, ui->spinBoxCropBottom})
        margin->setValue(0);
    p.SetCropMaxima(p.m_Input.imageWidth, p.m_Input.imageHeight);
    ui->spinBoxCropLeft->setValue(loaded.input.cropLeft);
    ui->spinBoxCropRight->setValue(loaded.input.cropRight);
    ui->spinBoxCropTop->setValue(loaded.input.cropTop);
    ui->spinBoxCropBottom->setValue(loaded.input.cropBottom);
    // The common seam values come before the switches that use them, and
    // the switches' handlers run, so that the coverings come back as saved.
    if (s.hasCommonCoverings) {
        p.m_HorizontalCoveringBoxes[CoveringModel::MaxSeams]->setValue(s.horizontalBoxes[CoveringModel::MaxSeams]);
        p.m_VerticalCoveringBoxes[CoveringModel::MaxSeams]->setValue(s.verticalBoxes[CoveringModel::MaxSeams]);
    }
    ui->pushButtonCoveringHorizontal->setChecked(in.horizontalAllSeams);
    ui->pushButtonCoveringVertical->setChecked(in.verticalAllSeams);
    p.on_pushButtonCoveringHorizontal_clicked(in.horizontalAllSeams);
    p.on_pushButtonCoveringVertical_clicked(in.verticalAllSeams);
    for (int k = 0; k < CoveringModel::MaxSeams; ++k)
        p.m_HorizontalCoveringBoxes[k]->setValue(s.horizontalBoxes[k]);
    for (int k = 0; k < CoveringModel::MaxSeams; ++k)
        p.m_VerticalCoveringBoxes[k]->setValue(s.verticalBoxes[k]);
}
