#include "KvTraces.h"
#include "KvTracesPrivate.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include "CoreSupport.h"

#include <ctime>
#include <memory>

namespace
{

QRegularExpression FirstFilePattern(const QString& kind)
{
    return QRegularExpression(
        QStringLiteral("^(\\d{8})_%1_(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2})\\.log$").arg(kind));
}

QStringList FirstFiles(const QString& dir, const QString& kind)
{
    return QDir(dir).entryList(QDir::Files).filter(FirstFilePattern(kind));
}

// Message of a trace line, or a null string when the line is malformed.
QString MessageOf(const QString& line, const QString& label = QStringLiteral("UNKNOWN"))
{
    const QRegularExpression pattern(
        QStringLiteral("^\\[\\d{13,}\\]\\[%1\\]\\[M\\](.*)$").arg(QRegularExpression::escape(label)));
    return pattern.match(line).captured(1);
}

QList<quint32> g_CounterCalls;
int g_ErrorCalls = 0;
void CountReached(quint32 count) { g_CounterCalls.append(count); }
void ErrorSeen() { ++g_ErrorCalls; }

struct Session
{
    QString dir, errorFile, infoFile;
    QString errorLink() const { return dir + QStringLiteral("/CURRENT_ERROR.log"); }
    QString infoLink() const { return dir + QStringLiteral("/CURRENT_INFO.log"); }
};

// Initialises in base/app and finds the run's two first files.
Session Open(const QString& base, const QString& app = QStringLiteral("App"), QThread* thread = nullptr,
             quint32 threshold = 1)
{
    KvTracesInit(app, QStringLiteral("1.0"), QDir(base), thread, ErrorSeen, CountReached, threshold);
    Session session{base + QLatin1Char('/') + app, QString(), QString()};
    const QStringList errors = FirstFiles(session.dir, QStringLiteral("ERROR"));
    const QStringList infos = FirstFiles(session.dir, QStringLiteral("INFO"));
    if (errors.size() == 1 && infos.size() == 1) {
        session.errorFile = session.dir + QLatin1Char('/') + errors.first();
        session.infoFile = session.dir + QLatin1Char('/') + infos.first();
    }
    return session;
}
}

class TestTraces : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    QString Base() const { return m_temp->path(); }
    QThread m_traceThread;

