#include "common/SaveProgress.h"

#include <QDir>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <thread>

ProgressOutcome RunWithProgress(QWidget* i_Parent, const QString& i_Label, int i_Total,
                                const std::function<void(const ImageSave::Progress&)>& i_Work)
{
    std::atomic<int> done(0);
    std::atomic<bool> cancel(false);
    std::atomic<bool> finished(false);

    QProgressDialog dialog(i_Label, QProgressDialog::tr("Cancel"), 0, i_Total, i_Parent);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(500);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setValue(0);

    const bool wasEnabled = i_Parent && i_Parent->isEnabled();
    if (i_Parent)
        i_Parent->setEnabled(false);
    QEventLoop loop;
    std::thread worker([&] {
        i_Work([&](int i_Done) {
            done = i_Done;
            return !cancel.load();
        });
        finished = true;
        // Ends the wait at once, not at the timer's next tick: up to 20 ms
        // on a save that takes some 60. Posting is safe from any thread; the
        // tick below still ends it should the loop not be running yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    // The GUI thread keeps serving events; the dialog follows the files.
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (dialog.wasCanceled())
            cancel = true;
        if (finished)
            loop.quit();
        else
            dialog.setValue(done);
    });
    timer.start(20);
    loop.exec();
    worker.join();
    if (i_Parent)
        i_Parent->setEnabled(wasEnabled);

    ProgressOutcome outcome;
    outcome.done = done;
    outcome.cancelled = cancel && done < i_Total;
    return outcome;
}

QString WrittenBeforeCancel(const QStringList& i_Done, const QStringList& i_Failed)
{
    QStringList written;
    for (const QString& path : i_Done)
        if (!i_Failed.contains(path))
            written << QDir::toNativeSeparators(path);
    if (written.isEmpty())
        return QProgressDialog::tr("Saving was cancelled; no image was written.");
    return QProgressDialog::tr("Saving was cancelled. These images were written:\n%1")
        .arg(written.join(QLatin1Char('\n')));
}
