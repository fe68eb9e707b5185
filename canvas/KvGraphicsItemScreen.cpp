#include "canvas/KvGraphicsItemScreen.h"

#include <QPainter>
#include <QPainterPath>

CLASS_KV_GRAPHICS_ITEM_SCREEN::CLASS_KV_GRAPHICS_ITEM_SCREEN(const QColor& i_BorderColor, QGraphicsItem* i_Parent)
    : QGraphicsItem(i_Parent)
    , m_BorderColor(i_BorderColor)
{
    setAcceptHoverEvents(true);
}

CLASS_KV_GRAPHICS_ITEM_SCREEN::~CLASS_KV_GRAPHICS_ITEM_SCREEN() = default;

void CLASS_KV_GRAPHICS_ITEM_SCREEN::SetPixmap(const QPixmap& i_Pixmap)
{
    SetPixmap(i_Pixmap, i_Pixmap.size());
}

void CLASS_KV_GRAPHICS_ITEM_SCREEN::SetPixmap(const QPixmap& i_Pixmap, const QSize& i_ScreenSize)
{
    // The scene indexes items by their bounding rectangle: tell it first.
    const QSize size = i_Pixmap.isNull() ? QSize() : i_ScreenSize;
    if (size != m_Size)
        prepareGeometryChange();
    m_Pixmap = i_Pixmap;
    m_Size = size;
    update(QRectF());
}

QRectF CLASS_KV_GRAPHICS_ITEM_SCREEN::boundingRect() const
{
    return QRectF(0, 0, m_Size.width(), m_Size.height());
}

void CLASS_KV_GRAPHICS_ITEM_SCREEN::paint(QPainter* i_Painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (m_Pixmap.isNull())
        return;
    QPainterPath path;
    path.addRect(boundingRect());
    i_Painter->setPen(QPen(QBrush(m_BorderColor), 4.0, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin));
    // The texture starts at the item's origin: the picture covers the
    // rectangle exactly once, unscaled.
    i_Painter->setBrushOrigin(0, 0);
    QBrush brush(m_Pixmap);
    if (m_Size != m_Pixmap.size())
        brush.setTransform(QTransform::fromScale(qreal(m_Size.width()) / m_Pixmap.width(),
                                                 qreal(m_Size.height()) / m_Pixmap.height()));
    i_Painter->setBrush(brush);
    i_Painter->drawPath(path);
}
