#include "PageCanvasOption.h"

PAGE_CANVAS_OPTION::PAGE_CANVAS_OPTION(QWidget* parent)
    : QWidget(parent)
{
}

void PAGE_CANVAS_OPTION::SetStyleSheetApp(const QString& i_StyleSheet)
{
    m_StyleSheetApp = i_StyleSheet;
}
