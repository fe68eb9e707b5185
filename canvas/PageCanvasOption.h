#pragma once

#include <QWidget>

// Custom canvas mode: named output rectangles on a free canvas.
class PAGE_CANVAS_OPTION : public QWidget
{
    Q_OBJECT

public:
    explicit PAGE_CANVAS_OPTION(QWidget* parent = nullptr);

    void SetStyleSheetApp(const QString& i_StyleSheet);

private:
    QString m_StyleSheetApp;
};
