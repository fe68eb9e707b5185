#pragma once

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The window's own path through a covering job, timed against the engine and
// ImageMagick: quillex-bench --window [runs].
namespace WindowBench {

// What the window bench borrows from the rest of quillex-bench, so that its
// picture and its ImageMagick command are those of the other workloads.
struct Tools
{
    QImage (*photoLike)(int width, int height);
    QString (*findTool)(const QStringList& names);
    // Median wall time of the commands run in turn in a fresh folder, and
    // their processor time.
    QPair<double, double> (*timeCommands)(const QList<QStringList>& commands, int repetitions, const QString& folder);
};

// Runs before any application object exists: it makes its own, offscreen.
int Run(int argc, char* argv[], const Tools& i_Tools);

} // namespace WindowBench
