#pragma once

#include <QColor>
#include <QGraphicsItem>

// One round resize handle of an output rectangle. It only draws itself and
// lights up under the mouse; presses and drags on it are handled by its
// rectangle, which watches it as a scene event filter.
class CLASS_KV_GRABBER : public QGraphicsItem
{
public:
    CLASS_KV_GRABBER(long long i_GrabberNumber, QGraphicsItem* i_Parent = nullptr);
    ~CLASS_KV_GRABBER() override;

    long long GetGrabberNumber() const;
    void SetGrabberNumber(long long i_GrabberNumber);
    double GetMousePressX() const;
    double GetMousePressY() const;
    void SetMousePressX(double i_X);
    void SetMousePressY(double i_Y);

    QRectF boundingRect() const override;
    void paint(QPainter* i_Painter, const QStyleOptionGraphicsItem* i_Option, QWidget* i_Widget = nullptr) override;

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* i_Event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* i_Event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* i_Event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* i_Event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* i_Event) override;

private:
    QColor m_FillColor;
    QColor m_OutlineColor;
    long long m_GrabberNumber;
    double m_MousePressX = 0;
    double m_MousePressY = 0;
};
