#include "core/covering/CoveringSave.h"

#include "core/imaging/ImageSave.h"
#include "core/naming/OutputNames.h"

#include <QFileInfo>

#include <algorithm>

namespace CoveringEngine {

QStringList OutputFilePaths(const QString& i_Folder, const QString& i_Prefix, int i_ColumnCount, int i_RowCount)
{
    QStringList paths;
    const int columns = qBound(0, i_ColumnCount, kGridSize);
    const int rows = qBound(0, i_RowCount, kGridSize);
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j)
            paths.append(QString("%1/%2").arg(i_Folder, OutputNames::Covering(i_Prefix, i, j)));
    return paths;
}

namespace {

// A prefix read from a set-up file could lead out of the folder: then no
// file of the grid is written (images, masks or patterns), and each is
// reported.
bool PlainPrefix(const QString& i_Prefix)
{
    return OutputNames::IsPlainFileName(OutputNames::Covering(i_Prefix, 0, 0));
}

} // namespace

QStringList SaveOutputImages(const ImageTable& i_Results, int i_ColumnCount, int i_RowCount, const QString& i_Folder,
                             const QString& i_Prefix, int i_Quality, const ImageSave::Progress& i_Progress,
                             const OutputGeometry::Orientation& i_Orientation)
{
    const QStringList paths = OutputFilePaths(i_Folder, i_Prefix, i_ColumnCount, i_RowCount);
    if (!PlainPrefix(i_Prefix))
        return paths;
    const int rows = qBound(0, i_RowCount, kGridSize);
    QVector<QImage> images;
    images.reserve(paths.size());
    for (int index = 0; index < paths.size(); ++index) {
        const int i = index / rows;
        const int j = index % rows;
        const bool known = i < i_Results.size() && j < i_Results.at(i).size();
        images.append(known ? i_Results.at(i).at(j) : QImage());
    }
    QStringList failed;
    // Each file is turned by the worker that encodes it, so that no more
    // turned images are held than files in flight.
    const ImageSave::ImageMaker oriented = [&images, &i_Orientation](int i_Index) {
        return OutputGeometry::Orient(images.at(i_Index), i_Orientation);
    };
    const QList<ImageSave::SaveFailure> failures = i_Orientation.IsUpright()
        ? ImageSave::SaveImages(images, paths, i_Quality, ImageSave::WriteFile, 0, i_Progress)
        : ImageSave::SaveImages(oriented, paths, i_Quality, ImageSave::WriteFile, 0, i_Progress);
    for (const ImageSave::SaveFailure& failure : failures)
        failed.append(failure.path);
    return failed;
}

namespace {

QStringList Failed(const QList<ImageSave::SaveFailure>& i_Failures)
{
    QStringList failed;
    for (const ImageSave::SaveFailure& failure : i_Failures)
        failed.append(failure.path);
    return failed;
}

} // namespace

QStringList SaveMasks(const Input& i_Input, const QString& i_Folder, const QString& i_Prefix, int i_Quality)
{
    QStringList paths = OutputFilePaths(i_Folder, i_Prefix, i_Input.columnCount, i_Input.rowCount);
    const int rows = qBound(0, i_Input.rowCount, kGridSize);
    for (QString& path : paths)
        path = OutputNames::Mask(path);
    if (!PlainPrefix(i_Prefix))
        return paths;
    QVector<QImage> masks;
    for (int index = 0; index < paths.size(); ++index)
        masks.append(OutputGeometry::Orient(
            SoftEdge::Mask(SoftEdge::OutputFactors(i_Input, i_Input.softEdge, index / rows, index % rows)),
            i_Input.orientation));
    return Failed(ImageSave::SaveImages(masks, paths, i_Quality));
}

Patterns::Layout PatternLayout(const CoveringModel& i_Model)
{
    Patterns::Layout layout;
    layout.screen = QSize(i_Model.coveredWidth, i_Model.coveredHeight);
    const int columns = qBound(0, i_Model.columnCount, kGridSize);
    const int rows = qBound(0, i_Model.rowCount, kGridSize);
    const auto rect = [&](int i, int j) {
        return QRect(i_Model.OutputLeft(i), i_Model.OutputTop(j), i_Model.outputWidth, i_Model.outputHeight);
    };
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j) {
            layout.outputs.append({rect(i, j), QStringLiteral("Column %1, row %2").arg(i).arg(j)});
            // Only seams with a positive covering overlap.
            if (i + 1 < columns && i_Model.columnOffsets[i + 1] > i_Model.columnOffsets[i]) {
                const QRect right = rect(i, j) & rect(i + 1, j);
                if (!right.isEmpty())
                    layout.overlaps.append({right, right.width(), i * rows + j, (i + 1) * rows + j});
            }
            if (j + 1 < rows && i_Model.rowOffsets[j + 1] > i_Model.rowOffsets[j]) {
                const QRect below = rect(i, j) & rect(i, j + 1);
                if (!below.isEmpty())
                    layout.overlaps.append({below, below.height(), i * rows + j, i * rows + j + 1});
            }
        }
    return layout;
}

QStringList SavePatterns(const CoveringModel& i_Model, const QString& i_Folder, const QString& i_Prefix, int i_Quality,
                         const OutputGeometry::Orientation& i_Orientation)
{
    const QStringList paths = OutputFilePaths(i_Folder, i_Prefix, i_Model.columnCount, i_Model.rowCount);
    if (!PlainPrefix(i_Prefix)) {
        QStringList refused;
        for (const QString& path : paths)
            refused << OutputNames::Pattern(path);
        return refused;
    }
    const Patterns::Layout layout = PatternLayout(i_Model);
    // Patterns need no refresh, so any grid can ask for them: they are drawn
    // and written a few hundred megabytes at a time.
    const qint64 batchBytes = qint64(512) << 20;
    QStringList failed;
    for (int index = 0; index < paths.size();) {
        QVector<QImage> patterns;
        QStringList batch;
        qint64 bytes = 0;
        for (; index < paths.size() && bytes < batchBytes; ++index) {
            patterns.append(OutputGeometry::Orient(Patterns::Draw(layout, index), i_Orientation));
            batch.append(OutputNames::Pattern(paths[index]));
            bytes += std::max<qint64>(1, patterns.last().sizeInBytes());
        }
        failed += Failed(ImageSave::SaveImages(patterns, batch, i_Quality));
    }
    return failed;
}

} // namespace CoveringEngine