private slots:
    void initTestCase()
    {
        // Far from UTC, so a file name in UTC instead of local time shows.
        qputenv("TZ", "XYZ-14");
        tzset();
    }

    void init()
    {
        KvTracesReset();
        g_CounterCalls.clear();
        g_ErrorCalls = 0;
        QThread::currentThread()->setObjectName(QString());
        m_temp.reset(new QTemporaryDir);
    }

    void cleanup()
    {
        KvTracesReset();
        m_traceThread.quit();
        m_traceThread.wait();
    }

    void runIndexFromExistingFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty directory") << QStringList() << "00000000";
        QTest::newRow("41 and 7, continuations included")
            << QStringList{"00000007_ERROR_2020-01-01_10-00-00.log", "00000007_INFO_2020-01-01_10-00-00.log.002",
                           "00000041_INFO_2021-02-03_04-05-06.log.001", "CURRENT_ERROR.log"}
            << "00000042";
        QTest::newRow("no underscore, no leading number")
            << QStringList{"00000050.log", "run50_x.log", "x_50.log", "3_x.log"} << "00000004";
    }
    void runIndexFromExistingFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        const QString dir = Base() + QStringLiteral("/App");
        QVERIFY(QDir().mkpath(dir));
        for (const QString& name : files)
            QVERIFY(QFile(dir + QLatin1Char('/') + name).open(QIODevice::WriteOnly));

        Open(Base());
        for (const QString& kind : {QStringLiteral("ERROR"), QStringLiteral("INFO")}) {
            QStringList made = FirstFiles(dir, kind);
            for (const QString& name : files)
                made.removeAll(name);
            QCOMPARE(made.size(), 1);
            QCOMPARE(FirstFilePattern(kind).match(made.first()).captured(1), expected);
        }
    }

    void filesAndLinesAsWritten()
    {
        const QDateTime localBefore = QDateTime::currentDateTime();
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        KvTracesInit(QStringLiteral("Kv App"), QStringLiteral("2.0.5 beta"), QDir(Base()));
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("disk full"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("ready"), TRACES_MESSAGE_V);
        const qint64 after = QDateTime::currentMSecsSinceEpoch();

        const QString dir = Base() + QStringLiteral("/Kv App");
        const QStringList errors = FirstFiles(dir, QStringLiteral("ERROR"));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(QDir(dir).entryList(QDir::Files).size(), 4); // the two files and their links
        const QString stamp = FirstFilePattern(QStringLiteral("ERROR")).match(errors.first()).captured(2);
        const QDateTime named = QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        QVERIFY2(named >= localBefore.addSecs(-1) && named <= QDateTime::currentDateTime(), qPrintable(stamp));

        const QRegularExpression format(QStringLiteral("^\\[(\\d{13,})\\]\\[UNKNOWN\\]\\[([MV])\\](.*)$"));
        const QStringList lines = FileLines(dir + QLatin1Char('/') + errors.first())
                                  + FileLines(LinkTarget(dir + QStringLiteral("/CURRENT_INFO.log")));
        QStringList kinds, messages;
        for (const QString& text : lines) {
            const QRegularExpressionMatch match = format.match(text);
            QVERIFY2(match.hasMatch(), qPrintable(text));
            QVERIFY2(match.captured(1).toLongLong() >= before && match.captured(1).toLongLong() <= after,
                     qPrintable(text));
            kinds << match.captured(2);
            messages << match.captured(3);
        }
        QCOMPARE(kinds, QStringList({"M", "M", "M", "V"}));
        QCOMPARE(messages, QStringList({"Kv App 2.0.5 beta PROGRAM START", "disk full",
                                        "Kv App 2.0.5 beta PROGRAM START", "ready"}));
    }

    void linksFollowRollOvers()
    {
        const Session session = Open(Base());
        QVERIFY(!session.errorFile.isEmpty());
        QCOMPARE(LinkTarget(session.errorLink()), session.errorFile);
        QCOMPARE(LinkTarget(session.infoLink()), session.infoFile);
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("first"), TRACES_MESSAGE_M);

        for (const QString& suffix : {QStringLiteral(".001"), QStringLiteral(".002")}) {
            KvTracesStop(); // a roll-over enables traces again by itself
            KvTracesStart(true);
            QCOMPARE(LinkTarget(session.errorLink()), session.errorFile + suffix);
            QCOMPARE(LinkTarget(session.infoLink()), session.infoFile + suffix);
            KvTracesLevelInfo(QStringLiteral("info in ") + suffix, TRACES_MESSAGE_M);
            const QStringList lines = FileLines(session.infoFile + suffix);
            QCOMPARE(lines.size(), 2);
            QCOMPARE(MessageOf(lines[0]), QStringLiteral("PROGRAM RESTART"));
            QCOMPARE(MessageOf(lines[1]), QStringLiteral("info in ") + suffix);
            QCOMPARE(FileLines(session.errorFile + suffix).size(), 1);
        }
        QCOMPARE(FileLines(session.errorFile).size(), 2);
        QCOMPARE(FileLines(session.infoFile).size(), 1);
    }

    void failedRollOverDisablesUntilNextSuccess()
    {
        const Session session = Open(Base());
        KvTracesStart(false);
        // A directory where the continuation file should go cannot be opened.
        QVERIFY(QDir().mkdir(session.infoFile + QStringLiteral(".001")));

        KvTracesStart(true);
        QCOMPARE(LinkTarget(session.infoLink()), session.infoFile);
        KvTracesLevelError(QStringLiteral("lost"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("lost"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 0);
        QCOMPARE(FileLines(session.errorFile).size(), 1);
        QCOMPARE(FileLines(session.infoFile).size(), 1);

        // The failed roll-over used up its number.
        KvTracesStart(true);
        QCOMPARE(LinkTarget(session.errorLink()), session.errorFile + QStringLiteral(".002"));
        QCOMPARE(LinkTarget(session.infoLink()), session.infoFile + QStringLiteral(".002"));
        KvTracesLevelInfo(QStringLiteral("after"), TRACES_MESSAGE_M);
        QCOMPARE(MessageOf(FileLines(session.infoFile + QStringLiteral(".002")).value(1)), QStringLiteral("after"));
    }

    void counterCallbackEveryThreshold()
    {
        const Session session = Open(Base(), QStringLiteral("App"), nullptr, 3);
        KvTracesStart(false);
        for (int i = 0; i < 10; ++i) {
            if (i % 3 == 0)
                KvTracesLevelError(QString::number(i), TRACES_MESSAGE_M);
            else
                KvTracesLevelInfo(QString::number(i), TRACES_MESSAGE_M);
        }
        QCOMPARE(g_CounterCalls, QList<quint32>({3, 6, 9}));
        QCOMPARE(g_ErrorCalls, 4);
        QCOMPARE(FileLines(session.errorFile).size(), 1 + 4);
        QCOMPARE(FileLines(session.infoFile).size(), 1 + 6);
    }

    void nothingBeforeInitOrStart()
    {
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("too early"), TRACES_MESSAGE_M);
        QCOMPARE(QDir(Base()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

        const Session session = Open(Base());
        KvTracesLevelError(QStringLiteral("not started"), TRACES_MESSAGE_M);
        KvTracesLevelInfo(QStringLiteral("not started"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 0);
        QCOMPARE(g_CounterCalls, QList<quint32>());
        QCOMPARE(FileLines(session.errorFile).size(), 1);
        QCOMPARE(FileLines(session.infoFile).size(), 1);
    }

    void threadLabels_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::newRow("unnamed") << QString() << "UNKNOWN";
        QTest::newRow("THREAD_GUI") << "THREAD_GUI" << "GUI";
        QTest::newRow("in the middle") << "NET_THREAD_POOL" << "NET_POOL";
    }
    void threadLabels()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QThread::currentThread()->setObjectName(name);
        const Session session = Open(Base());
        KvTracesStart(false);
        KvTracesLevelInfo(QStringLiteral("hello"), TRACES_MESSAGE_M);
        QCOMPARE(MessageOf(FileLines(session.infoFile).value(1), label), QStringLiteral("hello"));
    }

    void linesFromAnotherThreadInOrder()
    {
        m_traceThread.start();
        const Session session = Open(Base(), QStringLiteral("App"), &m_traceThread);
        KvTracesStart(false);
        const int count = 300;
        std::unique_ptr<QThread> producer(QThread::create([count]() {
            for (int i = 0; i < count; ++i)
                KvTracesLevelInfo(QStringLiteral("info %1").arg(i), TRACES_MESSAGE_M);
        }));
        producer->setObjectName(QStringLiteral("THREAD_PRODUCER"));
        producer->start();
        QVERIFY(producer->wait(30000));

        QTRY_COMPARE_WITH_TIMEOUT(FileLines(session.infoFile).size(), 1 + count, 20000);
        const QStringList lines = FileLines(session.infoFile);
        for (int i = 0; i < count; ++i)
            QCOMPARE(MessageOf(lines[1 + i], QStringLiteral("PRODUCER")), QStringLiteral("info %1").arg(i));
    }

    void rollOverKeepsQueuedLinesInTheirFiles()
    {
        m_traceThread.start();
        const Session session = Open(Base(), QStringLiteral("App"), &m_traceThread);
        KvTracesStart(false);
        // Hold the trace thread so that the lines wait in its queue while
        // the roll-over happens.
        QSemaphore gate;
        auto* holder = new QObject;
        holder->moveToThread(&m_traceThread);
        QMetaObject::invokeMethod(holder, [&gate]() { gate.acquire(); }, Qt::QueuedConnection);
        for (int i = 0; i < 50; ++i)
            KvTracesLevelInfo(QStringLiteral("before %1").arg(i), TRACES_MESSAGE_M);
        KvTracesStart(true);
        KvTracesLevelInfo(QStringLiteral("after"), TRACES_MESSAGE_M);
        gate.release();
        holder->deleteLater();

        QTRY_COMPARE_WITH_TIMEOUT(FileLines(session.infoFile + QStringLiteral(".001")).size(), 2, 20000);
        const QStringList old = FileLines(session.infoFile);
        QCOMPARE(old.size(), 51);
        QCOMPARE(MessageOf(old.last()), QStringLiteral("before 49"));
    }

    void failedInitIsPrintedAndWritesNothing()
    {
        StderrCapture capture;
        KvTracesInit(QStringLiteral("App"), QStringLiteral("1.0"), QDir(Base() + QStringLiteral("/missing")), nullptr,
                     ErrorSeen);
        QCOMPARE(capture.take(), QStringLiteral("Can't write logs, %1/missing do not exist\n").arg(Base()));
        KvTracesStart(false);
        KvTracesLevelError(QStringLiteral("lost"), TRACES_MESSAGE_M);
        QCOMPARE(g_ErrorCalls, 0);
        QCOMPARE(QDir(Base()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    // A failed second initialisation must not leave the first session
    // writing through a released worker.
    void secondInitClosesTheFirst()
    {
        const Session first = Open(Base(), QStringLiteral("First"));
        KvTracesStart(false);
        StderrCapture capture;
        KvTracesInit(QStringLiteral("App"), QStringLiteral("1.0"), QDir(Base() + QStringLiteral("/missing")));
        KvTracesLevelError(QStringLiteral("lost"), TRACES_MESSAGE_M);
        QCOMPARE(FileLines(first.errorFile).size(), 1);
    }

    // The links are made by a command line, which must survive blanks.
    void traceDirectoryWithBlanks()
    {
        const QString base = Base() + QStringLiteral("/my traces");
        QVERIFY(QDir().mkpath(base));
        const Session session = Open(base, QStringLiteral("Kv Quillex"));
        QVERIFY(!session.errorFile.isEmpty());
        QCOMPARE(LinkTarget(session.errorLink()), session.errorFile);
        QCOMPARE(LinkTarget(session.infoLink()), session.infoFile);
        KvTracesStart(true);
        QCOMPARE(LinkTarget(session.infoLink()), session.infoFile + QStringLiteral(".001"));
    }
};

QTEST_MAIN(TestTraces)
#include "tst_traces.moc"
