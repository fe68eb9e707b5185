#pragma once

#include "canvas/KvGraphicsItemScreen.h"
#include "core/canvas/CanvasCompose.h"
#include "core/common/ScalarTypes.h"
#include "ui_PAGE_CANVAS_OPTION.h"

#include <QButtonGroup>
#include <QColor>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QMessageBox>
#include <QRectF>
#include <QString>
#include <QWidget>

class CLASS_SOURCE_ITEM;
class CLASS_KV_PUSH_OUTPUT_BUTTON;
class CLASS_KV_OUTPUT_SETTINGS_WIDGET;
class QResizeEvent;
class QShowEvent;
class VideoSource;

// Custom canvas mode: one picture placed on a free canvas, with named output
// rectangles laid over it. Every change of a setting recomposes the canvas.
class PAGE_CANVAS_OPTION : public QWidget, private Ui::PAGE_CANVAS_OPTION
{
    Q_OBJECT

public:
    enum _CROP_ID
    {
        CROP_LEFT = 0,
        CROP_TOP = 1,
        CROP_RIGHT = 2,
        CROP_BOTTOM = 3
    };
    enum _IMAGE_POSITION_IN_SCREEN_ID
    {
        IMAGE_POSITION_CENTERED = 0,
        IMAGE_POSITION_CUSTOM = 1
    };

    explicit PAGE_CANVAS_OPTION(QWidget* parent = nullptr);
    ~PAGE_CANVAS_OPTION() override;

    void SetStyleSheetApp(const QString& i_StyleSheet);
    // False when the picture cannot be loaded; o_Problem (optional) then
    // says why.
    bool LoadImage(const QString& i_FileName, QString* o_Problem = nullptr);
    void UpdateCroppingRange(_CROP_ID i_Side);
    void ApplyCropping(unsigned int i_Left, unsigned int i_Top, unsigned int i_Right, unsigned int i_Bottom);
    void ModifyBackgroundScreenColor(const QColor& i_Color);
    void ComputeImagePosInScreen(_IMAGE_POSITION_IN_SCREEN_ID i_Mode);
    void RefreshImageScreen();
    void InitUiComponent();
    void ChangeOutputsOptionsState();
    QString GenerateAutoOutputLabel();
    bool CheckOutputNameAlreadyExist(const QString& i_Name);
    void AddOutputItem(int i_ID, const QString& i_Label, const QColor& i_BorderColor, const QColor& i_FillColor);
    void ResetOutputs();
    void ModifyOutputItemSelected(unsigned int i_ID);
    void UnselectAllOutputItem();
    QRect ResizeOutputitemByDefault(unsigned int i_ID, bool i_KeepInside);
    void ComputeOutputsImage();
    void ReadConfiguration(const QJsonObject& i_Top);
    void WriteConfiguration(QJsonObject& io_Top);

    int OutputCount() const { return m_OutputCount; }
    // Output images of the last save, by output number.
    const QList<QImage>& OutputImages() const { return m_OutputImages; }

