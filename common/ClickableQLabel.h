#pragma once

#include <QLabel>

// A label that reports a click: the release of any mouse button over it.
class ClickableQLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ClickableQLabel(QWidget* parent = nullptr);

signals:
    void clicked();

public slots:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
