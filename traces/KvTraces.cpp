#include "traces/KvTraces.h"

#include "traces/KvTracesPrivate.h"
#include "traces/TraceWorker.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <atomic>
#include <cstdio>

namespace {
const char* const TRACES_MESSAGE_SYMBOLE[] = {"M", "V"};

// Module state. Init, Start and Stop are called from one controlling thread;
// the flag and the counter are also read by tracing threads, hence atomic.
bool TraceInitStatus = false;
std::atomic<bool> TraceEnableStatus{false};
bool EnableDebugTraces = false;
QString LogAppliDirPath;
QString FileErrorPath;
QString FileInfoPath;
quint32 FileErrorSuffix = 0;
quint32 FileInfoSuffix = 0;
CLASS_WORKER* ModuleTraceWorker = nullptr;
std::atomic<quint32> TraceCounter{0};
quint32 TraceCounterThreshold = 0;
KvTracesCounterCallBack TraceCounterReachFct = nullptr;
KvTracesErrorCallBack ErrorCallBackFct = nullptr;

void PrintError(const char* i_Format, const QString& i_Path)
{
    std::fprintf(stderr, i_Format, i_Path.toUtf8().constData());
    std::fflush(stderr);
}

QString ContinuationPath(const QString& i_FirstPath, quint32 i_Suffix)
{
    return i_FirstPath + QLatin1Char('.') + QStringLiteral("%1").arg(i_Suffix, 3, 10, QLatin1Char('0'));
}

QString SymbolOf(_TRACES_MESSAGE_TYPE i_Type)
{
    return QLatin1String(TRACES_MESSAGE_SYMBOLE[i_Type == TRACES_MESSAGE_V ? 1 : 0]);
}

// Digits only: a sign or blanks do not make a run number.
bool ReadRunNumber(const QString& i_Text, quint32& o_Run)
{
    if (i_Text.isEmpty() || i_Text.size() > 10)
        return false;
    for (const QChar c : i_Text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const qulonglong value = i_Text.toULongLong();
    if (value > 0xFFFFFFFFull)
        return false;
    o_Run = quint32(value);
    return true;
}

// Common part of the two Level functions, up to the handing over.
bool PrepareTrace(const QString& i_Message, _TRACES_MESSAGE_TYPE i_Type, QString& o_Line)
{
    o_Line = ComposeTraceLine(GetThreadName(QThread::currentThread()), SymbolOf(i_Type), i_Message);
    const quint32 count = ++TraceCounter;
    if (TraceCounterThreshold != 0 && count % TraceCounterThreshold == 0 && TraceCounterReachFct)
        TraceCounterReachFct(count);
    return ModuleTraceWorker != nullptr;
}
} // namespace

QString ConvertToTraceFormatTime(const QDateTime&)
{
    return QString::number(QDateTime::currentMSecsSinceEpoch()).rightJustified(13, QLatin1Char('0'));
}

QString GetThreadName(const QThread* i_Thread)
{
    const QString name = i_Thread ? i_Thread->objectName() : QString();
    if (name.isEmpty())
        return QStringLiteral("UNKNOWN");
    return QString(name).remove(QStringLiteral("THREAD_"), Qt::CaseSensitive);
}

QString GetTraceFileName(const QString& i_Prefix)
{
    return i_Prefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"))
        + QStringLiteral(".log");
}

QString ComposeTraceLine(const QString& i_Label, const QString& i_Symbol, const QString& i_Message)
{
    const int nul = i_Message.indexOf(QChar(0));
    return QLatin1Char('[') + ConvertToTraceFormatTime(QDateTime()) + QStringLiteral("][") + i_Label
        + QStringLiteral("][") + i_Symbol + QLatin1Char(']') + (nul < 0 ? i_Message : i_Message.left(nul))
        + QLatin1Char('\n');
}

QByteArray TraceLineBytes(const QString& i_Line)
{
    QByteArray bytes = i_Line.toUtf8();
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes;
}

quint32 NextRunIndex(const QString& i_Directory)
{
    quint32 index = 0;
    const QStringList names = QDir(i_Directory).entryList({QStringLiteral("*.log*")}, QDir::Files);
    for (const QString& name : names) {
        const QStringList parts = name.split(QLatin1Char('_'), Qt::SkipEmptyParts);
        if (parts.size() < 2)
            continue;
        quint32 run = 0;
        if (ReadRunNumber(parts.first(), run) && run >= index)
            index = run + 1;
    }
    return index;
}

QString FormatRunIndex(quint32 i_RunIndex)
{
    return QStringLiteral("%1").arg(i_RunIndex, 8, 10, QLatin1Char('0'));
}

bool WriteFirstLines(const QString& i_ErrorPath, const QString& i_InfoPath, const QString& i_Line, bool i_Report)
{
    QFile errorFile(i_ErrorPath);
    QFile infoFile(i_InfoPath);
    if (!errorFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (i_Report)
            PrintError("Can't open file %s for trace\n", i_ErrorPath);
        return false;
    }
    if (!infoFile.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (i_Report)
            PrintError("Can't open file %s for trace\n", i_InfoPath);
        return false; // errorFile closes on leaving
    }
    const QByteArray bytes = TraceLineBytes(i_Line);
    for (QFile* file : {&errorFile, &infoFile}) {
        if (file->write(bytes) <= 0) {
            if (i_Report)
                PrintError("Can't write file %s for trace\n", file->fileName());
            return false;
        }
    }
    errorFile.close();
    infoFile.close();
    return true;
}

void PointCurrentLinks(const QString& i_Directory, const QString& i_ErrorPath, const QString& i_InfoPath)
{
    // Arguments as a list: any path, blanks included, reaches ln unchanged.
    const auto link = [](const QString& i_Target, const QString& i_Link) {
        QProcess process;
        process.start(QStringLiteral("ln"), {QStringLiteral("-s"), QStringLiteral("-f"), i_Target, i_Link});
        process.waitForFinished(-1);
    };
    link(i_ErrorPath, i_Directory + QStringLiteral("/CURRENT_ERROR.log"));
    link(i_InfoPath, i_Directory + QStringLiteral("/CURRENT_INFO.log"));
}

void KvTracesReset()
{
    TraceEnableStatus = false;
    TraceInitStatus = false;
    if (ModuleTraceWorker) {
        // A worker busy in a running trace thread finishes its queued lines
        // there first.
        QThread* workerThread = ModuleTraceWorker->thread();
        if (workerThread != QThread::currentThread() && workerThread && workerThread->isRunning())
            ModuleTraceWorker->deleteLater();
        else
            delete ModuleTraceWorker;
        ModuleTraceWorker = nullptr;
    }
    EnableDebugTraces = false;
    LogAppliDirPath.clear();
    FileErrorPath.clear();
    FileInfoPath.clear();
    FileErrorSuffix = 0;
    FileInfoSuffix = 0;
    TraceCounter = 0;
    TraceCounterThreshold = 0;
    TraceCounterReachFct = nullptr;
    ErrorCallBackFct = nullptr;
}

void KvTracesInit(const QString& i_ApplicationName, const QString& i_StartText, const QDir& i_BaseDir,
                  QThread* i_TraceThread, KvTracesErrorCallBack i_ErrorCallBack,
                  KvTracesCounterCallBack i_CounterCallBack, quint32 i_CounterThreshold,
                  KvTracesIndexCallBack i_IndexCallBack)
{
    // A second initialisation closes the first session: its worker must not
    // keep receiving lines once its state is gone.
    KvTracesReset();
    ErrorCallBackFct = i_ErrorCallBack;
    TraceCounterReachFct = i_CounterCallBack;
    TraceCounterThreshold = i_CounterThreshold;
    EnableDebugTraces = true;

    const QString basePath = i_BaseDir.absolutePath();
    if (basePath.isEmpty())
        return;
    if (!i_BaseDir.exists()) {
        PrintError("Can't write logs, %s do not exist\n", basePath);
        return;
    }

    const QDir traceDir(basePath + QLatin1Char('/') + i_ApplicationName);
    LogAppliDirPath = traceDir.absolutePath();
    if (!traceDir.exists() && !QDir().mkpath(LogAppliDirPath)) {
        PrintError("Can't create directory %s for trace\n", LogAppliDirPath);
        return;
    }

    const quint32 runIndex = i_IndexCallBack ? i_IndexCallBack() + 1 : NextRunIndex(LogAppliDirPath);
    const QString prefix = LogAppliDirPath + QLatin1Char('/') + FormatRunIndex(runIndex);
    FileErrorPath = GetTraceFileName(prefix + QStringLiteral("_ERROR_"));
    FileInfoPath = GetTraceFileName(prefix + QStringLiteral("_INFO_"));

    const QString startLine = ComposeTraceLine(
        GetThreadName(QThread::currentThread()), QLatin1String(TRACES_MESSAGE_SYMBOLE[0]),
        i_ApplicationName + QLatin1Char(' ') + i_StartText + QStringLiteral(" PROGRAM START"));
    if (!WriteFirstLines(FileErrorPath, FileInfoPath, startLine, true))
        return;

    PointCurrentLinks(LogAppliDirPath, FileErrorPath, FileInfoPath);

    ModuleTraceWorker = new CLASS_WORKER(LogAppliDirPath, FileInfoPath, FileErrorPath, nullptr);
    if (i_TraceThread)
        ModuleTraceWorker->moveToThread(i_TraceThread);

    TraceInitStatus = true;
}

void KvTracesStart(bool i_Restart)
{
    if (!TraceInitStatus)
        return;
    if (!i_Restart) {
        TraceEnableStatus = true;
        return;
    }

    TraceEnableStatus = false;
    // The numbers are used up even if the roll-over fails.
    const QString errorPath = ContinuationPath(FileErrorPath, ++FileErrorSuffix);
    const QString infoPath = ContinuationPath(FileInfoPath, ++FileInfoSuffix);

    const QString restartLine = ComposeTraceLine(GetThreadName(QThread::currentThread()),
                                                 QLatin1String(TRACES_MESSAGE_SYMBOLE[0]),
                                                 QStringLiteral("PROGRAM RESTART"));
    if (!WriteFirstLines(errorPath, infoPath, restartLine, false))
        return;

    PointCurrentLinks(LogAppliDirPath, errorPath, infoPath);
    ModuleTraceWorker->SwitchToNewFile(infoPath, errorPath);
    TraceEnableStatus = true;
}

void KvTracesStop()
{
    TraceEnableStatus = false;
}

void KvTracesLevelError(const QString& i_Message, _TRACES_MESSAGE_TYPE i_Type)
{
    if (!TraceEnableStatus)
        return;
    if (ErrorCallBackFct)
        ErrorCallBackFct();
    QString line;
    if (PrepareTrace(i_Message, i_Type, line))
        ModuleTraceWorker->WriteTraceError(line);
}

void KvTracesLevelInfo(const QString& i_Message, _TRACES_MESSAGE_TYPE i_Type)
{
    if (!TraceEnableStatus)
        return;
    QString line;
    if (PrepareTrace(i_Message, i_Type, line))
        ModuleTraceWorker->WriteTraceInfo(line);
}

void KvTracesLevelDebug(const QString&)
{
}

void KvTracesLevelDebug_Enable(bool i_Enable)
{
    EnableDebugTraces = i_Enable;
}

bool KvTracesLevelDebug_IsEnable()
{
    return EnableDebugTraces;
}
