#pragma once

#include "traces/TraceWorker.h"

// A trace writer of its own for a component that keeps separate trace files:
// it needs no KvTracesInit, creates its run's error and information files in
// the given directory when built, points the current-file links at them and
// writes lines labelled with an origin chosen by the caller.
class CLASS_WORKER_DEPORT : public CLASS_WORKER
{
    Q_OBJECT

public:
    CLASS_WORKER_DEPORT(const QString& i_TraceDirectory, const QString& i_ModuleName, QObject* i_Parent = nullptr);
    ~CLASS_WORKER_DEPORT() override;

    // Both do nothing when the files could not be created.
    void WriteTraceError(const QString& i_Message, const QString& i_Origin);
    void WriteTraceInfo(const QString& i_Message, const QString& i_Origin);

private:
    // Run by the constructor only: the writer's state is fixed once built.
    bool InitTrace();

    bool Initialised;
    QString ModuleName;
};
