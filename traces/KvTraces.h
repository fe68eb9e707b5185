#pragma once

#include <QDir>
#include <QString>

class QThread;

// Trace kinds; each one writes its own symbol in the third field of a line.
enum _TRACES_MESSAGE_TYPE
{
    TRACES_MESSAGE_M = 0, // written as "M"
    TRACES_MESSAGE_V = 1  // written as "V"
};

typedef void (*KvTracesErrorCallBack)();
typedef void (*KvTracesCounterCallBack)(quint32 i_TraceCount);
typedef quint32 (*KvTracesIndexCallBack)();

// Prepares the trace files in i_BaseDir/i_ApplicationName: picks the run
// index (i_IndexCallBack() + 1, or one more than the highest run found on
// disk), writes the start line to a new error file and a new information
// file and points CURRENT_ERROR.log and CURRENT_INFO.log at them. Traces
// stay disabled until KvTracesStart(false). When i_TraceThread is given, the
// file writes happen there; that thread must run an event loop.
// i_ErrorCallBack runs before every error trace; i_CounterCallBack receives
// the running count of traces each time it reaches a multiple of
// i_CounterThreshold (0 means never). Failures are printed on standard error
// and leave the module uninitialised. Calling it again closes the previous
// session first.
void KvTracesInit(const QString& i_ApplicationName, const QString& i_StartText, const QDir& i_BaseDir,
                  QThread* i_TraceThread = nullptr, KvTracesErrorCallBack i_ErrorCallBack = nullptr,
                  KvTracesCounterCallBack i_CounterCallBack = nullptr, quint32 i_CounterThreshold = 1,
                  KvTracesIndexCallBack i_IndexCallBack = nullptr);

// false: enable (or resume) writing. true: roll over to new continuation
// files (.001, .002, ...) and enable writing if that worked; on failure
// traces stay disabled and the previous files stay in use.
void KvTracesStart(bool i_Restart);
void KvTracesStop();

void KvTracesLevelInfo(const QString& i_Message, _TRACES_MESSAGE_TYPE i_Type);
void KvTracesLevelError(const QString& i_Message, _TRACES_MESSAGE_TYPE i_Type);

// Debug traces are accepted and dropped; only the flag is kept.
void KvTracesLevelDebug(const QString& i_Message);
void KvTracesLevelDebug_Enable(bool i_Enable);
bool KvTracesLevelDebug_IsEnable();
