#pragma once

// Helpers shared by the trace module and the trace writers. Not for
// application code.

#include <QByteArray>
#include <QDateTime>
#include <QString>

class QThread;

// Current time as UTC milliseconds since 1970, at least 13 digits. The
// argument is not used: every caller wants "now", read here.
QString ConvertToTraceFormatTime(const QDateTime& i_DateTime);

// "UNKNOWN" for an unnamed (or missing) thread, else its object name without
// any "THREAD_".
QString GetThreadName(const QThread* i_Thread);

// i_Prefix + local "yyyy-MM-dd_HH-mm-ss" + ".log".
QString GetTraceFileName(const QString& i_Prefix);

// One trace line: "[stamp][label][symbol]message\n". The message stops at
// its first NUL so that the line always ends with its line feed.
QString ComposeTraceLine(const QString& i_Label, const QString& i_Symbol, const QString& i_Message);

// UTF-8 bytes of a line, up to its first NUL.
QByteArray TraceLineBytes(const QString& i_Line);

// One more than the highest run number leading the names of the "*.log*"
// files of i_Directory, or 0.
quint32 NextRunIndex(const QString& i_Directory);

// Run index as written in file names: 8 digits, zero-padded.
QString FormatRunIndex(quint32 i_RunIndex);

// Creates or appends to both files and writes i_Line as their first line,
// error file first. Stops at the first failure with both files closed; when
// i_Report is set, that failure is printed on standard error.
bool WriteFirstLines(const QString& i_ErrorPath, const QString& i_InfoPath, const QString& i_Line, bool i_Report);

// Points i_Directory/CURRENT_ERROR.log and CURRENT_INFO.log at the given
// files with "ln -s -f", waiting for each command. The outcome is not
// checked: a stale link must not stop tracing.
void PointCurrentLinks(const QString& i_Directory, const QString& i_ErrorPath, const QString& i_InfoPath);

// Returns the module to its state before any KvTracesInit: traces disabled,
// worker released, counters and callbacks cleared. KvTracesInit starts with
// it; tests use it between cases.
void KvTracesReset();
