#include "CanvasOutputs.h"

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

} // namespace CanvasOutputs
