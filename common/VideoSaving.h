#pragma once

#include "video/VideoCut.h"

#include <QSize>
#include <QString>

#include <functional>

class QWidget;

// "Save video(s)...": one video per output, and the soft-edge masks beside
// them, named and made as quillex-render makes them for the same set-up. The
// cut runs on a worker while the window keeps painting; progress tells the
// frames done and the time left, and Cancel removes every file of the save.
namespace VideoSaving {

struct Job
{
    QWidget* page = nullptr; // parent of the dialogs
    QString styleSheet;      // of the message boxes
    QString source;          // the video
    QString folder;
    // A frame's images, through the page's set-up as the renderer reads it.
    VideoCut::FrameRender render;
    QSize frame;
    int images = 0; // the files of the render that are outputs; masks follow them
    VideoCut::Options options;
    // Told true when the save starts and false when it ends: the page turns
    // off what would start another save.
    std::function<void(bool)> saving;
};

// Asks for the folder and fills what every page's job has alike; false when
// no folder was chosen.
bool Begin(QWidget* i_Page, const QString& i_StyleSheet, const QString& i_Source, const QSize& i_Frame,
           const VideoCut::Options& i_Options, Job& o_Job);

void Save(const Job& i_Job);

} // namespace VideoSaving
