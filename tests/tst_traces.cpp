#include "KvTraces.h"
#include "KvTracesPrivate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QtTest>

#include "TestSupport.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace
{

const QString kDateTime = QStringLiteral("(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})");

QRegularExpression FirstFilePattern(const QString& kind)
{
    return QRegularExpression(QStringLiteral("^(\\d{8})_%1_%2\\.log$").arg(kind, kDateTime));
}

QStringList FirstFiles(const QString& dir, const QString& kind)
{
    return QDir(dir).entryList(QDir::Files).filter(FirstFilePattern(kind));
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

// Lines of a file, each one checked to end with its line feed.
QStringList Lines(const QString& path)
{
    QStringList lines = QString::fromUtf8(ReadAll(path)).split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    else
        lines.append(QStringLiteral("<no line feed at end>"));
    return lines;
}

// The target as stored in the link, not resolved.
QString RawLinkTarget(const QString& path)
{
    char buffer[4096];
    const ssize_t size = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return size < 0 ? QString() : QFile::decodeName(QByteArray(buffer, int(size)));
}

// Message of a trace line, or a null string when the line is malformed.
QString MessageOf(const QString& line, const QString& label, const QString& symbol = QStringLiteral("M"))
{
    const QRegularExpression pattern(QStringLiteral("^\\[\\d{13,}\\]\\[%1\\]\\[%2\\](.*)$")
                                         .arg(QRegularExpression::escape(label), symbol));
    const QRegularExpressionMatch match = pattern.match(line);
    return match.hasMatch() ? match.captured(1) : QString();
}

QList<quint32> g_CounterCalls;
int g_ErrorCalls = 0;
quint32 g_LastIndex = 0;
void CountReached(quint32 count) { g_CounterCalls.append(count); }
void ErrorSeen() { ++g_ErrorCalls; }
quint32 LastIndex() { return g_LastIndex; }

struct Session
{
    QString dir;
    QString errorFile;
    QString infoFile;
    QString errorLink() const { return dir + QStringLiteral("/CURRENT_ERROR.log"); }
    QString infoLink() const { return dir + QStringLiteral("/CURRENT_INFO.log"); }
};
}

class TestTraces : public QObject
{
    Q_OBJECT

private:
    // Initialises in base/app and finds the run's two first files.
    Session Open(const QString& base, const QString& app = QStringLiteral("App"), QThread* thread = nullptr,
                 quint32 threshold = 1)
    {
        KvTracesInit(app, QStringLiteral("1.0"), QDir(base), thread, ErrorSeen, CountReached, threshold);
        Session session;
        session.dir = base + QLatin1Char('/') + app;
        const QStringList errors = FirstFiles(session.dir, QStringLiteral("ERROR"));
        const QStringList infos = FirstFiles(session.dir, QStringLiteral("INFO"));
        if (errors.size() == 1 && infos.size() == 1) {
            session.errorFile = session.dir + QLatin1Char('/') + errors.first();
            session.infoFile = session.dir + QLatin1Char('/') + infos.first();
        }
        return session;
    }

    std::unique_ptr<QTemporaryDir> m_temp;
    QString Base() const { return m_temp->path(); }
    std::unique_ptr<QThread> m_traceThread;
    QString m_mainThreadName;
    QByteArray m_savedTz;

    QThread* StartTraceThread()
    {
        m_traceThread.reset(new QThread);
        m_traceThread->setObjectName(QStringLiteral("THREAD_TRACES"));
        m_traceThread->start();
        return m_traceThread.get();
    }

private slots:
    void initTestCase()
    {
        // Far from UTC, so file names in UTC or stamps in local time show.
        m_savedTz = qgetenv("TZ");
        qputenv("TZ", "XYZ-14");
        tzset();
        m_mainThreadName = QThread::currentThread()->objectName();
    }

    void cleanupTestCase()
    {
        QThread::currentThread()->setObjectName(m_mainThreadName);
        if (m_savedTz.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", m_savedTz);
        tzset();
    }

    void init()
    {
        KvTracesReset();
        g_CounterCalls.clear();
        g_ErrorCalls = 0;
        QThread::currentThread()->setObjectName(QString());
        m_temp.reset(new QTemporaryDir);
        QVERIFY(m_temp->isValid());
    }

    void cleanup()
    {
        KvTracesReset();
        if (m_traceThread) {
            m_traceThread->quit();
            m_traceThread->wait();
            m_traceThread.reset();
        }
        m_temp.reset();
    }

    void runIndexFromExistingFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("directories");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty directory") << QStringList() << QStringList() << "00000000";
        QTest::newRow("41 and 7, continuations included")
            << QStringList{"00000007_ERROR_2020-01-01_10-00-00.log", "00000007_INFO_2020-01-01_10-00-00.log.002",
                           "00000041_INFO_2021-02-03_04-05-06.log.001", "00000041_ERROR_2021-02-03_04-05-06.log",
                           "CURRENT_ERROR.log"}
            << QStringList() << "00000042";
        QTest::newRow("no underscore") << QStringList{"00000050.log", "3_x.log"} << QStringList() << "00000004";
        QTest::newRow("not starting with a number")
            << QStringList{"run50_x.log", "x_50.log", "3_x.log"} << QStringList() << "00000004";
        QTest::newRow("signed numbers") << QStringList{"-5_x.log", "+9_x.log"} << QStringList() << "00000000";
        QTest::newRow("empty parts dropped") << QStringList{"__12_x.log", "20.log_"} << QStringList() << "00000013";
        QTest::newRow("not a log") << QStringList{"99_x.txt"} << QStringList() << "00000000";
        QTest::newRow("directories") << QStringList() << QStringList{"99_x.log"} << "00000000";
    }

    void runIndexFromExistingFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, directories);
        QFETCH(QString, expected);
        const QString dir = Base() + QStringLiteral("/App");
        QVERIFY(QDir().mkpath(dir));
        for (const QString& name : files) {
            QFile file(dir + QLatin1Char('/') + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        for (const QString& name : directories)
            QVERIFY(QDir(dir).mkdir(name));

        KvTracesInit(QStringLiteral("App"), QStringLiteral("1.0"), QDir(Base()));

        for (const QString& kind : {QStringLiteral("ERROR"), QStringLiteral("INFO")}) {
            QStringList made = FirstFiles(dir, kind);
            for (const QString& name : files)
                made.removeAll(name);
            QCOMPARE(made.size(), 1);
            QCOMPARE(FirstFilePattern(kind).match(made.first()).captured(1), expected);
        }
    }

    void runIndexFromCallback()
    {
        QVERIFY(QDir().mkpath(Base() + QStringLiteral("/App")));
        QFile(Base() + QStringLiteral("/App/00000500_INFO_x.log")).open(QIODevice::WriteOnly);
        g_LastIndex = 99;
        KvTracesInit(QStringLiteral("App"), QStringLiteral("1.0"), QDir(Base()), nullptr, nullptr, nullptr,
                     1, LastIndex);
        QCOMPARE(FirstFiles(Base() + QStringLiteral("/App"), QStringLiteral("ERROR")).size(), 1);
        QVERIFY(FirstFiles(Base() + QStringLiteral("/App"), QStringLiteral("ERROR")).first().startsWith(
            QStringLiteral("00000100_")));
    }

    void filesAndLinesAsWritten()
    {
        const QDateTime localBefore = QDateTime::currentDateTime();
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        KvTracesInit(QStringLiteral("Kv App"), QStringLiteral("2.0.5 beta"), QDir(Base()));
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("disk full"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("ready"), TRACES_MESSAGE_V);
        KvTracesLevelDebug(QStringLiteral("never written"));
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        const QDateTime localAfter = QDateTime::currentDateTime();

        const QString dir = Base() + QStringLiteral("/Kv App");
        const QStringList errors = FirstFiles(dir, QStringLiteral("ERROR"));
        const QStringList infos = FirstFiles(dir, QStringLiteral("INFO"));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(infos.size(), 1);
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 4); // the two files and their links

        // Names carry the local date-time of their creation.
        const QString stamp = FirstFilePattern(QStringLiteral("ERROR")).match(errors.first()).captured(2);
        const QDateTime named = QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        QVERIFY2(named >= localBefore.addSecs(-1) && named <= localAfter, qPrintable(stamp));

        const QRegularExpression line(QStringLiteral("^\\[(\\d{13,})\\]\\[([^\\]]*)\\]\\[([MV])\\](.*)$"));
        const QString errorPath = dir + QLatin1Char('/') + errors.first();
        const QString infoPath = dir + QLatin1Char('/') + infos.first();
        const QStringList errorLines = Lines(errorPath);
        const QStringList infoLines = Lines(infoPath);
        QCOMPARE(errorLines.size(), 2);
        QCOMPARE(infoLines.size(), 2);
        for (const QString& text : errorLines + infoLines) {
            const QRegularExpressionMatch match = line.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            const qint64 ms = match.captured(1).toLongLong();
            QVERIFY2(ms >= before && ms <= after, qPrintable(text));
            QCOMPARE(match.captured(2), GetThreadName(QThread::currentThread()));
        }
        QCOMPARE(line.match(errorLines[0]).captured(4), QStringLiteral("Kv App 2.0.5 beta PROGRAM START"));
        QCOMPARE(line.match(infoLines[0]).captured(4), QStringLiteral("Kv App 2.0.5 beta PROGRAM START"));
        QCOMPARE(line.match(errorLines[1]).captured(3), QStringLiteral("M"));
        QCOMPARE(line.match(errorLines[1]).captured(4), QStringLiteral("disk full"));
        QCOMPARE(line.match(infoLines[1]).captured(3), QStringLiteral("V"));
        QCOMPARE(line.match(infoLines[1]).captured(4), QStringLiteral("ready"));

        QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), errorPath);
        QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_INFO.log")), infoPath);
        QVERIFY(KvTracesLevelDebug_IsEnable());
    }

    void stampIsUtcMillisecondsFromTheClock()
    {
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const QString stamp = ConvertToTraceFormatTime(QDateTime(QDate(1970, 1, 1), QTime(0, 0), Qt::UTC));
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(stamp.size() >= 13);
        QVERIFY(stamp.toLongLong() >= before && stamp.toLongLong() <= after);
    }

    void messageStopsAtNulButKeepsItsLine()
    {
        const Session session = Open(Base());
        KvTracesStart(false);
        KvTracesLevelInfo(QStringLiteral("abc") + QChar(0) + QStringLiteral("def"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("next"), TRACES_MESSAGE_M);
        const QStringList lines = Lines(session.infoFile);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(MessageOf(lines[1], QStringLiteral("UNKNOWN")), QStringLiteral("abc"));
        QCOMPARE(MessageOf(lines[2], QStringLiteral("UNKNOWN")), QStringLiteral("next"));
    }

    void linksFollowRollOvers()
    {
        const Session session = Open(Base());
        QVERIFY(!session.errorFile.isEmpty());
        QCOMPARE(RawLinkTarget(session.errorLink()), session.errorFile);
        QCOMPARE(RawLinkTarget(session.infoLink()), session.infoFile);
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("first"), TRACES_MESSAGE_M);

        for (const QString& suffix : {QStringLiteral(".001"), QStringLiteral(".002")}) {
            KvTracesStop(); // a roll-over enables traces again by itself
            KvTracesStart(true);
            const QString errorFile = session.errorFile + suffix;
            const QString infoFile = session.infoFile + suffix;
            QCOMPARE(RawLinkTarget(session.errorLink()), errorFile);
            QCOMPARE(RawLinkTarget(session.infoLink()), infoFile);
            KvTracesLevelError(QStringLiteral("error in ") + suffix, TRACES_MESSAGE_M);
            KvTracesLevelInfo(QStringLiteral("info in ") + suffix, TRACES_MESSAGE_M);
            const QStringList errorLines = Lines(errorFile);
            const QStringList infoLines = Lines(infoFile);
            QCOMPARE(errorLines.size(), 2);
            QCOMPARE(infoLines.size(), 2);
            QCOMPARE(MessageOf(errorLines[0], QStringLiteral("UNKNOWN")), QStringLiteral("PROGRAM RESTART"));
            QCOMPARE(MessageOf(infoLines[0], QStringLiteral("UNKNOWN")), QStringLiteral("PROGRAM RESTART"));
            QCOMPARE(MessageOf(errorLines[1], QStringLiteral("UNKNOWN")), QStringLiteral("error in ") + suffix);
            QCOMPARE(MessageOf(infoLines[1], QStringLiteral("UNKNOWN")), QStringLiteral("info in ") + suffix);
        }
        QCOMPARE(Lines(session.errorFile).size(), 2);
        QCOMPARE(Lines(session.infoFile).size(), 1);
    }

    void failedRollOverDisablesUntilNextSuccess_data()
    {
        QTest::addColumn<bool>("blockError");
        QTest::newRow("error file blocked") << true;
        QTest::newRow("information file blocked") << false;
    }

    void failedRollOverDisablesUntilNextSuccess()
    {
        QFETCH(bool, blockError);
        const Session session = Open(Base());
        KvTracesStart(false);
        // A directory where the continuation file should go cannot be opened.
        QVERIFY(QDir().mkdir((blockError ? session.errorFile : session.infoFile) + QStringLiteral(".001")));

        StderrCapture capture;
        KvTracesStart(true);
        QCOMPARE(capture.take(), QString());
        QCOMPARE(RawLinkTarget(session.errorLink()), session.errorFile);
        QCOMPARE(RawLinkTarget(session.infoLink()), session.infoFile);
        KvTracesLevelError(QStringLiteral("lost"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("lost"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 0);
        QCOMPARE(g_CounterCalls, QList<quint32>());
        QCOMPARE(Lines(session.errorFile).size(), 1);
        QCOMPARE(Lines(session.infoFile).size(), 1);

        // Resuming writes on to the files still in use.
        KvTracesStart(false);
        KvTracesLevelInfo(QStringLiteral("resumed"), TRACES_MESSAGE_M);
        QCOMPARE(MessageOf(Lines(session.infoFile).value(1), QStringLiteral("UNKNOWN")), QStringLiteral("resumed"));
        KvTracesStop();

        // The failed roll-over used up its number.
        KvTracesStart(true);
        QCOMPARE(RawLinkTarget(session.errorLink()), session.errorFile + QStringLiteral(".002"));
        QCOMPARE(RawLinkTarget(session.infoLink()), session.infoFile + QStringLiteral(".002"));
        KvTracesLevelInfo(QStringLiteral("after"), TRACES_MESSAGE_M);
        QCOMPARE(MessageOf(Lines(session.infoFile + QStringLiteral(".002")).value(1), QStringLiteral("UNKNOWN")),
                 QStringLiteral("after"));
        QCOMPARE(Lines(session.infoFile).size(), 2);
    }

    void counterCallbackEveryThreshold_data()
    {
        QTest::addColumn<quint32>("threshold");
        QTest::addColumn<QList<quint32>>("expected");
        QTest::newRow("3") << quint32(3) << QList<quint32>{3, 6, 9};
        QTest::newRow("1") << quint32(1) << QList<quint32>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        QTest::newRow("0 means never") << quint32(0) << QList<quint32>();
    }

    void counterCallbackEveryThreshold()
    {
        QFETCH(quint32, threshold);
        QFETCH(QList<quint32>, expected);
        const Session session = Open(Base(), QStringLiteral("App"), nullptr, threshold);
        KvTracesStart(false);
        for (int i = 0; i < 10; ++i) {
            if (i % 3 == 0)
                KvTracesLevelError(QString::number(i), TRACES_MESSAGE_M);
            else
                KvTracesLevelInfo(QString::number(i), TRACES_MESSAGE_M);
        }
        QCOMPARE(g_CounterCalls, expected);
        QCOMPARE(g_ErrorCalls, 4);
        QCOMPARE(Lines(session.errorFile).size(), 1 + 4);
        QCOMPARE(Lines(session.infoFile).size(), 1 + 6);
    }

    void nothingBeforeInitOrStart()
    {
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("too early"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("too early"), TRACES_MESSAGE_M);
        QCOMPARE(QDir(Base()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

        const Session session = Open(Base());
        KvTracesLevelError(QStringLiteral("not started"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("not started"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 0);
        QCOMPARE(g_CounterCalls, QList<quint32>());
        QCOMPARE(Lines(session.errorFile).size(), 1);
        QCOMPARE(Lines(session.infoFile).size(), 1);

        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("started"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 1);
        QCOMPARE(g_CounterCalls, QList<quint32>{1}); // the counter had not moved

        KvTracesStop();
        KvTracesLevelError(QStringLiteral("stopped"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 1);
        QCOMPARE(Lines(session.errorFile).size(), 2);
    }

    void threadLabels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::newRow("unnamed") << QString() << "UNKNOWN";
        QTest::newRow("THREAD_GUI") << "THREAD_GUI" << "GUI";
        QTest::newRow("in the middle") << "NET_THREAD_POOL" << "NET_POOL";
        QTest::newRow("twice") << "THREAD_A_THREAD_B" << "A_B";
        QTest::newRow("case matters") << "thread_gui" << "thread_gui";
    }

    void threadLabels()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QThread::currentThread()->setObjectName(name);
        const Session session = Open(Base());
        KvTracesStart(false);
        KvTracesLevelInfo(QStringLiteral("hello"), TRACES_MESSAGE_M);
        const QStringList lines = Lines(session.infoFile);
        QCOMPARE(MessageOf(lines.value(0), label), QStringLiteral("App 1.0 PROGRAM START"));
        QCOMPARE(MessageOf(lines.value(1), label), QStringLiteral("hello"));
    }

    void linesFromAnotherThreadInOrder()
    {
        const Session session = Open(Base(), QStringLiteral("App"), StartTraceThread());
        KvTracesStart(false);
        const int count = 300;
        std::unique_ptr<QThread> producer(QThread::create([count]() {
            for (int i = 0; i < count; ++i) {
                KvTracesLevelInfo(QStringLiteral("info %1").arg(i), TRACES_MESSAGE_M);
                if (i % 10 == 0)
                    KvTracesLevelError(QStringLiteral("error %1").arg(i), TRACES_MESSAGE_M);
            }
        }));
        producer->setObjectName(QStringLiteral("THREAD_PRODUCER"));
        producer->start();
        QVERIFY(producer->wait(30000));

        QTRY_COMPARE_WITH_TIMEOUT(Lines(session.infoFile).size(), 1 + count, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(Lines(session.errorFile).size(), 1 + count / 10, 20000);
        const QStringList infoLines = Lines(session.infoFile);
        for (int i = 0; i < count; ++i)
            QCOMPARE(MessageOf(infoLines[1 + i], QStringLiteral("PRODUCER")), QStringLiteral("info %1").arg(i));
        const QStringList errorLines = Lines(session.errorFile);
        for (int i = 0; i < count / 10; ++i)
            QCOMPARE(MessageOf(errorLines[1 + i], QStringLiteral("PRODUCER")), QStringLiteral("error %1").arg(i * 10));
        QCOMPARE(g_CounterCalls.size(), count + count / 10);
    }

    void rollOverKeepsQueuedLinesInTheirFiles()
    {
        QThread* thread = StartTraceThread();
        const Session session = Open(Base(), QStringLiteral("App"), thread);
        KvTracesStart(false);

        // Hold the trace thread so that the lines below wait in its queue
        // while the roll-over happens.
        QSemaphore gate;
        QObject* holder = new QObject;
        holder->moveToThread(thread);
        QMetaObject::invokeMethod(holder, [&gate]() { gate.acquire(); }, Qt::QueuedConnection);
        for (int i = 0; i < 50; ++i)
            KvTracesLevelInfo(QStringLiteral("before %1").arg(i), TRACES_MESSAGE_M);
        KvTracesStart(true);
        for (int i = 0; i < 50; ++i)
            KvTracesLevelInfo(QStringLiteral("after %1").arg(i), TRACES_MESSAGE_M);
        gate.release();
        holder->deleteLater();

        const QString next = session.infoFile + QStringLiteral(".001");
        QTRY_COMPARE_WITH_TIMEOUT(Lines(next).size(), 51, 20000);
        const QStringList oldLines = Lines(session.infoFile);
        const QStringList newLines = Lines(next);
        QCOMPARE(oldLines.size(), 51);
        for (int i = 0; i < 50; ++i) {
            QCOMPARE(MessageOf(oldLines[1 + i], QStringLiteral("UNKNOWN")), QStringLiteral("before %1").arg(i));
            QCOMPARE(MessageOf(newLines[1 + i], QStringLiteral("UNKNOWN")), QStringLiteral("after %1").arg(i));
        }
    }

    void traceDirectoryWithBlanks()
    {
        const QString base = Base() + QStringLiteral("/my traces");
        QVERIFY(QDir().mkpath(base));
        const Session session = Open(base, QStringLiteral("Kv Quillex"));
        QVERIFY(!session.errorFile.isEmpty());
        QCOMPARE(RawLinkTarget(session.errorLink()), session.errorFile);
        QCOMPARE(RawLinkTarget(session.infoLink()), session.infoFile);
        KvTracesStart(false);
        KvTracesLevelInfo(QStringLiteral("through the link"), TRACES_MESSAGE_M);
        QCOMPARE(ReadAll(session.infoLink()), ReadAll(session.infoFile));
        KvTracesStart(true);
        QCOMPARE(RawLinkTarget(session.infoLink()), session.infoFile + QStringLiteral(".001"));
    }

    void failedInitIsPrintedAndWritesNothing_data()
    {
        QTest::addColumn<QString>("base");   // relative to the temporary directory
        QTest::addColumn<QString>("blocker"); // a plain file made there first
        QTest::addColumn<QString>("message");
        QTest::newRow("base directory missing")
            << "missing" << QString() << "Can't write logs, %1/missing do not exist\n";
        QTest::newRow("trace directory cannot be made")
            << "" << "App" << "Can't create directory %1/App for trace\n";
    }

    void failedInitIsPrintedAndWritesNothing()
    {
        QFETCH(QString, base);
        QFETCH(QString, blocker);
        QFETCH(QString, message);
        if (!blocker.isEmpty())
            QVERIFY(QFile(Base() + QLatin1Char('/') + blocker).open(QIODevice::WriteOnly));
        const QString basePath = QDir(Base() + QLatin1Char('/') + base).absolutePath();

        StderrCapture capture;
        KvTracesInit(QStringLiteral("App"), QStringLiteral("1.0"), QDir(basePath), nullptr, ErrorSeen);
        QCOMPARE(capture.take(), message.arg(QDir(Base()).absolutePath()));

        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("lost"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 0);
        QCOMPARE(QDir(Base()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 blocker.isEmpty() ? QStringList() : QStringList{blocker});
    }

    void unopenableFirstFileIsPrinted_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("error file") << "ERROR";
        QTest::newRow("information file") << "INFO";
    }

    void unopenableFirstFileIsPrinted()
    {
        QFETCH(QString, kind);
        // Directories in the way of every name the next seconds can give.
        const QString dir = Base() + QStringLiteral("/App");
        QVERIFY(QDir().mkpath(dir));
        const QDateTime now = QDateTime::currentDateTime();
        for (int s = -1; s < 30; ++s)
            QDir(dir).mkdir(QStringLiteral("00000000_%1_%2.log")
                                .arg(kind, now.addSecs(s).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"))));

        StderrCapture capture;
        KvTracesInit(QStringLiteral("App"), QStringLiteral("1.0"), QDir(Base()), nullptr, ErrorSeen);
        const QString printed = capture.take();
        const QRegularExpression pattern(QStringLiteral("^Can't open file %1/00000000_%2_%3\\.log for trace\n$")
                                             .arg(QRegularExpression::escape(dir), kind, kDateTime));
        QVERIFY2(pattern.match(printed).hasMatch(), qPrintable(printed));

        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("lost"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 0);
        QVERIFY(!QFileInfo::exists(dir + QStringLiteral("/CURRENT_ERROR.log")));
        // An error file opened before the information file failed stays, empty.
        for (const QString& name : FirstFiles(dir, QStringLiteral("ERROR")))
            QCOMPARE(QFileInfo(dir + QLatin1Char('/') + name).size(), qint64(0));
    }

    void secondInitClosesTheFirst()
    {
        const Session first = Open(Base(), QStringLiteral("First"));
        KvTracesStart(false);

        // A failed second initialisation must not leave the first session
        // writing through a released worker.
        StderrCapture capture;
        KvTracesInit(QStringLiteral("App"), QStringLiteral("1.0"), QDir(Base() + QStringLiteral("/missing")));
        QVERIFY(capture.take().startsWith(QStringLiteral("Can't write logs, ")));
        KvTracesLevelError(QStringLiteral("lost"), TRACES_MESSAGE_M);
        QCOMPARE(Lines(first.errorFile).size(), 1);

        const Session second = Open(Base(), QStringLiteral("Second"));
        KvTracesLevelError(QStringLiteral("not started"), TRACES_MESSAGE_M);
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("second"), TRACES_MESSAGE_M);
        QCOMPARE(Lines(first.errorFile).size(), 1);
        QCOMPARE(Lines(second.errorFile).size(), 2);
    }
};

QTEST_MAIN(TestTraces)
#include "tst_traces.moc"
