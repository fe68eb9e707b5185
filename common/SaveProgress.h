#pragma once

#include "core/imaging/ImageSave.h"

#include <QString>

#include <functional>

class QWidget;

// How a save run with progress ended.
struct ProgressOutcome
{
    int done = 0; // files written or failed before it ended
    bool cancelled = false;
};

// Runs i_Work on a worker thread while the window stays responsive; the
// parent is disabled meanwhile, so nothing the work reads can change. A
// save that takes longer than half a second shows a progress dialog whose
// Cancel stops it after the files in flight. i_Work must hand the progress
// it is given to ImageSave::SaveImages.
ProgressOutcome RunWithProgress(QWidget* i_Parent, const QString& i_Label, int i_Total,
                                const std::function<void(const ImageSave::Progress&)>& i_Work);

// What the user is told after a cancelled save: the files written (those
// done that did not fail).
QString WrittenBeforeCancel(const QStringList& i_Done, const QStringList& i_Failed);
