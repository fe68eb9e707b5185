#include "canvas/KvGrabber.h"

#include "core/canvas/GrabberGeometry.h"

#include <QGraphicsSceneHoverEvent>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
const QColor IdleFill(0, 0, 0);
const QColor IdleOutline(168, 167, 166);
const QColor HoverFill(219, 112, 0);
const QColor HoverOutline(0, 0, 0);

QRectF GrabberBox()
{
    return QRectF(0, 0, GrabberGeometry::GrabberSize, GrabberGeometry::GrabberSize);
}
} // namespace

CLASS_KV_GRABBER::CLASS_KV_GRABBER(long long i_GrabberNumber, QGraphicsItem* i_Parent)
    : QGraphicsItem(i_Parent)
    , m_FillColor(IdleFill)
    , m_OutlineColor(IdleOutline)
    , m_GrabberNumber(i_GrabberNumber)
{
    setAcceptHoverEvents(true);
}

CLASS_KV_GRABBER::~CLASS_KV_GRABBER() = default;

long long CLASS_KV_GRABBER::GetGrabberNumber() const
{
    return m_GrabberNumber;
}

void CLASS_KV_GRABBER::SetGrabberNumber(long long i_GrabberNumber)
{
    m_GrabberNumber = i_GrabberNumber;
}

double CLASS_KV_GRABBER::GetMousePressX() const
{
    return m_MousePressX;
}

double CLASS_KV_GRABBER::GetMousePressY() const
{
    return m_MousePressY;
}

void CLASS_KV_GRABBER::SetMousePressX(double i_X)
{
    m_MousePressX = i_X;
}

void CLASS_KV_GRABBER::SetMousePressY(double i_Y)
{
    m_MousePressY = i_Y;
}

QRectF CLASS_KV_GRABBER::boundingRect() const
{
    return GrabberBox();
}

void CLASS_KV_GRABBER::paint(QPainter* i_Painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    QPainterPath path;
    path.addEllipse(GrabberBox());
    i_Painter->setPen(QPen(QBrush(m_OutlineColor), 2.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    i_Painter->setBrush(QBrush(m_FillColor));
    i_Painter->drawPath(path);
}

void CLASS_KV_GRABBER::hoverEnterEvent(QGraphicsSceneHoverEvent*)
{
    m_FillColor = HoverFill;
    m_OutlineColor = HoverOutline;
    update(GrabberBox());
}

void CLASS_KV_GRABBER::hoverLeaveEvent(QGraphicsSceneHoverEvent*)
{
    m_FillColor = IdleFill;
    m_OutlineColor = IdleOutline;
    update(GrabberBox());
}

// The rectangle's scene event filter does the real work; whatever it lets
// through is not for the handle.
void CLASS_KV_GRABBER::mousePressEvent(QGraphicsSceneMouseEvent* i_Event)
{
    i_Event->ignore();
}

void CLASS_KV_GRABBER::mouseMoveEvent(QGraphicsSceneMouseEvent* i_Event)
{
    i_Event->ignore();
}

void CLASS_KV_GRABBER::mouseReleaseEvent(QGraphicsSceneMouseEvent* i_Event)
{
    i_Event->ignore();
}
