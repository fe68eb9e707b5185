#pragma once

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
};

// Exit statuses.
enum RenderStatus
{
    StatusDone = 0,
    StatusNotWritten = 1, // some files could not be written
    StatusBadInput = 2    // bad arguments, or a set-up or picture that cannot be read
};

// Renders everything the options ask for, telling progress and problems on
// standard error. Returns the exit status.
int RunRender(const RenderOptions& i_Options);

// The pictures of i_Paths, a folder standing for every picture in it (by
// name). False, with o_Problem naming the path and the reason, for a path
// that is neither a regular file nor a folder (a pipe or a device, which
// reading would block on), or a folder without pictures.
bool ExpandPictures(const QStringList& i_Paths, QStringList& o_Pictures, QString& o_Problem);
