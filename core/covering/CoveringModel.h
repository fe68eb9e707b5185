#pragma once

#include <QSize>
#include <QString>

#include <array>

// The covering screen: a grid of equal outputs whose neighbouring columns
// (rows) overlap by a covering per seam; a negative covering is a gap.
// Widget-free so the page, the tests and a headless renderer share it.
struct CoveringModel
{
    static constexpr int MaxCount = 8; // columns or rows
    static constexpr int MaxSeams = MaxCount - 1;
    static constexpr int MaxOutputs = 12; // columns + rows together

    int columnCount = 1;
    int rowCount = 1;
    int outputWidth = 1920;
    int outputHeight = 1080;
    int screenPixelWidth = 1920;
    int screenPixelHeight = 1080;
    int coveredWidth = 1920;
    int coveredHeight = 1080;
    std::array<int, MaxSeams> horizontalCoverings{};
    std::array<int, MaxSeams> verticalCoverings{};
    std::array<int, MaxCount> columnOffsets{};
    std::array<int, MaxCount> rowOffsets{};
    bool horizontalAllSeams = false;
    bool verticalAllSeams = false;

    // Values of the seam boxes 1..7 at indices 0..6 and of the common box at 7.
    using SeamBoxes = std::array<int, MaxSeams + 1>;

    // Sets counts and sizes and the screen pixel size that follows from them.
    void SetGrid(int columns, int rows, int outWidth, int outHeight);

    // Coverings of the seams in use, covered size and cumulative offsets.
    // Coverings of seams beyond the grid keep what an earlier, larger grid
    // left; only offsets of the columns and rows in use are meaningful.
    void UpdateCoverings(const SeamBoxes& horizontalBoxes, const SeamBoxes& verticalBoxes);

    // Left and top edge of output (column, row) on the covered screen.
    int OutputLeft(int column) const { return column * outputWidth - columnOffsets[column]; }
    int OutputTop(int row) const { return row * outputHeight - rowOffsets[row]; }
};

// Largest count allowed in one direction when the other holds `otherCount`,
// so that columns + rows never exceed 12.
int MaxCountBeside(int otherCount);

// "%1 x %2" in plain decimal.
QString SizeText(int width, int height);

// Size of one preview cell for a grid of `columns` x `rows` outputs in a view
// of `viewSize`, keeping the outputs' aspect ratio. Either side may come out
// 0 or negative when the view is too small for the grid.
QSize PreviewCellSize(QSize viewSize, int columns, int rows, int outputWidth, int outputHeight);

// Rules of the covering page's controls that need no widget: the page asks
// these and applies the answers to its controls.
namespace CoveringRules {

// Largest margin the opposite crop box allows once one margin is set, so
// that at least one pixel column (row) of an image i_Extent wide remains.
int CropOppositeMaximum(int i_Extent, int i_Margin);

// Refresh is offered while the result is stale and an image is loaded; Save
// once the result is current and there is a source to cut.
struct ActionStates
{
    bool refresh = false;
    bool save = false;
};
ActionStates RefreshSaveStates(bool i_RefreshNeeded, bool i_ImageLoaded, bool i_HasSource);

// Which size and position controls a size mode leaves enabled. The position
// boxes also need the custom position chosen.
enum class SizeMode
{
    FullScreen,
    OriginalSize,
    CustomSize
};
struct PlacementControlStates
{
    bool locker = false;
    bool sizeBoxes = false;
    bool positionButtons = false;
    bool positionBoxes = false;
};
PlacementControlStates PlacementControls(SizeMode i_Mode, bool i_CustomPosition);

} // namespace CoveringRules
