#include "common/ClickableQLabel.h"

#include <QMouseEvent>

ClickableQLabel::ClickableQLabel(QWidget* parent)
    : QLabel(parent, Qt::WindowFlags())
{
}

void ClickableQLabel::mouseReleaseEvent(QMouseEvent* event)
{
    emit clicked();
    event->accept();
}
