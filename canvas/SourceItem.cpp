#include "canvas/SourceItem.h"

#include "core/canvas/GrabberGeometry.h"
#include "canvas/KvGrabber.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

// Item coordinates of a mouse event are taken from its scene position here:
// the position the scene puts into the event uses the item's place as of the
// scene's last deferred update, so when moves come in faster than the event
// loop turns it lags one step behind the item's own setPos calls.

CLASS_SOURCE_ITEM::CLASS_SOURCE_ITEM(unsigned int i_ID, const QColor& i_BorderColor, const QColor& i_FillColor,
                                     QGraphicsItem* i_Parent)
    : QObject(nullptr)
    , QGraphicsItem(i_Parent)
    , m_ID(i_ID)
    , m_BorderColor(i_BorderColor)
    , m_FillColor(i_FillColor)
{
}

// The handles are child items and go with the item.
CLASS_SOURCE_ITEM::~CLASS_SOURCE_ITEM() = default;

void CLASS_SOURCE_ITEM::SetSize(long long i_Width, long long i_Height)
{
    prepareGeometryChange();
    m_Width = i_Width;
    m_Height = i_Height;
    if (m_ItemSelected)
        SetGrabberPosition();
    update();
}

void CLASS_SOURCE_ITEM::SetItemPos(long long i_X, long long i_Y)
{
    m_ItemPosition = QPointF(i_X, i_Y);
    setPos(m_ItemPosition);
}

void CLASS_SOURCE_ITEM::SetItemSelected(bool i_Selected)
{
    m_ItemSelected = i_Selected;
    if (!i_Selected) {
        DeleteGrabbers();
        return;
    }

    if (m_Grabbers.isEmpty()) {
        for (long long number = 0; number < GrabberGeometry::GrabberCount; ++number) {
            auto* grabber = new CLASS_KV_GRABBER(number, this);
            m_Grabbers.append(grabber);
            // The toolkit only filters between items of one scene; outside a
            // scene it would just warn.
            if (scene())
                grabber->installSceneEventFilter(this);
        }
    }
    SetGrabberPosition();
}

void CLASS_SOURCE_ITEM::DeleteGrabbers()
{
    if (m_Grabbers.isEmpty())
        return;
    qDeleteAll(m_Grabbers);
    m_Grabbers.clear();
    // A handle that is gone will never see its release.
    m_GrabberSelected = false;
}

void CLASS_SOURCE_ITEM::SetGrabberPosition()
{
    for (CLASS_KV_GRABBER* grabber : qAsConst(m_Grabbers))
        grabber->setPos(GrabberGeometry::GrabberPosition(grabber->GetGrabberNumber(), m_Width, m_Height));
}

void CLASS_SOURCE_ITEM::SetID(int i_ID)
{
    m_ID = static_cast<DWord>(i_ID);
}

QColor CLASS_SOURCE_ITEM::GetBorderColor() const
{
    return m_BorderColor;
}

void CLASS_SOURCE_ITEM::SetBorderColor(QColor i_Color)
{
    m_BorderColor = i_Color;
    update();
}

void CLASS_SOURCE_ITEM::AdjustSize(long long i_WidthIncrement, long long i_HeightIncrement)
{
    prepareGeometryChange();
    m_Width += i_WidthIncrement;
    m_Height += i_HeightIncrement;
}

bool CLASS_SOURCE_ITEM::IsItemSelected() const
{
    return m_ItemSelected;
}

bool CLASS_SOURCE_ITEM::IsGrabberSelected() const
{
    return m_GrabberSelected;
}

bool CLASS_SOURCE_ITEM::IsItemPressed() const
{
    return m_ItemPressed;
}

QRectF CLASS_SOURCE_ITEM::boundingRect() const
{
    return QRectF(0, 0, m_Width, m_Height);
}

