#include "covering/LayoutItem.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>

LayoutItem::LayoutItem(QGraphicsItem* parent)
    : QGraphicsLayoutItem(nullptr)
    , QGraphicsItem(parent)
{
    setGraphicsItem(this);
}

LayoutItem::LayoutItem(QLatin1String i_Path, QGraphicsItem* parent)
    : QGraphicsLayoutItem(nullptr)
    , QGraphicsItem(parent)
    , m_Pixmap(QString(i_Path))
{
    setGraphicsItem(this);
}

LayoutItem::LayoutItem(const QPixmap& i_Pixmap, QGraphicsItem* parent)
    : QGraphicsLayoutItem(nullptr)
    , QGraphicsItem(parent)
    , m_Pixmap(i_Pixmap)
{
    setGraphicsItem(this);
}

LayoutItem::~LayoutItem() = default;

void LayoutItem::setPixmap(const QPixmap& i_Pixmap)
{
    m_Pixmap = i_Pixmap;
}

void LayoutItem::setGeometry(const QRectF& i_Geometry)
{
    prepareGeometryChange();
    QGraphicsLayoutItem::setGeometry(i_Geometry);
    setPos(i_Geometry.topLeft());
}

QSizeF LayoutItem::sizeHint(Qt::SizeHint i_Which, const QSizeF& i_Constraint) const
{
    switch (i_Which) {
    case Qt::MinimumSize:
    case Qt::PreferredSize:
        return QSizeF(m_Pixmap.size()) + QSizeF(12, 12);
    case Qt::MaximumSize:
        return QSizeF(1000, 1000);
    default:
        return i_Constraint;
    }
}

QRectF LayoutItem::boundingRect() const
{
    return QRectF(QPointF(0, 0), geometry().size());
}

void LayoutItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    const QPointF centre(geometry().width() * 0.5, geometry().height() * 0.5);
    const QRectF frame(centre.x() - m_Pixmap.width() * 0.5, centre.y() - m_Pixmap.height() * 0.5, m_Pixmap.width(),
                       m_Pixmap.height());

    // Loading by path goes through the pixmap cache, so this is cheap per paint.
    const QPixmap checkerboard(QStringLiteral(":/icons/grid.png"));
    const QColor frameColour(QStringLiteral("#6C6C6C"));
    painter->setPen(QPen(QBrush(frameColour, Qt::SolidPattern), 4.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter->setBrush(QBrush(checkerboard));
    painter->drawRect(frame);
    painter->drawPixmap(frame.topLeft(), m_Pixmap);
}

void LayoutItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        QGraphicsItem::mousePressEvent(event);
        event->accept();
    }
}
