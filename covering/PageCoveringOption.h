#pragma once

#include "core/covering/CoveringCompose.h"
#include "core/covering/CoveringModel.h"
#include "covering/CoveringSaving.h"

#include <QColor>
#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QWidget>

class LayoutItem;
class VideoSource;
class QComboBox;
class QGraphicsScene;
class QPushButton;
class QSpinBox;
class QStackedWidget;

namespace Ui {
class PAGE_COVERING_OPTION;
}

// Covering mode: one picture cut over a regular grid of overlapping outputs.
class PAGE_COVERING_OPTION : public QWidget
{
    Q_OBJECT
    // Maps the controls to and from a set-up, through the page's handlers.
    friend class CoveringConfiguration;

public:
    explicit PAGE_COVERING_OPTION(QWidget* parent = nullptr);
    ~PAGE_COVERING_OPTION() override;

    void SetStyleSheetApp(const QString& i_StyleSheet);
    void CleanScene();
    void RefreshImages();
    void UpdateScreenCovLabel();
    void ReadConfiguration(const QJsonObject& i_Top);
    void WriteConfiguration(QJsonObject& io_Top);

    // Working values, as last copied from the controls: what a refresh reads.
    const CoveringEngine::Input& Model() const { return m_Input; }
    bool IsRefreshNeeded() const { return m_RefreshNeeded; }

    // Output images of the last refresh, [column][row].
    const CoveringEngine::ImageTable& ResultImages() const { return m_ResultImages; }
    const CoveringEngine::RecordTable& Records() const { return m_Records; }

private slots:
    void on_pushButtonLoadImg_clicked();
    void on_pushButtonGenerate_clicked();
    void on_pushButtonSave_clicked();
    void on_spinBoxScreenW_valueChanged(int i_Value);
    void on_spinBoxScreenH_valueChanged(int i_Value);
    void on_spinBoxOutputWidth_valueChanged(int i_Value);
    void on_spinBoxOutputHeight_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal1_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal2_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal3_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal4_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal5_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal6_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal7_valueChanged(int i_Value);
    void on_spinBoxCoveringHorizontal_X_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical1_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical2_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical3_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical4_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical5_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical6_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical7_valueChanged(int i_Value);
    void on_spinBoxCoveringVertical_X_valueChanged(int i_Value);
    void on_fullscreenRadioButton_clicked(bool i_Checked);
    void on_originalSizeRadioButton_clicked(bool i_Checked);
    void on_customSizeRadioButton_clicked(bool i_Checked);
    void on_spinBoxCustomSizeWidth_valueChanged(int i_Value);
    void on_spinBoxCustomSizeHeight_valueChanged(int i_Value);
    void on_pushButtonLocker_clicked(bool i_Checked);
    void on_centeredRadioButton_clicked(bool i_Checked);
    void on_customPosRadioButton_clicked(bool i_Checked);
    void on_spinBoxCustomPosWidth_valueChanged(int i_Value);
    void on_spinBoxCustomPosHeight_valueChanged(int i_Value);
    void on_radioButtonColor_clicked(bool i_Checked);
    void on_radioButtonTransparency_clicked(bool i_Checked);
    void on_toolButtonColor_clicked();
    void on_pushButtonCoveringHorizontal_clicked(bool i_Checked);
    void on_pushButtonCoveringVertical_clicked(bool i_Checked);
    void on_checkBoxCropSource_stateChanged(int i_State);
    void on_spinBoxCropLeft_valueChanged(int i_Value);
    void on_spinBoxCropRight_valueChanged(int i_Value);
    void on_spinBoxCropTop_valueChanged(int i_Value);
    void on_spinBoxCropBottom_valueChanged(int i_Value);
    void on_horizontalSliderQuality_valueChanged(int i_Value);
    void UpdateGeneralInfo();
    void UpdateCoveringInfo();
    void UpdateScreenSizeLabel();
    void ComputeResultImages();
    void ComputeFullscreenImages(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH);
    void ComputeOriginalSizeImagesCentered(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH);
    void ComputeOriginalSizeImagesCustomPos(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH);
    void ComputeCustomSizeImagesCentered(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH);
    void ComputeCustomSizeImagesCustomPos(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH);
    void ComputeImages(CoveringEngine::imgSizePosOnScreen& img, int scW, int scH, int imgPosX, int imgPosY,
                       int imgWidth, int imgHeight);
    void InitComboBoxCoveringHorizontal();
    void InitComboBoxCoveringVertical();
    void InitSpinBoxCoveringInfo();
    void refresfSourcePreview();
    void setBackgroundColor(QColor i_Color);
    // o_Problem (optional): why the picture could not be loaded, with its name.
    bool loadImage(QString i_FileName, QString* o_Problem = nullptr);
    void setRefreshNeeded(bool isRefreshNeded);

private:
    // One direction of the covering controls: columns (horizontal seams) or rows.
    struct SeamControls
    {
        QComboBox* comboBox;
        QStackedWidget* stackedWidget;
        QPushButton* allSeamsButton;
        QSpinBox* otherCountBox; // its maximum follows this direction's count
        const QStringList* texts;
        const QList<QSpinBox*>* boxes; // seam boxes 1..7, then the common box
    };
    SeamControls HorizontalSeams();
    SeamControls VerticalSeams();
    void CountChanged(const SeamControls& i_Seams, int i_Count);
    void AllSeamsToggled(const SeamControls& i_Seams, bool i_Checked);
    void CoveringBoxChanged();
    void CropMarginChanged(int& o_Margin, int i_Value, QSpinBox* i_Opposite, int i_Extent);
    // Each margin up to the picture's extent; the boxes clamp their values.
    void SetCropMaxima(int i_Width, int i_Height);
    void SizeModeChosen(CoveringRules::SizeMode i_Mode);
    void SoftEdgeChanged();
    // The grid's mounting, from its two combo boxes: only the files follow
    // it, so nothing needs refreshing.
    void OrientationChanged();
    // "Panel size...": fills every seam box from the panels' millimetres.
    void AskPanelSize();
    // Connected by hand, so that the page's slots stay those of its interface.
    void SavePatterns();
    // A video's frame chosen with the time control: the source view shows
    // it at once, the results after Refresh.
    void ShowVideoFrame(const QImage& i_Frame);
    void SaveVideos();
    CoveringSaving::Page SavingPage();
    void ShowMessage(QMessageBox::Icon i_Icon, const QString& i_Text, const QString& i_Detail = QString());

    Ui::PAGE_COVERING_OPTION* ui = nullptr;
    QList<QSpinBox*> m_HorizontalCoveringBoxes;
    QList<QSpinBox*> m_VerticalCoveringBoxes;
    QStringList m_HorizontalCoveringTexts;
    QStringList m_VerticalCoveringTexts;

    QString m_ImagePath;
    QImage m_LoadedImage;
    QImage m_SourceImage;
    QImage m_CroppedSource;
    bool m_Locked = false;
    // The one copy of the screen, source, placement and background values.
    CoveringEngine::Input m_Input;

    QGraphicsScene* m_SourceScene = nullptr;
    QGraphicsScene* m_ResultScene = nullptr;
    QVector<QVector<LayoutItem*>> m_PreviewItems;
    CoveringEngine::RecordTable m_Records;
    CoveringEngine::ImageTable m_ResultImages;

    bool m_RefreshNeeded = false;
    QString m_StyleSheetApp;
    // The panel last given to "Panel size...", kept in the set-up once used.
    bool m_HasPanel = false;
    OutputGeometry::Panel m_Panel;
    // The source while it is a video.
    VideoSource* m_Video = nullptr;
};
