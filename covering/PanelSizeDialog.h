#pragma once

#include "core/geometry/OutputGeometry.h"

#include <QDialog>
#include <QSize>

class QDoubleSpinBox;
class QLabel;

// "Panel size...": the panels' active area and frames in millimetres, from
// which the page fills its seam boxes. It shows the coverings the values
// give for panels of i_Output pixels as they are typed.
class PanelSizeDialog : public QDialog
{
    Q_OBJECT

public:
    PanelSizeDialog(const OutputGeometry::Panel& i_Panel, const QSize& i_Output, QWidget* i_Parent = nullptr);

    OutputGeometry::Panel Panel() const;

private:
    void ShowCoverings();

    QSize m_Output;
    QDoubleSpinBox* m_Width;
    QDoubleSpinBox* m_Height;
    QDoubleSpinBox* m_Left;
    QDoubleSpinBox* m_Right;
    QDoubleSpinBox* m_Top;
    QDoubleSpinBox* m_Bottom;
    QLabel* m_Coverings;
};
