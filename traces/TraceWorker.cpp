#include "traces/TraceWorker.h"

#include "traces/KvTracesPrivate.h"

#include <QFile>
#include <QThread>

namespace {
// Open, append, close: every line reaches the disk at once, so readers
// following the links see whole lines. Failures lose the line silently.
void AppendLine(QFile* i_File, const QString& i_Line)
{
    if (!i_File->open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    i_File->write(TraceLineBytes(i_Line));
    i_File->close();
}
} // namespace

CLASS_WORKER::CLASS_WORKER(const QString& i_TraceDirectory, const QString& i_InfoFileName,
                           const QString& i_ErrorFileName, QObject* i_Parent)
    : QObject(i_Parent)
    , FileInfo(new QFile(i_InfoFileName, this))
    , FileError(new QFile(i_ErrorFileName, this))
    , TraceDirectory(i_TraceDirectory)
{
    connect(this, &CLASS_WORKER::SIGNAL_WriteTraceError, this, &CLASS_WORKER::SLOT_WriteTraceError);
    connect(this, &CLASS_WORKER::SIGNAL_WriteTraceInfo, this, &CLASS_WORKER::SLOT_WriteTraceInfo);
}

CLASS_WORKER::~CLASS_WORKER()
{
    // Both files are children and go with the worker.
}

void CLASS_WORKER::WriteTraceError(const QString& i_Line)
{
    emit SIGNAL_WriteTraceError(i_Line);
}

void CLASS_WORKER::WriteTraceInfo(const QString& i_Line)
{
    emit SIGNAL_WriteTraceInfo(i_Line);
}

void CLASS_WORKER::SwitchToNewFile(const QString& i_InfoFileName, const QString& i_ErrorFileName)
{
    if (QThread::currentThread() == thread()) {
        ReplaceFiles(i_InfoFileName, i_ErrorFileName);
        return;
    }
    // Called from the controlling thread while the worker writes in its own:
    // queue the switch behind the lines already waiting, so they still reach
    // the files they were meant for and the file pointers are only ever
    // touched by the worker's thread.
    QMetaObject::invokeMethod(
        this, [this, i_InfoFileName, i_ErrorFileName]() { ReplaceFiles(i_InfoFileName, i_ErrorFileName); },
        Qt::QueuedConnection);
}

void CLASS_WORKER::ReplaceFiles(const QString& i_InfoFileName, const QString& i_ErrorFileName)
{
    // Only this thread ever uses the files, so the old ones can go now.
    delete FileError;
    delete FileInfo;
    FileInfo = new QFile(i_InfoFileName, this);
    FileError = new QFile(i_ErrorFileName, this);
}

void CLASS_WORKER::SLOT_WriteTraceError(QString TraceMessage)
{
    AppendLine(FileError, TraceMessage);
}

void CLASS_WORKER::SLOT_WriteTraceInfo(QString TraceMessage)
{
    AppendLine(FileInfo, TraceMessage);
}
