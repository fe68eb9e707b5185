#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QPixmap>

// The canvas screen: one rectangle the size of the screen, filled with the
// composed picture of it and outlined by a dashed line. It stays at the
// scene origin, so its scene bounding rectangle is the screen in pixels.
class CLASS_KV_GRAPHICS_ITEM_SCREEN : public QGraphicsItem
{
public:
    CLASS_KV_GRAPHICS_ITEM_SCREEN(const QColor& i_BorderColor, QGraphicsItem* i_Parent = nullptr);
    ~CLASS_KV_GRAPHICS_ITEM_SCREEN() override;

    void SetPixmap(const QPixmap& i_Pixmap);

    QRectF boundingRect() const override;
    void paint(QPainter* i_Painter, const QStyleOptionGraphicsItem* i_Option,
               QWidget* i_Widget = nullptr) override;

private:
    QPixmap m_Pixmap;
    QColor m_BorderColor;
};
