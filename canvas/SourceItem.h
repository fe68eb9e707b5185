#pragma once

#include "core/common/ScalarTypes.h"

#include <QColor>
#include <QGraphicsItem>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>

class CLASS_KV_GRABBER;

// The rectangle of one canvas output. The user drags it by its body and,
// while it is selected, resizes it by eight handles; every drag step is
// reported in scene coordinates (screen pixels) so the page can keep it in
// the screen and mirror it in the output's spin boxes. Which output is
// selected is decided by the page: the item only reports that it was
// pressed.
class CLASS_SOURCE_ITEM : public QObject, public QGraphicsItem
{
    Q_OBJECT
    Q_INTERFACES(QGraphicsItem)

public:
    CLASS_SOURCE_ITEM(unsigned int i_ID, const QColor& i_BorderColor, const QColor& i_FillColor,
                      QGraphicsItem* i_Parent = nullptr);
    ~CLASS_SOURCE_ITEM() override;

    void SetSize(long long i_Width, long long i_Height);
    void SetItemPos(long long i_X, long long i_Y);
    void SetItemSelected(bool i_Selected);
    void SetGrabberPosition();
    void SetID(int i_ID);
    QColor GetBorderColor() const;
    void SetBorderColor(QColor i_Color);
    void AdjustSize(long long i_WidthIncrement, long long i_HeightIncrement);
    // How the output's panel is mounted, in degrees clockwise: any turn
    // shows as an arrow pointing to the panel's top.
    void SetMountRotation(int i_Degrees);
    int MountRotation() const;

    bool IsItemSelected() const;
    bool IsGrabberSelected() const;
    bool IsItemPressed() const;

    QRectF boundingRect() const override;
    void paint(QPainter* i_Painter, const QStyleOptionGraphicsItem* i_Option, QWidget* i_Widget = nullptr) override;

signals:
    void SIGNAL_ItemSourceSceneBoundingRectChange(DWord i_OutputNumber, const QRectF& i_NewBoundingRect);
    void SIGNAL_ItemSelectedStateChanged(DWord i_ID, Bool i_ItemSelectedState);

protected:
    void mouseMoveEvent(QGraphicsSceneMouseEvent* i_Event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* i_Event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* i_Event) override;
    bool sceneEventFilter(QGraphicsItem* i_Watched, QEvent* i_Event) override;

private:
    void DeleteGrabbers();

    DWord m_ID;
    bool m_ItemSelected = false;
    QColor m_BorderColor;
    QColor m_FillColor;
    QList<CLASS_KV_GRABBER*> m_Grabbers;
    long long m_Width = 250;
    long long m_Height = 250;
    QPointF m_PressPosition;
    QPointF m_ItemPosition;
    bool m_GrabberSelected = false;
    bool m_ItemPressed = false;
    int m_MountRotation = 0;
};
