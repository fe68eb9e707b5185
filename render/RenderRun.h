#pragma once

#include "video/VideoCut.h"

#include <QString>
#include <QStringList>

// One run of the renderer: a set-up, the pictures to cut with it (or the
// line-up patterns to draw) and where the files go.
struct RenderOptions
{
    QString setupPath;
    bool covering = true;
    bool canvas = true;
    QStringList images; // pictures instead of the set-up's own, folders expanded
    QString outFolder = QStringLiteral(".");
    bool hasPrefix = false;
    QString prefix;
    int quality = 0; // 0: the set-up's
    QString manifestPath;
    int jobs = 0; // encoding threads; 0: one per core
    bool quiet = false;
    bool patterns = false; // line-up patterns instead of pictures
    VideoCut::Options video; // for pictures that are videos
    // Given on the command line: they override each page's set-up keys,
    // which otherwise override the defaults above.
    bool codecGiven = false;
    bool crfGiven = false;
    bool audioGiven = false;
};

// Exit statuses.
enum RenderStatus
{
    StatusDone = 0,
    StatusNotWritten = 1, // some files could not be written
    StatusBadInput = 2,   // bad arguments, or a set-up or picture that cannot be read
    // Stopped by a signal while cutting a video, no partial file left: 128
    // plus the signal's number, as a shell reports a program it killed, so
    // that scripts running many jobs tell an interruption from a failure.
    StatusSignalled = 128
};

// Renders everything the options ask for, telling progress and problems on
// standard error. Returns the exit status.
int RunRender(const RenderOptions& i_Options);

// The pictures of i_Paths, a folder standing for every picture in it (by
// name). False, with o_Problem naming the path and the reason, for a path
// that is neither a regular file nor a folder (a pipe or a device, which
// reading would block on), or a folder without pictures. A folder's videos
// count as pictures.
bool ExpandPictures(const QStringList& i_Paths, QStringList& o_Pictures, QString& o_Problem);
