#include "canvas/CanvasSaving.h"

#include "common/DesktopSeam.h"
#include "common/SaveProgress.h"
#include "core/imaging/ImageSave.h"
#include "core/naming/OutputNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace CanvasSaving {

namespace {
QString tr(const char* i_Text)
{
    return QCoreApplication::translate("PAGE_CANVAS_OPTION", i_Text);
}
} // namespace

QString AskFolder(QWidget* i_Parent, const QString& i_PicturePath)
{
    return DesktopSeam::Current().GetExistingDirectory(i_Parent, tr("Select the folder where images will be saved"),
                                                       QFileInfo(i_PicturePath).path(),
                                                       QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

QStringList Names(const QString& i_Prefix, const QStringList& i_Labels, bool i_Patterns)
{
    QStringList names;
    for (const QString& label : i_Labels) {
        const QString name = OutputNames::Canvas(i_Prefix, label);
        names << (i_Patterns ? OutputNames::Pattern(name) : name);
    }
    return names;
}

void SaveAndReport(QWidget* i_Parent, const QString& i_StyleSheet, const QString& i_Folder, const QStringList& i_Names,
                   const QVector<QImage>& i_Images, int i_Quality)
{
    QStringList problems;
    QVector<QImage> images;
    QStringList paths;
    for (int id = 0; id < i_Names.size(); ++id) {
        if (!OutputNames::IsPlainFileName(i_Names[id])) {
            problems << tr("%1: not a plain file name").arg(i_Names[id]);
            continue;
        }
        images << i_Images[id];
        paths << QStringLiteral("%1/%2").arg(i_Folder, i_Names[id]);
    }
    QList<ImageSave::SaveFailure> failures;
    const ProgressOutcome outcome = RunWithProgress(
        i_Parent, tr("Saving images..."), paths.size(), [&](const ImageSave::Progress& i_Progress) {
            failures = ImageSave::SaveImages(images, paths, i_Quality, ImageSave::WriteFile, 0, i_Progress);
        });
    QStringList failed;
    for (const ImageSave::SaveFailure& failure : failures) {
        failed << failure.path;
        problems << QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(failure.path), failure.reason);
    }

    DesktopSeam::Current().OpenUrl(QUrl::fromLocalFile(i_Folder));
    if (outcome.cancelled)
        DesktopSeam::Tell(i_Parent, QMessageBox::Warning, WrittenBeforeCancel(paths.mid(0, outcome.done), failed),
                          i_StyleSheet);
    else if (!problems.isEmpty())
        DesktopSeam::Tell(i_Parent, QMessageBox::Warning,
                          tr("These images could not be written:\n%1").arg(problems.join(QLatin1Char('\n'))),
                          i_StyleSheet);
}

} // namespace CanvasSaving
