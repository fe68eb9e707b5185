#include "canvas/CanvasConfiguration.h"

#include "canvas/KvOutputSettingsWidget.h"
#include "canvas/KvPushOutputButton.h"
#include "canvas/SourceItem.h"
#include "ui_PAGE_CANVAS_OPTION.h"

#include <QButtonGroup>
#include <QSignalBlocker>

namespace CanvasConfiguration {

SetupFile::Canvas FromPage(const Ui::PAGE_CANVAS_OPTION& f, const QString& i_PicturePath, const QColor& i_Background,
                           const Outputs& i_Outputs)
{
    SetupFile::Canvas c;
    c.picturePath = i_PicturePath;
    c.isCropped = f.checkBoxCropSource->isChecked();
    c.cropLeft = f.spinBoxCropLeft->value();
    c.cropRight = f.spinBoxCropRight->value();
    c.cropTop = f.spinBoxCropTop->value();
    c.cropBottom = f.spinBoxCropBottom->value();
    for (int id = 0; id < i_Outputs.items.size(); ++id) {
        const CLASS_KV_OUTPUT_SETTINGS_WIDGET* settings = i_Outputs.settings[id];
        SetupFile::Output output;
        output.id = int(settings->GetID());
        output.label = i_Outputs.buttons[id]->text();
        output.posX = settings->GetPosXValue();
        output.posY = settings->GetPosYValue();
        output.width = settings->GetWidthValue();
        output.height = settings->GetHeightValue();
        output.color = i_Outputs.items[id]->GetBorderColor();
        output.orientation = settings->GetOrientation();
        output.deviceWidth = settings->GetDeviceValues().width();
        output.deviceHeight = settings->GetDeviceValues().height();
        c.outputs << output;
        if (i_Outputs.buttons[id]->isChecked() && !c.hasOutputSelected) {
            c.hasOutputSelected = true;
            c.outputIndexSelected = id;
        }
    }
    c.outputLabel = f.lineEditOutputLabel->text();
    c.screenH = f.spinBoxScreenSizeH->value();
    c.screenV = f.spinBoxScreenSizeV->value();
    c.isFullScreen = f.fullscreenRadioButton->isChecked();
    c.isOriginalSize = f.originalSizeRadioButton->isChecked();
    c.isCustomSize = f.customSizeRadioButton->isChecked();
    c.customSizeWidth = f.spinBoxCustomSizeWidth->value();
    c.customSizeHeight = f.spinBoxCustomSizeHeight->value();
    c.isImgSizeLocked = f.pushButtonLocker->isChecked();
    c.isCentered = f.centeredRadioButton->isChecked();
    c.isCustomPosition = f.customPosRadioButton->isChecked();
    c.customPosWidth = f.spinBoxCustomPosX->value();
    c.customPosHeight = f.spinBoxCustomPosY->value();
    c.isColorBackground = f.radioButtonColor->isChecked();
    c.backgroundColor = i_Background;
    c.isTransparentBackground = f.radioButtonTransparency->isChecked();
    c.pictureQuality = f.horizontalSliderQuality->value();
    c.outputFilePrefix = f.lineEditBaseName->text();
    return c;
}

void SetBeforePicture(Ui::PAGE_CANVAS_OPTION& f, const Groups& i_Groups, const SetupRender::CanvasSettings& s)
{
    const QSignalBlocker blockers[] = {
        QSignalBlocker(f.spinBoxScreenSizeH),     QSignalBlocker(f.spinBoxScreenSizeV),
        QSignalBlocker(f.spinBoxCustomSizeWidth), QSignalBlocker(f.spinBoxCustomSizeHeight),
        QSignalBlocker(f.spinBoxCustomPosX),      QSignalBlocker(f.spinBoxCustomPosY),
        QSignalBlocker(f.horizontalSliderQuality)};
    f.spinBoxScreenSizeH->setValue(s.screen.width());
    f.spinBoxScreenSizeV->setValue(s.screen.height());
    if (s.choosesSize)
        i_Groups.size.button(s.sizeMode)->setChecked(true);
    f.spinBoxCustomSizeWidth->setValue(s.customSize.width());
    f.spinBoxCustomSizeHeight->setValue(s.customSize.height());
    f.pushButtonLocker->setChecked(s.sizeLocked);
    if (s.choosesPosition)
        i_Groups.position.button(s.positionMode)->setChecked(true);
    f.spinBoxCustomPosX->setValue(s.customPosition.x());
    f.spinBoxCustomPosY->setValue(s.customPosition.y());
    if (s.choosesBackground)
        i_Groups.background.button(s.transparent ? CanvasEngine::BackgroundTransparent : CanvasEngine::BackgroundColor)
            ->setChecked(true);
    f.horizontalSliderQuality->setValue(s.quality);
    f.lineEditBaseName->setText(s.prefix);
    f.lineEditOutputLabel->setText(s.nextLabel);
}

void SetCrop(Ui::PAGE_CANVAS_OPTION& f, bool i_Cropped, int i_Left, int i_Top, int i_Right, int i_Bottom)
{
    const QSignalBlocker blockers[] = {QSignalBlocker(f.checkBoxCropSource), QSignalBlocker(f.spinBoxCropLeft),
                                       QSignalBlocker(f.spinBoxCropTop), QSignalBlocker(f.spinBoxCropRight),
                                       QSignalBlocker(f.spinBoxCropBottom)};
    f.checkBoxCropSource->setChecked(i_Cropped);
    f.spinBoxCropLeft->setValue(i_Left);
    f.spinBoxCropTop->setValue(i_Top);
    f.spinBoxCropRight->setValue(i_Right);
    f.spinBoxCropBottom->setValue(i_Bottom);
}

} // namespace CanvasConfiguration
