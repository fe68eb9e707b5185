#include "core/canvas/CanvasOutputs.h"

namespace CanvasOutputs {

QList<QColor> Palette()
{
    QList<QColor> palette;
    for (const char* name : {"#e31f1d", "#2f4895", "#56ab36", "#cc9999", "#3499cd", "#faf19a", "#cb9902", "#a24b93",
                             "#99cccc", "#ea663b", "#f4e500", "#e6418d", "#ed4544", "#4c35c0", "#5ade8b", "#8e0379"})
        palette << QColor(name);
    return palette;
}

QColor FreeColour(const QList<QColor>& i_Palette, const QList<QColor>& i_Used)
{
    for (const QColor& colour : i_Palette)
        if (!i_Used.contains(colour))
            return colour;
    return QColor();
}

QString ProposedLabel(const QStringList& i_Taken)
{
    for (int n = 1; n <= 9998; ++n) {
        const QString candidate = QStringLiteral("Output ") + QString::number(n);
        if (!i_Taken.contains(candidate))
            return candidate;
    }
    return QStringLiteral("Output label");
}

ControlStates OutputControlStates(bool i_HasImage, int i_OutputCount)
{
    ControlStates states;
    states.add = i_HasImage && i_OutputCount < kMaxOutputs;
    states.others = i_HasImage && i_OutputCount > 0;
    return states;
}

QRect DefaultRect(int i_ID, const QSize& i_Screen)
{
    const int width = i_Screen.width();
    const int height = i_Screen.height();
    const int a = width / 3;
    const int b = height / 3;
    const int dx = width / 48;
    const int dy = height / 27;
    const int x0 = width / 2 - (15 * dx + a) / 2;
    const int y0 = height / 2 - (15 * dy + b) / 2;
    return QRect(x0 + i_ID * dx, y0 + i_ID * dy, a, b);
}

QRect KeptOrDefaultRect(const QRectF& i_Current, int i_ID, const QSize& i_Screen)
{
    const qreal x = i_Current.x(), y = i_Current.y(), w = i_Current.width(), h = i_Current.height();
    const qreal width = i_Screen.width(), height = i_Screen.height();
    if (x >= 0 && y >= 0 && x + w <= width && y + h <= height && w <= width && h <= height)
        return QRect(int(x), int(y), int(w), int(h));
    return DefaultRect(i_ID, i_Screen);
}

QRect PushedInside(const QRect& i_Rect, const QSize& i_Screen)
{
    int x = qMax(i_Rect.x(), 0);
    int y = qMax(i_Rect.y(), 0);
    if (x + i_Rect.width() > i_Screen.width())
        x = i_Screen.width() - i_Rect.width();
    if (y + i_Rect.height() > i_Screen.height())
        y = i_Screen.height() - i_Rect.height();
    return QRect(x, y, i_Rect.width(), i_Rect.height());
}

QRect ClippedToScreen(const QRect& i_Rect, const QSize& i_Screen)
{
    int x = i_Rect.x(), y = i_Rect.y(), w = i_Rect.width(), h = i_Rect.height();
    if (x < 0) {
        w += x;
        x = 0;
    }
    if (y < 0) {
        h += y;
        y = 0;
    }
    if (x + w >= i_Screen.width())
        w = i_Screen.width() - x;
    if (y + h >= i_Screen.height())
        h = i_Screen.height() - y;
    return QRect(x, y, w, h);
}

Correction PositionCorrection(const QRect& i_Values, const QSize& i_Screen)
{
    const int x = i_Values.x(), y = i_Values.y(), w = i_Values.width(), h = i_Values.height();
    if (x < 0)
        return {Field::X, 0};
    if (x > i_Screen.width() - w)
        return {Field::X, i_Screen.width() - w};
    if (y < 0)
        return {Field::Y, 0};
    if (y > i_Screen.height() - h)
        return {Field::Y, i_Screen.height() - h};
    return {};
}

Correction SizeCorrection(const QRect& i_Values, const QSize& i_Screen)
{
    const int x = i_Values.x(), y = i_Values.y(), w = i_Values.width(), h = i_Values.height();
    // At the screen's far edge no width fits: the rectangle moves back
    // instead, or the two corrections would undo each other for ever.
    if (w < 1)
        return {Field::Width, 1};
    if (w > i_Screen.width() - x)
        return i_Screen.width() - x >= 1 ? Correction{Field::Width, i_Screen.width() - x}
                                         : Correction{Field::X, i_Screen.width() - w};
    if (h < 1)
        return {Field::Height, 1};
    if (h > i_Screen.height() - y)
        return i_Screen.height() - y >= 1 ? Correction{Field::Height, i_Screen.height() - y}
                                          : Correction{Field::Y, i_Screen.height() - h};
    return {};
}

QPoint ButtonPosition(int i_ID, const QSize& i_Screen, const QSize& i_Output)
{
    if (i_ID < 0 || i_ID > 8)
        i_ID = 0;
    const int column = i_ID % 3;
    const int row = i_ID / 3;
    const int xs[] = {0, i_Screen.width() / 2 - i_Output.width() / 2, i_Screen.width() - i_Output.width()};
    const int ys[] = {0, i_Screen.height() / 2 - i_Output.height() / 2, i_Screen.height() - i_Output.height()};
    return QPoint(xs[column], ys[row]);
}

QRect ButtonSize(int i_ID, const QSize& i_Screen, const QRect& i_Output)
{
    switch (i_ID) {
    case 0:
        return QRect(0, 0, i_Screen.width() / 2, i_Screen.height() / 2);
    case 1:
        return QRect(i_Output.x(), 0, i_Output.width(), i_Screen.height());
    case 2:
        return QRect(0, i_Output.y(), i_Screen.width(), i_Output.height());
    case 3:
        return QRect(QPoint(0, 0), i_Screen);
    default:
        return i_Output;
    }
}

Patterns::Layout PatternLayout(const QSize& i_Screen, const QList<Patterns::Output>& i_Outputs)
{
    Patterns::Layout layout;
    layout.screen = i_Screen;
    layout.outputs = i_Outputs;
    layout.overlaps = Patterns::PairOverlaps(layout.outputs);
    layout.sharedMarks = false;
    return layout;
}

} // namespace CanvasOutputs
