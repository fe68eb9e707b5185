#pragma once

#include <QObject>
#include <QString>

class QFile;

// Appends trace lines to an error file and an information file. Lines are
// handed over through its own signals, so a worker moved to a thread of its
// own writes there while callers in other threads never wait on the disk.
class CLASS_WORKER : public QObject
{
    Q_OBJECT

public:
    CLASS_WORKER(const QString& i_TraceDirectory, const QString& i_InfoFileName, const QString& i_ErrorFileName,
                 QObject* i_Parent = nullptr);
    ~CLASS_WORKER() override;

    void WriteTraceError(const QString& i_Line);
    void WriteTraceInfo(const QString& i_Line);

    // Lines handed over before this call still go to the previous files;
    // lines handed over after it go to the new ones.
    void SwitchToNewFile(const QString& i_InfoFileName, const QString& i_ErrorFileName);

signals:
    void SIGNAL_WriteTraceError(QString TraceMessage);
    void SIGNAL_WriteTraceInfo(QString TraceMessage);

private slots:
    void SLOT_WriteTraceError(QString TraceMessage);
    void SLOT_WriteTraceInfo(QString TraceMessage);

protected:
    // Replaces both files at once; runs in the worker's thread.
    void ReplaceFiles(const QString& i_InfoFileName, const QString& i_ErrorFileName);

    // Owned (children of the worker, so they follow it to its thread).
    QFile* FileInfo;
    QFile* FileError;
    QString TraceDirectory;
};
