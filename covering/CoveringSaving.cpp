#include "covering/CoveringSaving.h"

#include "common/DesktopSeam.h"
#include "common/SaveProgress.h"
#include "core/covering/CoveringSave.h"
#include "core/naming/OutputNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QWidget>

namespace CoveringSaving {

namespace {

QString AskFolder(const Page& i_Page)
{
    return DesktopSeam::Current().GetExistingDirectory(
        i_Page.widget, QStringLiteral("Select the folder where images will be saved"),
        QFileInfo(i_Page.picturePath).absolutePath(), QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

void Warn(const Page& i_Page, const QString& i_Text)
{
    DesktopSeam::Tell(i_Page.widget, QMessageBox::Warning, i_Text, i_Page.styleSheet);
}

void ReportUnwritten(const Page& i_Page, const QStringList& i_Paths)
{
    if (i_Paths.isEmpty())
        return;
    QStringList names;
    for (const QString& path : i_Paths)
        names << QDir::toNativeSeparators(path);
    Warn(i_Page, QStringLiteral("These images could not be written:\n%1").arg(names.join(QLatin1Char('\n'))));
}

} // namespace

void SaveImages(const Page& i_Page, const CoveringEngine::ImageTable& i_Results, const CoveringEngine::Input& i_Input)
{
    const QString folder = AskFolder(i_Page);
    if (folder.isEmpty())
        return;

    const QString prefix = OutputNames::Prefix(i_Page.typedPrefix, i_Page.picturePath);
    const int quality = i_Page.quality;
    const QStringList paths = CoveringEngine::OutputFilePaths(folder, prefix, i_Input.columnCount, i_Input.rowCount);
    // The worker reads its own copies: the page's tables may change after.
    const CoveringEngine::ImageTable results = i_Results;
    const CoveringEngine::Input input = i_Input;
    QStringList failed;
    const ProgressOutcome outcome = RunWithProgress(
        i_Page.widget, QCoreApplication::translate("PAGE_COVERING_OPTION", "Saving images..."), paths.size(),
        [&](const ImageSave::Progress& i_Progress) {
            failed = CoveringEngine::SaveOutputImages(results, input.columnCount, input.rowCount, folder, prefix,
                                                      quality, i_Progress, input.orientation);
        });
    if (!outcome.cancelled && input.softEdge.enabled && input.softEdge.separateMasks)
        failed += CoveringEngine::SaveMasks(input, folder, prefix, quality);

    DesktopSeam::Current().OpenUrl(QUrl::fromLocalFile(folder));
    if (outcome.cancelled)
        Warn(i_Page, WrittenBeforeCancel(paths.mid(0, outcome.done), failed));
    else
        ReportUnwritten(i_Page, failed);
}

void SavePatterns(const Page& i_Page, const std::function<CoveringModel()>& i_Model,
                  const OutputGeometry::Orientation& i_Orientation)
{
    const QString folder = AskFolder(i_Page);
    if (folder.isEmpty())
        return;

    i_Page.widget->setCursor(Qt::WaitCursor);
    const CoveringModel model = i_Model();
    const QString prefix = OutputNames::Prefix(i_Page.typedPrefix, i_Page.picturePath);
    const QStringList failed = CoveringEngine::SavePatterns(model, folder, prefix, i_Page.quality, i_Orientation);
    i_Page.widget->setCursor(Qt::ArrowCursor);

    DesktopSeam::Current().OpenUrl(QUrl::fromLocalFile(folder));
    ReportUnwritten(i_Page, failed);
}

} // namespace CoveringSaving
