#include "CoveringSave.h"

#include "ImageSave.h"

#include <QFileInfo>

namespace CoveringEngine {

QString OutputFileName(const QString& i_Prefix, int i_Column, int i_Row)
{
    return i_Prefix + QString("_%1_%2.png").arg(i_Column).arg(i_Row);
}

QString OutputFilePrefix(const QString& i_TypedPrefix, const QString& i_ImagePath)
{
    if (!i_TypedPrefix.isEmpty())
        return i_TypedPrefix;
    return QFileInfo(i_ImagePath).baseName();
}

QStringList OutputFilePaths(const QString& i_Folder, const QString& i_Prefix, int i_ColumnCount, int i_RowCount)
{
    QStringList paths;
    const int columns = qBound(0, i_ColumnCount, kGridSize);
    const int rows = qBound(0, i_RowCount, kGridSize);
    for (int i = 0; i < columns; ++i)
        for (int j = 0; j < rows; ++j)
            paths.append(QString("%1/%2").arg(i_Folder, OutputFileName(i_Prefix, i, j)));
    return paths;
}

QStringList SaveOutputImages(const ImageTable& i_Results, int i_ColumnCount, int i_RowCount, const QString& i_Folder,
                             const QString& i_Prefix, int i_Quality)
{
    const QStringList paths = OutputFilePaths(i_Folder, i_Prefix, i_ColumnCount, i_RowCount);
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
    for (const ImageSave::SaveFailure& failure : ImageSave::SaveImages(images, paths, i_Quality))
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
    QVector<QImage> masks;
    for (int index = 0; index < paths.size(); ++index) {
        paths[index] = SoftEdge::MaskFileName(paths[index]);
        masks.append(SoftEdge::Mask(SoftEdge::OutputFactors(i_Input, i_Input.softEdge, index / rows, index % rows)));
    }
    return Failed(ImageSave::SaveImages(masks, paths, i_Quality));
}

} // namespace CoveringEngine
