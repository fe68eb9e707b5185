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
    // Shows a picture made at a lower resolution than the screen it stands
    // for: the item still spans i_ScreenSize, the picture stretched over it.
    void SetPixmap(const QPixmap& i_Pixmap, const QSize& i_ScreenSize);

    QRectF boundingRect() const override;
    void paint(QPainter* i_Painter, const QStyleOptionGraphicsItem* i_Option, QWidget* i_Widget = nullptr) override;

private:
    QPixmap m_Pixmap;
    QSize m_Size;
    QColor m_BorderColor;
};
