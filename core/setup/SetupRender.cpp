#include "core/setup/SetupRender.h"

#include "core/canvas/CanvasOutputs.h"
#include "core/covering/CoveringSave.h"
#include "core/imaging/ImageLimits.h"
#include "core/naming/OutputNames.h"
#include "core/setup/ControlRanges.h"

#include <QFileInfo>

#include <memory>
#include <mutex>

namespace SetupRender {

using namespace ControlRanges;

CoveringSettings CoveringFromSetup(const SetupFile::Covering& c, const QSize& i_Picture)
{
    CoveringSettings s;
    CoveringEngine::Input& in = s.input;
    // The row box's maximum follows the column count, which is set first.
    const int columns = qBound(1, c.screenW, CoveringModel::MaxCount);
    const int rows = qBound(1, c.screenH, MaxCountBeside(columns));
    in.SetGrid(columns, rows, qBound(kMinOutputSide, c.outputW, kMaxOutputSide),
               qBound(kMinOutputSide, c.outputH, kMaxOutputSide));

    // Radio buttons are checked in turn: the last one set wins, and a group
    // with none set keeps the button it had (a fresh page: its first).
    s.hasSizeMode = c.isFullScreen || c.isOriginalSize || c.isCustomSize;
    const bool custom = c.isCustomSize;
    const bool original = c.isOriginalSize && !custom;
    in.isFullScreen = !custom && !original;
    in.isOriginalSize = original;
    in.isCustomSize = custom;
    s.hasPositionMode = c.isCentered || c.isCustomPosition;
    in.isCustomPos = c.isCustomPosition;
    in.isCentered = !c.isCustomPosition;
    in.customWidth = qBound(0, c.customSizeWidth, kMaxCustom);
    in.customHeight = qBound(0, c.customSizeHeight, kMaxCustom);
    in.customX = qBound(0, c.customPosWidth, kMaxCustom);
    in.customY = qBound(0, c.customPosHeight, kMaxCustom);
    s.hasBackgroundMode = c.isColorBackground || c.isTransparentBackground;
    in.isTransparent = c.isTransparentBackground;
    s.hasColour = c.backgroundColor.isValid();
    if (s.hasColour)
        in.backgroundColor = c.backgroundColor;
    s.locked = c.isImgSizeLocked;
    s.prefix = c.outputFilePrefix.left(OutputNames::kMaxPrefix);
    s.quality = qBound(kMinQuality, c.pictureQuality, kMaxQuality);
    s.picturePath = c.picturePath;

    // A margin that changes narrows the opposite box, so that a pixel column
    // (row) remains; a margin left at 0 changes nothing. The margins apply
    // whether the cropping box is ticked or not.
    s.cropping = c.isCropped;
    in.imageWidth = i_Picture.width();
    in.imageHeight = i_Picture.height();
    in.cropLeft = qBound(0, c.cropLeft, in.imageWidth);
    in.cropRight = qBound(0, c.cropRight,
                          in.cropLeft ? CoveringRules::CropOppositeMaximum(in.imageWidth, in.cropLeft) : in.imageWidth);
    in.cropTop = qBound(0, c.cropTop, in.imageHeight);
    in.cropBottom = qBound(
        0, c.cropBottom, in.cropTop ? CoveringRules::CropOppositeMaximum(in.imageHeight, in.cropTop) : in.imageHeight);

    // The common values, when the file has them; a fresh page's are 0.
    for (int k = 0; k < CoveringModel::MaxSeams; ++k) {
        s.horizontalBoxes[k] = qBound(-kMaxCovering, c.coveringHorizontal[k], kMaxCovering);
        s.verticalBoxes[k] = qBound(-kMaxCovering, c.coveringVertical[k], kMaxCovering);
    }
    s.hasCommonCoverings = c.hasCoveringAll;
    if (c.hasCoveringAll) {
        s.horizontalBoxes[CoveringModel::MaxSeams] = qBound(-kMaxCovering, c.coveringHorizontalAll, kMaxCovering);
        s.verticalBoxes[CoveringModel::MaxSeams] = qBound(-kMaxCovering, c.coveringVerticalAll, kMaxCovering);
    }
    in.horizontalAllSeams = c.isCoveringHorizontal;
    in.verticalAllSeams = c.isCoveringVertical;
    in.UpdateCoverings(s.horizontalBoxes, s.verticalBoxes);

    // The soft-edge boxes round what they are given to the decimals they show.
    const auto rounded = [](double i_Value, double i_Minimum, double i_Maximum) {
        return qBound(i_Minimum, QString::number(i_Value, 'f', SoftEdge::kDecimals).toDouble(), i_Maximum);
    };
    in.softEdge.enabled = c.isSoftEdge;
    in.softEdge.curve = rounded(c.softEdgeCurve, SoftEdge::kMinCurve, SoftEdge::kMaxCurve);
    in.softEdge.gamma = rounded(c.softEdgeGamma, SoftEdge::kMinGamma, SoftEdge::kMaxGamma);
    in.softEdge.separateMasks = c.softEdgeMasks;
    in.orientation = c.orientation;
    s.hasPanel = c.hasPanel;
    s.panel = c.panel;
    return s;
}

QRect RestoredOutputRect(const SetupFile::Output& i_Saved, const QSize& i_Screen)
{
    const int width = i_Screen.width();
    const int height = i_Screen.height();
    int x = qBound(0, i_Saved.posX, width);
    int y = qBound(0, i_Saved.posY, height);
    int w = qBound(0, i_Saved.width, width);
    int h = qBound(0, i_Saved.height, height);
    // Each correction is checked again from the first rule, as the boxes'
    // change signals do.
    for (;;) {
        const CanvasOutputs::Correction correction = CanvasOutputs::PositionCorrection(QRect(x, y, w, h), i_Screen);
        if (correction.field == CanvasOutputs::Field::X)
            x = correction.value;
        else if (correction.field == CanvasOutputs::Field::Y)
            y = correction.value;
        else
            break;
    }
    if (x >= width)
        x = width - 1;
    if (y >= height)
        y = height - 1;
    for (;;) {
        const CanvasOutputs::Correction correction = CanvasOutputs::SizeCorrection(QRect(x, y, w, h), i_Screen);
        if (correction.field == CanvasOutputs::Field::Width)
            w = correction.value;
        else if (correction.field == CanvasOutputs::Field::Height)
            h = correction.value;
        else if (correction.field == CanvasOutputs::Field::X)
            x = correction.value;
        else if (correction.field == CanvasOutputs::Field::Y)
            y = correction.value;
        else
            break;
    }
    return QRect(x, y, w, h);
}

CanvasSettings CanvasFromSetup(const SetupFile::Canvas& c, const QSize& i_Picture)
{
    CanvasSettings s;
    s.screen = QSize(qBound(kMinScreen, c.screenH, kMaxScreen), qBound(kMinScreen, c.screenV, kMaxScreen));
    // Radio buttons are checked in turn: the last one set wins.
    s.choosesSize = c.isFullScreen || c.isOriginalSize || c.isCustomSize;
    if (c.isCustomSize)
        s.sizeMode = CanvasEngine::SizeCustom;
    else if (c.isOriginalSize)
        s.sizeMode = CanvasEngine::SizeOriginal;
    s.choosesPosition = c.isCentered || c.isCustomPosition;
    s.positionMode = c.isCustomPosition ? CanvasEngine::PositionCustom : CanvasEngine::PositionCentered;
    s.choosesBackground = c.isColorBackground || c.isTransparentBackground;
    s.transparent = c.isTransparentBackground;
    s.customSize = QSize(qBound(0, c.customSizeWidth, kMaxCustom), qBound(0, c.customSizeHeight, kMaxCustom));
    s.customPosition = QPoint(qBound(0, c.customPosWidth, kMaxCustom), qBound(0, c.customPosHeight, kMaxCustom));
    s.sizeLocked = c.isImgSizeLocked;
    // The page keeps the saved colour as it is, even an invalid one.
    s.backgroundColor = c.backgroundColor;
    s.prefix = c.outputFilePrefix.left(OutputNames::kMaxPrefix);
    s.nextLabel = OutputNames::CleanLabel(c.outputLabel);
    s.quality = qBound(kMinQuality, c.pictureQuality, kMaxQuality);

    // The boxes take the picture's sides as ranges; each margin, set in turn,
    // is held to what the opposite one leaves.
    const int width = i_Picture.width();
    const int height = i_Picture.height();
    s.cropped = c.isCropped;
    s.cropLeft = qBound(0, c.cropLeft, width);
    s.cropRight = CanvasEngine::ClampedCrop(qBound(0, c.cropRight, width), s.cropLeft, width);
    s.cropTop = qBound(0, c.cropTop, height);
    s.cropBottom = CanvasEngine::ClampedCrop(qBound(0, c.cropBottom, height), s.cropTop, height);

    for (const SetupFile::Output& output : c.outputs)
        s.outputs << CanvasOutput{output.label, RestoredOutputRect(output, s.screen), output.color, output.orientation,
                                  QSize(output.deviceWidth, output.deviceHeight)};
    s.selectedOutput = c.outputIndexSelected;
    return s;
}

QList<OutputFile> CoveringFiles(const CoveringSettings& i_Settings, const QString& i_PicturePath, bool i_Patterns)
{
    const CoveringEngine::Input& in = i_Settings.input;
    const QString prefix = OutputNames::Prefix(i_Settings.prefix, i_PicturePath);
    QList<OutputFile> files;
    for (int i = 0; i < in.columnCount; ++i)
        for (int j = 0; j < in.rowCount; ++j) {
            OutputFile file;
            file.name = OutputNames::Covering(prefix, i, j);
            file.column = i;
            file.row = j;
            file.rect = QRect(in.OutputLeft(i), in.OutputTop(j), in.outputWidth, in.outputHeight);
            file.orientation = in.orientation;
            files << file;
        }
    const int images = files.size();
    for (int k = 0; k < images; ++k) {
        if (i_Patterns) {
            files[k].name = OutputNames::Pattern(files[k].name);
        } else if (in.softEdge.enabled && in.softEdge.separateMasks) {
            // Save writes the masks after all the images.
            OutputFile mask = files.at(k);
            mask.name = OutputNames::Mask(mask.name);
            files << mask;
        }
    }
    return files;
}

QList<OutputFile> CanvasFiles(const CanvasSettings& i_Settings, const QString& i_PicturePath, bool i_Patterns)
{
    const QString prefix = OutputNames::Prefix(i_Settings.prefix, i_PicturePath);
    QList<OutputFile> files;
    for (const CanvasOutput& output : i_Settings.outputs) {
        OutputFile file;
        file.name = OutputNames::Canvas(prefix, output.label);
        if (i_Patterns)
            file.name = OutputNames::Pattern(file.name);
        file.label = output.label;
        file.rect = output.rect;
        file.orientation = output.orientation;
        file.device = OutputGeometry::DeviceSize(output.rect.size(), output.device);
        files << file;
    }
    return files;
}

QImage FileImage(const OutputFile& i_File, const QImage& i_Part)
{
    return OutputGeometry::OutputFile(i_Part, i_File.device, i_File.orientation);
}

bool RenderCovering(const CoveringSettings& i_Settings, const QImage& i_Picture, const QString& i_PicturePath,
                    Render& o_Render)
{
    const CoveringEngine::Input& in = i_Settings.input;
    o_Render = Render();
    o_Render.screen = QSize(in.coveredWidth, in.coveredHeight);
    o_Render.quality = i_Settings.quality;
    o_Render.files = CoveringFiles(i_Settings, i_PicturePath, false);

    // What the images are made from, shared by the threads that make them.
    struct Covering
    {
        CoveringEngine::Input input;
        CoveringEngine::RecordTable records;
        CoveringEngine::PlacedPicture placed;
        QList<OutputFile> files;
        int images = 0;
    };
    auto covering = std::make_shared<Covering>();
    covering->input = in;
    covering->files = o_Render.files;
    covering->images = in.columnCount * in.rowCount;
    const QImage cropped = CoveringEngine::CropSource(i_Picture, in);
    if (cropped.isNull()) {
        o_Render.error = QStringLiteral("the crop leaves nothing of the picture");
        return false;
    }
    if (!ImageFits(in.outputWidth, in.outputHeight)
        || !covering->placed.Prepare(cropped, CoveringEngine::PlacedSize(in))) {
        o_Render.error = QStringLiteral("the images are too large to compose");
        return false;
    }
    covering->records = CoveringEngine::ComputeResultImages(in);
    o_Render.make = [covering](int k) {
        const OutputFile& file = covering->files.at(k);
        const CoveringEngine::Input& in = covering->input;
        if (k >= covering->images)
            return FileImage(file, SoftEdge::Mask(SoftEdge::OutputFactors(in, in.softEdge, file.column, file.row)));
        QImage image;
        if (!CoveringEngine::ComposeOutput(covering->placed, in, covering->records.at(file.column).at(file.row),
                                           file.column, file.row, image))
            return QImage();
        return FileImage(file, image);
    };
    return true;
}

bool RenderCanvas(const CanvasSettings& i_Settings, const QImage& i_Picture, const QString& i_PicturePath,
                  Render& o_Render)
{
    o_Render = Render();
    o_Render.screen = i_Settings.screen;
    o_Render.quality = i_Settings.quality;
    o_Render.files = CanvasFiles(i_Settings, i_PicturePath, false);
    if (o_Render.files.isEmpty())
        return true;

    struct Canvas
    {
        QImage cropped;
        CanvasEngine::Input input;
        QImage screen; // held only for pictures painted on the whole screen
        std::mutex mutex;
        CanvasEngine::Composer composer;
        QList<OutputFile> files;
    };
    auto canvas = std::make_shared<Canvas>();
    canvas->files = o_Render.files;
    const QMargins crop = i_Settings.Crop();
    HelpersCompute_ComputeCropping(i_Picture, unsigned(crop.left()), unsigned(crop.top()), unsigned(crop.right()),
                                   unsigned(crop.bottom()), &canvas->cropped);
    CanvasEngine::Input& in = canvas->input;
    in.screenWidth = i_Settings.screen.width();
    in.screenHeight = i_Settings.screen.height();
    // At its original size the picture is as large as what the crop leaves.
    QSize size = canvas->cropped.size();
    CanvasEngine::PlacedSize(i_Settings.sizeMode, i_Settings.screen, canvas->cropped, i_Settings.customSize, size);
    in.imageWidth = size.width();
    in.imageHeight = size.height();
    const QPoint at = i_Settings.positionMode == CanvasEngine::PositionCustom
        ? i_Settings.customPosition
        : CanvasEngine::CenteredPosition(i_Settings.screen, size);
    in.imageX = at.x();
    in.imageY = at.y();
    in.background = i_Settings.Fill();

    if (canvas->composer.NeedsScreen(canvas->cropped, in)
        && !canvas->composer.Compose(canvas->cropped, in, canvas->screen)) {
        o_Render.error = QStringLiteral("the screen of %1 x %2 pixels is too large to compose")
                             .arg(in.screenWidth)
                             .arg(in.screenHeight);
        return false;
    }
    o_Render.make = [canvas](int k) {
        const OutputFile& file = canvas->files.at(k);
        if (!canvas->screen.isNull())
            return FileImage(file, canvas->screen.copy(file.rect));
        QImage part;
        {
            std::lock_guard<std::mutex> lock(canvas->mutex); // the composer keeps what it learns of the picture
            canvas->composer.ComposePart(canvas->cropped, canvas->input, file.rect, part);
        }
        return FileImage(file, part);
    };
    return true;
}

void CoveringPatterns(const CoveringSettings& i_Settings, const QString& i_PicturePath, Render& o_Render)
{
    const CoveringEngine::Input& in = i_Settings.input;
    o_Render = Render();
    o_Render.screen = QSize(in.coveredWidth, in.coveredHeight);
    o_Render.quality = i_Settings.quality;
    o_Render.files = CoveringFiles(i_Settings, i_PicturePath, true);
    const Patterns::Layout layout = CoveringEngine::PatternLayout(in);
    for (int k = 0; k < o_Render.files.size(); ++k)
        o_Render.files[k].image = FileImage(o_Render.files.at(k), Patterns::Draw(layout, k));
}

void CanvasPatterns(const CanvasSettings& i_Settings, const QString& i_PicturePath, Render& o_Render)
{
    o_Render = Render();
    o_Render.screen = i_Settings.screen;
    o_Render.quality = i_Settings.quality;
    o_Render.files = CanvasFiles(i_Settings, i_PicturePath, true);
    QList<Patterns::Output> outputs;
    for (const OutputFile& file : o_Render.files)
        outputs.append({file.rect, file.label});
    const Patterns::Layout layout = CanvasOutputs::PatternLayout(i_Settings.screen, outputs);
    for (int k = 0; k < o_Render.files.size(); ++k)
        o_Render.files[k].image = FileImage(o_Render.files.at(k), Patterns::Draw(layout, k));
}

} // namespace SetupRender
