#include "traces/TraceWorkerDeport.h"

#include "traces/KvTracesPrivate.h"

#include <QDir>

#include <cstdio>

CLASS_WORKER_DEPORT::CLASS_WORKER_DEPORT(const QString& i_TraceDirectory, const QString& i_ModuleName,
                                         QObject* i_Parent)
    : CLASS_WORKER(i_TraceDirectory, QString(), QString(), i_Parent)
    , Initialised(false)
    , ModuleName(i_ModuleName)
{
    Initialised = InitTrace();
}

CLASS_WORKER_DEPORT::~CLASS_WORKER_DEPORT() = default;

bool CLASS_WORKER_DEPORT::InitTrace()
{
    // Absolute, so the links get absolute targets whatever the caller gave.
    const QString directory = QDir(TraceDirectory).absolutePath();
    if (!QDir(directory).exists() && !QDir().mkpath(directory)) {
        std::fprintf(stderr, "Can't create directory %s for trace\n", directory.toUtf8().constData());
        std::fflush(stderr);
        return false;
    }

    const QString prefix = directory + QLatin1Char('/') + FormatRunIndex(NextRunIndex(directory));
    const QString errorPath = GetTraceFileName(prefix + QStringLiteral("_ERROR_"));
    const QString infoPath = GetTraceFileName(prefix + QStringLiteral("_INFO_"));
    // The base's unnamed files were never opened.
    ReplaceFiles(infoPath, errorPath);

    const QString startLine = ComposeTraceLine(QStringLiteral("TRACES_DEPORT"), QStringLiteral("M"),
                                               ModuleName + QStringLiteral(" PROGRAM START"));
    if (!WriteFirstLines(errorPath, infoPath, startLine, true))
        return false;

    PointCurrentLinks(directory, errorPath, infoPath);
    return true;
}

void CLASS_WORKER_DEPORT::WriteTraceError(const QString& i_Message, const QString& i_Origin)
{
    if (!Initialised)
        return;
    emit SIGNAL_WriteTraceError(ComposeTraceLine(i_Origin, QStringLiteral("M"), i_Message));
}

void CLASS_WORKER_DEPORT::WriteTraceInfo(const QString& i_Message, const QString& i_Origin)
{
    if (!Initialised)
        return;
    emit SIGNAL_WriteTraceInfo(ComposeTraceLine(i_Origin, QStringLiteral("M"), i_Message));
}