    // The composed screen at full size, as the outputs are cut from it.
    const QImage& ScreenImage() const { return m_ScreenImage; }
    // What one composition reads, as the controls last set it.
    const CanvasEngine::Input& Placement() const { return m_Input; }

protected slots:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private slots:
    void on_pushButtonLoadSource_clicked();
    void on_pushButtonSave_clicked();
    void on_pushButtonAddOutput_clicked();
    void on_pushButtonRemoveOutput_clicked();
    void on_pushButtonOutputsReset_clicked();
    void on_checkBoxCropSource_stateChanged(int i_CheckBoxState);
    void on_toolButtonColor_clicked();
    void on_horizontalSliderQuality_valueChanged(int value);
    void SLOT_ChangeItemSourceSceneBoundingRect(SDWord i_ID, QRectF i_NewBoundingRect);
    void SLOT_ClickOutputsButton(Bool i_Checked, DWord i_ID);
    void SLOT_ModifyCropping();
    void SLOT_ModifyScreenBackgroundMode(int i_ButtonId);
    void SLOT_ModifyImageSizeInScreenMode(int i_ButtonId);
    void SLOT_ModifyImagePositionInScreenMode(int i_ButtonId);
    void SLOT_ChangeImageSizeInScreen();
    void SLOT_ChangeImagePositionInScreen();
    void SLOT_ChangeOutputPosValue(SDWord i_ID);
    void SLOT_ChangeOutputSizeValue(SDWord i_ID);
    void SLOT_ChangeOutputItemSelectedState(DWord i_ID, Bool i_ItemSelectedState);
    void SLOT_ChangeScreenSize();
    void SLOT_ChangeCurrentOutputPos(int i_ButtonPosInScreenID);
    void SLOT_ChangeCurrentOutputSize(int i_ButtonSizeInScreenID);
    void SLOT_ChangeButtonLockerState(Bool i_Checked);

private:
    void FitViews();
    // Shows the screen and fits both views again, for views whose size may
    // have changed.
    void FollowViews();
    // Connected by hand, so that the page's slots stay those of its interface.
    void SavePatterns();
    // The picture of a file, or the first frame of a video (the time control
    // then shows); null, with the reason, when it cannot be read.
    QImage ReadSource(const QString& i_FileName, QString* o_Problem);
    // A video's frame chosen with the time control: the page recomposes at
    // once.
    void ShowVideoFrame(const QImage& i_Frame);
    void SaveVideos();
    QStringList OutputLabels() const;
    // What output i_ID's file holds for its part of the screen: at its
    // device's resolution, turned and mirrored for its mounting.
    QImage OutputFile(int i_ID, const QImage& i_Part) const;
    QRect OutputRect(int i_ID) const; // on the screen
    // LoadImage with a picture already read: false when it is null.
    bool UsePicture(const QImage& i_Picture, const QString& i_FileName);
    // The background, image size and image position as their modes are set.
    void ApplyModes();
    // The screen as its boxes set it, with the outputs on it; not composed.
    void FollowScreenSize();
    int CurrentOutput() const;
    bool TypedOutputValues(SDWord i_ID, QRect& o_Values) const;
    void PlaceOutput(int i_ID, const QRect& i_Rect);
    QSize ScreenSize() const { return QSize(m_Input.screenWidth, m_Input.screenHeight); }
    void FollowCropInOriginalSize();
    void ShowScreen();
    void ReportScreenTooLarge();
    void ReportUnknownId(const char* i_Operation, int i_Line, const QString& i_Text);
    void ShowMessage(QMessageBox::Icon i_Icon, const QString& i_Text, const QString& i_Detail = QString());
    // The loading message, with the file and the reason under it.
    void ReportLoadFailure(const QString& i_FileName, const QString& i_Problem);
    int LockedOtherSide(int i_Value, bool i_FromWidth) const;
    void ShowLock(bool i_Locked); // the locker's icon

    QGraphicsScene m_SourceScene;
    QGraphicsPixmapItem m_SourcePixmapItem;
    QImage m_SourceImage;
    QImage m_CroppedImage;
    int m_SourceWidth = 0;
    int m_SourceHeight = 0;
    QString m_SourcePath;
    QGraphicsScene m_ScreenScene;
    CLASS_KV_GRAPHICS_ITEM_SCREEN m_ScreenItem;
    QList<CLASS_SOURCE_ITEM*> m_OutputItems;
    QImage m_ScreenImage;
    // The size of the screen's picture on show; empty once the screen changed.
    QSize m_ShownSize;
    QList<QImage> m_OutputImages;
    // Screen size, placed size and position, and the fill of the screen.
    CanvasEngine::Input m_Input;
    QButtonGroup m_BackgroundGroup;
    QColor m_BackgroundColor = Qt::white;
    int m_BackgroundMode = 0;
    QButtonGroup m_ImageSizeGroup;
    int m_ImageSizeMode = 0;
    QButtonGroup m_ImagePositionGroup;
    _IMAGE_POSITION_IN_SCREEN_ID m_ImagePositionMode = IMAGE_POSITION_CENTERED;
    int m_OutputCount = 0;
    QList<CLASS_KV_PUSH_OUTPUT_BUTTON*> m_OutputButtons;
    QButtonGroup m_OutputButtonGroup;
    QList<CLASS_KV_OUTPUT_SETTINGS_WIDGET*> m_OutputSettingsWidgets;
    QList<QColor> m_OutputColors;
    QButtonGroup m_OutputPositionGroup;
    QButtonGroup m_OutputSizeGroup;
    QString m_StyleSheetApp;

    CanvasEngine::Composer m_Composer;
    // Set once the user was told the screen is too large, until it fits again.
    bool m_TooLargeReported = false;
    // Set while a set-up is read: the screen is composed once, at the end.
    bool m_HoldComposing = false;
    // The source while it is a video.
    VideoSource* m_Video = nullptr;
};
