#pragma once

#include "core/setup/SetupFile.h"
#include "core/setup/SetupRender.h"

#include <QColor>
#include <QList>
#include <QString>

namespace Ui {
class PAGE_CANVAS_OPTION;
}
class CLASS_KV_OUTPUT_SETTINGS_WIDGET;
class CLASS_KV_PUSH_OUTPUT_BUTTON;
class CLASS_SOURCE_ITEM;
class QButtonGroup;

// The canvas page's form and its set-up, both ways. Writing takes what the
// controls and the outputs hold; reading sets the controls to the record
// the core made of a set-up, without their change signals, so that the page
// follows them once instead of once per control.
namespace CanvasConfiguration {

// The outputs as the page holds them, one entry of each list per output.
struct Outputs
{
    const QList<CLASS_KV_PUSH_OUTPUT_BUTTON*>& buttons;
    const QList<CLASS_KV_OUTPUT_SETTINGS_WIDGET*>& settings;
    const QList<CLASS_SOURCE_ITEM*>& items;
};

// The set-up the page writes: its controls, the picture's path, the
// background colour and the outputs.
SetupFile::Canvas FromPage(const Ui::PAGE_CANVAS_OPTION& i_Form, const QString& i_PicturePath,
                           const QColor& i_Background, const Outputs& i_Outputs);

// The page's radio groups, by their modes' ids.
struct Groups
{
    QButtonGroup& size;
    QButtonGroup& position;
    QButtonGroup& background;
};

// The controls from the screen size to the next output's label, in the
// order a set-up is read: boxes, radio groups (a group the record chooses
// nothing in keeps its choice), lock, slider and texts.
void SetBeforePicture(Ui::PAGE_CANVAS_OPTION& io_Form, const Groups& io_Groups,
                      const SetupRender::CanvasSettings& i_Record);

// The cropping check box and the four crop boxes.
void SetCrop(Ui::PAGE_CANVAS_OPTION& io_Form, bool i_Cropped, int i_Left, int i_Top, int i_Right, int i_Bottom);

} // namespace CanvasConfiguration
