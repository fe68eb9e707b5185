#pragma once

#include <QGraphicsItem>
#include <QGraphicsLayoutItem>
#include <QLatin1String>
#include <QPixmap>

// One cell of the covering preview grid: an output's picture framed over a
// checkerboard, so transparent parts of the output show as such.
class LayoutItem : public QGraphicsLayoutItem, public QGraphicsItem
{
public:
    explicit LayoutItem(QGraphicsItem* parent = nullptr);
    explicit LayoutItem(QLatin1String i_Path, QGraphicsItem* parent = nullptr);
    explicit LayoutItem(const QPixmap& i_Pixmap, QGraphicsItem* parent = nullptr);
    ~LayoutItem() override;

    void setPixmap(const QPixmap& i_Pixmap);
    const QPixmap& pixmap() const { return m_Pixmap; }

    void setGeometry(const QRectF& i_Geometry) override;
    QSizeF sizeHint(Qt::SizeHint i_Which, const QSizeF& i_Constraint = QSizeF()) const override;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget = nullptr) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;

private:
    QPixmap m_Pixmap;
};