void CLASS_SOURCE_ITEM::paint(QPainter* i_Painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    QPainterPath path;
    path.addRect(boundingRect());
    i_Painter->setPen(QPen(QBrush(m_BorderColor), 4.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    i_Painter->setBrush(QBrush(m_FillColor));
    i_Painter->drawPath(path);
    if (!m_MountRotation)
        return;
    // An arrow from the centre towards the panel's top as it is mounted.
    const QRectF rect = boundingRect();
    const qreal length = qMin(rect.width(), rect.height()) * 0.4;
    if (length < 4.0)
        return;
    i_Painter->save();
    i_Painter->translate(rect.center());
    i_Painter->rotate(m_MountRotation);
    i_Painter->setPen(QPen(QBrush(m_BorderColor), qMax(2.0, length / 10.0), Qt::SolidLine, Qt::RoundCap,
                           Qt::RoundJoin));
    i_Painter->setBrush(QBrush(m_BorderColor));
    const qreal head = length / 3.0;
    i_Painter->drawLine(QPointF(0.0, length / 2.0), QPointF(0.0, -length / 2.0 + head / 2.0));
    i_Painter->drawPolygon(QPolygonF({QPointF(0.0, -length / 2.0), QPointF(-head / 2.0, -length / 2.0 + head),
                                      QPointF(head / 2.0, -length / 2.0 + head)}));
    i_Painter->restore();
}

void CLASS_SOURCE_ITEM::SetMountRotation(int i_Degrees)
{
    if (m_MountRotation == i_Degrees)
        return;
    m_MountRotation = i_Degrees;
    update();
}

int CLASS_SOURCE_ITEM::MountRotation() const
{
    return m_MountRotation;
}

void CLASS_SOURCE_ITEM::mousePressEvent(QGraphicsSceneMouseEvent* i_Event)
{
    if (i_Event->button() != Qt::LeftButton) {
        // Not taking the mouse keeps other buttons from dragging the item
        // from a stale press point.
        i_Event->ignore();
        return;
    }
    i_Event->accept();
    m_PressPosition = mapFromScene(i_Event->scenePos());
    // The drag starts from where the item really is, even if it was moved
    // by a handle or by setPos since the last SetItemPos.
    m_ItemPosition = pos();
    m_ItemPressed = true;
    SetItemSelected(true);
    emit SIGNAL_ItemSelectedStateChanged(m_ID, true);
}

void CLASS_SOURCE_ITEM::mouseMoveEvent(QGraphicsSceneMouseEvent* i_Event)
{
    if (!m_ItemPressed)
        return;
    // The item moved by the last offset, so the mouse is back at the press
    // point in item coordinates and each step only adds the new movement.
    m_ItemPosition += mapFromScene(i_Event->scenePos()) - m_PressPosition;
    setPos(m_ItemPosition);
    emit SIGNAL_ItemSourceSceneBoundingRectChange(m_ID, sceneBoundingRect());
}

void CLASS_SOURCE_ITEM::mouseReleaseEvent(QGraphicsSceneMouseEvent* i_Event)
{
    if (i_Event->button() != Qt::LeftButton)
        return;
    m_ItemPressed = false;
    i_Event->accept();
}

bool CLASS_SOURCE_ITEM::sceneEventFilter(QGraphicsItem* i_Watched, QEvent* i_Event)
{
    auto* grabber = dynamic_cast<CLASS_KV_GRABBER*>(i_Watched);
    if (!grabber)
        return false;

    switch (i_Event->type()) {
    case QEvent::GraphicsSceneMousePress: {
        const QPointF pressed = grabber->mapFromScene(static_cast<QGraphicsSceneMouseEvent*>(i_Event)->scenePos());
        m_GrabberSelected = true;
        grabber->SetMousePressX(pressed.x());
        grabber->SetMousePressY(pressed.y());
        // Consumed while still accepted: the handle keeps the mouse grab
        // and the following moves come back through here.
        return true;
    }
    case QEvent::GraphicsSceneMouseMove: {
        const QPointF mouse = grabber->mapFromScene(static_cast<QGraphicsSceneMouseEvent*>(i_Event)->scenePos());
        const GrabberGeometry::ResizeStep step = GrabberGeometry::ComputeResizeStep(
            grabber->GetGrabberNumber(), m_Width, m_Height, pos(),
            QPointF(grabber->GetMousePressX(), grabber->GetMousePressY()), mouse);
        prepareGeometryChange();
        m_Width = step.width;
        m_Height = step.height;
        setPos(step.itemPosition);
        SetGrabberPosition();
        update();
        emit SIGNAL_ItemSourceSceneBoundingRectChange(m_ID, sceneBoundingRect());
        return true;
    }
    case QEvent::GraphicsSceneMouseRelease:
    case QEvent::GraphicsSceneMouseDoubleClick:
        m_GrabberSelected = false;
        return false;
    default:
        return false;
    }
}
