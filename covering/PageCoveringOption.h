#pragma once

#include "CoveringModel.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QComboBox;
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

public:
    explicit PAGE_COVERING_OPTION(QWidget* parent = nullptr);
    ~PAGE_COVERING_OPTION() override;

    void SetStyleSheetApp(const QString& i_StyleSheet);

    // Working values of the screen model, as last copied from the controls.
    const CoveringModel& Model() const { return m_Model; }
    bool IsRefreshNeeded() const { return m_RefreshNeeded; }

public slots:
    void UpdateScreenCovLabel();

private slots:
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
    void on_pushButtonCoveringHorizontal_clicked(bool i_Checked);
    void on_pushButtonCoveringVertical_clicked(bool i_Checked);
    void on_horizontalSliderQuality_valueChanged(int i_Value);
    void UpdateGeneralInfo();
    void UpdateCoveringInfo();
    void UpdateScreenSizeLabel();
    void InitComboBoxCoveringHorizontal();
    void InitComboBoxCoveringVertical();
    void InitSpinBoxCoveringInfo();
    void setRefreshNeeded(bool isRefreshNeded);

private:
    // One direction of the covering controls: columns (horizontal seams) or rows.
    struct SeamControls
    {
        QComboBox* comboBox;
        QStackedWidget* stackedWidget;
        QPushButton* allSeamsButton;
        QSpinBox* otherCountBox;          // its maximum follows this direction's count
        const QStringList* texts;
        const QList<QSpinBox*>* boxes;    // seam boxes 1..7, then the common box
    };
    SeamControls HorizontalSeams();
    SeamControls VerticalSeams();
    void CountChanged(const SeamControls& i_Seams, int i_Count);
    void AllSeamsToggled(const SeamControls& i_Seams, bool i_Checked);
    void CoveringBoxChanged();

    Ui::PAGE_COVERING_OPTION* ui = nullptr;
    CoveringModel m_Model;
    QList<QSpinBox*> m_HorizontalCoveringBoxes;
    QList<QSpinBox*> m_VerticalCoveringBoxes;
    QStringList m_HorizontalCoveringTexts;
    QStringList m_VerticalCoveringTexts;

    QString m_ImagePath;
    QImage m_SourceImage;
    bool m_RefreshNeeded = false;
    QString m_StyleSheetApp;
};
