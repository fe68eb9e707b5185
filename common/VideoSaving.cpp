#include "common/VideoSaving.h"

#include "common/DesktopSeam.h"
#include "core/imaging/ImageSave.h"
#include "core/naming/OutputNames.h"
#include "core/setup/SetupRender.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <thread>

namespace VideoSaving {

namespace {

QString tr(const char* i_Text)
{
    return QCoreApplication::translate("VideoSaving", i_Text);
}

QString Native(const QString& i_Path)
{
    return QDir::toNativeSeparators(i_Path);
}

// "120 of 300 frames, about 00:00:12 left".
QString ProgressText(qint64 i_Done, qint64 i_Total, qint64 i_Elapsed)
{
    if (i_Total <= 0)
        return tr("Saving videos: %1 frames").arg(i_Done);
    QString left = tr("working out the time left");
    if (i_Done > 0) {
        const double seconds = double(i_Elapsed) / 1000.0 * double(qMax<qint64>(0, i_Total - i_Done)) / double(i_Done);
        left = tr("about %1 left").arg(VideoCut::Clock(qRound(seconds)).left(8));
    }
    return tr("Saving videos: %1 of %2 frames, %3").arg(i_Done).arg(i_Total).arg(left);
}

} // namespace

bool Begin(QWidget* i_Page, const QString& i_StyleSheet, const QString& i_Source, const QSize& i_Frame,
           const VideoCut::Options& i_Options, Job& o_Job)
{
    o_Job.folder = DesktopSeam::Current().GetExistingDirectory(
        i_Page, QStringLiteral("Select the folder where videos will be saved"), QFileInfo(i_Source).absolutePath(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (o_Job.folder.isEmpty())
        return false;
    o_Job.page = i_Page;
    o_Job.styleSheet = i_StyleSheet;
    o_Job.source = i_Source;
    o_Job.frame = i_Frame;
    o_Job.options = i_Options;
    return true;
}

void Save(const Job& i_Job)
{
    const auto tell = [&](QMessageBox::Icon i_Icon, const QString& i_Text, const QString& i_Detail = QString()) {
        DesktopSeam::Tell(i_Job.page, i_Icon, i_Text, i_Job.styleSheet, i_Detail);
    };
    // The names, places and masks, which no frame changes.
    SetupRender::Render layout;
    QImage blank(i_Job.frame, QImage::Format_RGB32);
    blank.fill(Qt::black);
    i_Job.render(blank, layout);
    if (!layout.error.isEmpty()) {
        tell(QMessageBox::Warning, tr("The videos cannot be made."), layout.error);
        return;
    }
    QStringList problems;
    QStringList maskPaths;
    QVector<int> maskFiles;
    for (int k = i_Job.images; k < layout.files.size(); ++k) {
        if (OutputNames::IsPlainFileName(layout.files.at(k).name)) {
            maskPaths << i_Job.folder + QLatin1Char('/') + layout.files.at(k).name;
            maskFiles << k;
        } else {
            problems << tr("%1: not a plain file name").arg(layout.files.at(k).name);
        }
    }
    QList<VideoCut::Output> outputs;
    for (int k = 0; k < i_Job.images && k < layout.files.size(); ++k) {
        const QString name = VideoCut::FileName(layout.files.at(k).name, *i_Job.options.codec);
        if (OutputNames::IsPlainFileName(name))
            outputs << VideoCut::Output{i_Job.folder + QLatin1Char('/') + name, k};
        else
            problems << tr("%1: not a plain file name").arg(name);
    }

    // The worker reads its own copies; the page may change meanwhile.
    std::atomic<bool> stop(false);
    std::atomic<qint64> done(0);
    std::atomic<qint64> total(0);
    std::atomic<bool> finished(false);
    QList<ImageSave::SaveFailure> maskFailures;
    VideoCut::Result result;
    VideoCut::Options options = i_Job.options;
    options.stop = &stop;
    const VideoCut::FrameRender render = i_Job.render;
    const QString source = i_Job.source;

    if (i_Job.saving)
        i_Job.saving(true);
    QProgressDialog dialog(tr("Saving videos..."), tr("Cancel"), 0, 0, i_Job.page);
    dialog.setObjectName(QStringLiteral("progressVideoSave"));
    // Not modal: the window keeps answering, its time control included.
    dialog.setWindowModality(Qt::NonModal);
    dialog.setMinimumDuration(500);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QObject::connect(&dialog, &QProgressDialog::canceled, [&stop] { stop = true; });
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    std::thread worker([&] {
        if (!maskPaths.isEmpty())
            maskFailures = ImageSave::SaveImages([&layout, &maskFiles](int i) { return layout.Image(maskFiles.at(i)); },
                                                 maskPaths, layout.quality);
        if (!outputs.isEmpty() && !stop)
            result = VideoCut::Cut(
                source, render, outputs, options,
                [&](qint64 i_Done, qint64 i_Total) {
                    done = i_Done;
                    total = i_Total;
                },
                [](const QString&) {});
        else if (stop)
            result.interrupted = true;
        finished = true;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (dialog.wasCanceled())
            stop = true;
        if (finished) {
            loop.quit();
            return;
        }
        const qint64 all = total;
        dialog.setMaximum(int(qMin<qint64>(all, INT_MAX)));
        dialog.setLabelText(ProgressText(done, all, clock.elapsed()));
        dialog.setValue(int(qMin<qint64>(done, qMax<qint64>(all, 0))));
    });
    timer.start(50);
    loop.exec();
    worker.join();
    dialog.hide();
    if (i_Job.saving)
        i_Job.saving(false);

    if (result.interrupted) {
        // Unfinished videos leave nothing; the masks of the save go too.
        for (const QString& path : maskPaths)
            QFile::remove(path);
        tell(QMessageBox::Warning, tr("Saving was cancelled; no video was written."));
        return;
    }
    DesktopSeam::Current().OpenUrl(QUrl::fromLocalFile(i_Job.folder));
    if (!result.problem.isEmpty()) {
        tell(QMessageBox::Warning, tr("The video could not be read; no video was written."),
             QStringLiteral("%1: %2").arg(Native(source), result.problem));
        return;
    }
    QStringList written;
    for (const VideoCut::Written& file : result.outputs) {
        if (file.done)
            written << Native(file.path);
        else
            problems << QStringLiteral("%1: %2").arg(Native(file.path), file.problem);
    }
    for (const ImageSave::SaveFailure& failure : maskFailures)
        problems << QStringLiteral("%1: %2").arg(Native(failure.path), failure.reason);
    if (!result.damage.isEmpty()) {
        tell(
            QMessageBox::Warning,
            tr("Reading the video stopped at %1: %2.").arg(VideoCut::Clock(qMax(0.0, result.stoppedAt)), result.damage),
            (written.isEmpty()
                 ? tr("No video was written.")
                 : tr("These videos hold every frame before it:\n%1").arg(written.join(QLatin1Char('\n'))))
                + (problems.isEmpty() ? QString() : QLatin1Char('\n') + problems.join(QLatin1Char('\n'))));
        return;
    }
    if (!problems.isEmpty())
        tell(QMessageBox::Warning, tr("These files could not be written:\n%1").arg(problems.join(QLatin1Char('\n'))));
}

} // namespace VideoSaving
