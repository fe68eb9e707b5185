#include "core/covering/CoveringModel.h"

#include <algorithm>

void CoveringModel::SetGrid(int columns, int rows, int outWidth, int outHeight)
{
    columnCount = columns;
    rowCount = rows;
    outputWidth = outWidth;
    outputHeight = outHeight;
    screenPixelWidth = columns * outWidth;
    screenPixelHeight = rows * outHeight;
}

void CoveringModel::UpdateCoverings(const SeamBoxes& horizontalBoxes, const SeamBoxes& verticalBoxes)
{
    coveredWidth = screenPixelWidth;
    coveredHeight = screenPixelHeight;

    for (int k = 0; k < std::min(columnCount - 1, MaxSeams); ++k) {
        horizontalCoverings[k] = horizontalAllSeams ? horizontalBoxes[MaxSeams] : horizontalBoxes[k];
        coveredWidth -= horizontalCoverings[k];
    }
    for (int k = 0; k < std::min(rowCount - 1, MaxSeams); ++k) {
        verticalCoverings[k] = verticalAllSeams ? verticalBoxes[MaxSeams] : verticalBoxes[k];
        coveredHeight -= verticalCoverings[k];
    }

    columnOffsets[0] = 0;
    rowOffsets[0] = 0;
    for (int i = 1; i < MaxCount; ++i) {
        columnOffsets[i] = columnOffsets[i - 1] + horizontalCoverings[i - 1];
        rowOffsets[i] = rowOffsets[i - 1] + verticalCoverings[i - 1];
    }
}

int MaxCountBeside(int otherCount)
{
    return std::min(CoveringModel::MaxOutputs - otherCount, CoveringModel::MaxCount);
}

QString SizeText(int width, int height)
{
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

QSize PreviewCellSize(QSize viewSize, int columns, int rows, int outputWidth, int outputHeight)
{
    const float ratio = float(outputWidth) / float(outputHeight);
    int cellWidth = (viewSize.width() - 30 - 20 * columns) / columns;
    int cellHeight = int(cellWidth / ratio);
    if (cellHeight * rows + 20 * rows + 30 > viewSize.height()) {
        cellHeight = (viewSize.height() - 30 - 20 * rows) / rows;
        cellWidth = int(ratio * cellHeight);
    }
    return QSize(cellWidth, cellHeight);
}

namespace CoveringRules {

int CropOppositeMaximum(int i_Extent, int i_Margin)
{
    return std::max(i_Extent - i_Margin - 1, 0);
}

ActionStates RefreshSaveStates(bool i_RefreshNeeded, bool i_ImageLoaded, bool i_HasSource)
{
    ActionStates states;
    states.refresh = i_RefreshNeeded && i_ImageLoaded;
    states.save = !i_RefreshNeeded && i_ImageLoaded && i_HasSource;
    return states;
}

PlacementControlStates PlacementControls(SizeMode i_Mode, bool i_CustomPosition)
{
    PlacementControlStates states;
    states.locker = i_Mode == SizeMode::CustomSize;
    states.sizeBoxes = i_Mode == SizeMode::CustomSize;
    states.positionButtons = i_Mode != SizeMode::FullScreen;
    states.positionBoxes = states.positionButtons && i_CustomPosition;
    return states;
}

} // namespace CoveringRules
