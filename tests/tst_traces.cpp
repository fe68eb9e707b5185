#include "tests/testsupport/CoreSupport.h"
#include "traces/KvTraces.h"
#include "traces/KvTracesPrivate.h"
#include "traces/TraceWorkerDeport.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <ctime>
#include <memory>

namespace {
QList<quint32> g_CounterCalls;
int g_ErrorCalls = 0;
void CountReached(quint32 i_Count)
{
    g_CounterCalls.append(i_Count);
}
void ErrorSeen()
{
    ++g_ErrorCalls;
}

// The newest first file of a kind: run index, kind, local date-time, ".log".
QString FirstFile(const QString& i_Dir, const QString& i_Kind)
{
    const QStringList names =
        QDir(i_Dir)
            .entryList(QDir::Files)
            .filter(QRegularExpression(
                QStringLiteral("^\\d{8}_%1_\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d\\.log$").arg(i_Kind)));
    return names.isEmpty() ? QString() : i_Dir + QLatin1Char('/') + names.last();
}

const QString Start = QStringLiteral("[T][UNKNOWN][M]Kv App 2.0.5 beta PROGRAM START");
} // namespace

// The module traces into "<base>/Kv App": the blank must survive the link
// command. Deported writers get folders relative to the base.
class TestTraces : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    qint64 m_from = 0;
    QString m_dir, m_error, m_info;

    QString Base() const { return m_temp->path(); }
    void Open(quint32 i_Threshold = 1)
    {
        KvTracesInit("Kv App", "2.0.5 beta", QDir(Base()), nullptr, ErrorSeen, CountReached, i_Threshold);
        m_dir = Base() + QStringLiteral("/Kv App");
        m_error = FirstFile(m_dir, "ERROR");
        m_info = FirstFile(m_dir, "INFO");
    }
    // Lines with each time stamp (UTC milliseconds since init) shown as T.
    QStringList Lines(const QString& i_Path) const
    {
        QStringList lines = FileLines(i_Path);
        for (QString& line : lines) {
            const int end = line.indexOf(QLatin1Char(']'));
            const qint64 stamp = line.mid(1, end - 1).toLongLong();
            if (end >= 14 && stamp >= m_from && stamp <= QDateTime::currentMSecsSinceEpoch())
                line = QStringLiteral("[T") + line.mid(end);
        }
        return lines;
    }

private slots:
    void initTestCase()
    {
        // Far from UTC, so local time and UTC cannot be mixed up unseen.
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
        QVERIFY(QDir::setCurrent(Base()));
        m_from = QDateTime::currentMSecsSinceEpoch();
    }
    void cleanup() { KvTracesReset(); }

    void runs_data()
    {
        QTest::addColumn<QString>("deport"); // folder of a deported writer, or none
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("run");
        QTest::addColumn<QString>("name"); // of the tracing thread, or the origin
        QTest::addColumn<QString>("label");
        QTest::newRow("empty, unnamed thread") << "" << QStringList() << "00000000"
                                               << ""
                                               << "UNKNOWN";
        QTest::newRow("41 and 7 with continuations, THREAD_GUI")
            << ""
            << QStringList{"00000007_ERROR_2020-01-01_10-00-00.log", "00000007_INFO_2020-01-01_10-00-00.log.002",
                           "00000041_INFO_2021-02-03_04-05-06.log.001", "CURRENT_ERROR.log"}
            << "00000042"
            << "THREAD_GUI"
            << "GUI";
        QTest::newRow("names without a run, THREAD_ inside")
            << "" << QStringList{"00000050.log", "run50_x.log", "x_50.log", "3_x.log"} << "00000004"
            << "thread_NET_THREAD_POOL"
            << "thread_NET_POOL";
        QTest::newRow("deported after run 5, origin as given")
            << "runs" << QStringList{"00000005_INFO_2020-01-01_00-00-00.log.003"} << "00000006"
            << "[io] THREAD_ ]x["
            << "[io] THREAD_ ]x[";
        QTest::newRow("deported into missing parents") << "a b/c" << QStringList() << "00000000"
                                                       << "io"
                                                       << "io";
    }
    void runs()
    {
        QFETCH(QString, deport);
        QFETCH(QStringList, files);
        QFETCH(QString, run);
        QFETCH(QString, name);
        QFETCH(QString, label);
        const QString dir = Base() + QLatin1Char('/') + (deport.isEmpty() ? QStringLiteral("Kv App") : deport);
        for (const QString& file : files)
            QVERIFY(QDir().mkpath(dir) && QFile(dir + QLatin1Char('/') + file).open(QIODevice::WriteOnly));
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        const QString message = QStringLiteral("Grüße [1]") + QChar(0) + QStringLiteral("cut");
        QString start = QString(Start).replace("UNKNOWN", label);
        std::unique_ptr<CLASS_WORKER_DEPORT> writer;
        if (deport.isEmpty()) {
            QThread::currentThread()->setObjectName(name);
            Open();
            KvTracesStart(false);
            KvTracesLevelError(message, TRACES_MESSAGE_M);
            KvTracesLevelInfo(message, TRACES_MESSAGE_V);
        } else {
            writer.reset(new CLASS_WORKER_DEPORT(deport, "Scanner"));
            writer->WriteTraceError(message, name);
            writer->WriteTraceInfo(message, name);
            start = QStringLiteral("[T][TRACES_DEPORT][M]Scanner PROGRAM START");
        }
        for (const QString kind : {"ERROR", "INFO"}) {
            const QString file = FirstFile(dir, kind);
            const QString fileName = QFileInfo(file).fileName();
            QCOMPARE(fileName.left(8), run);
            const QDateTime named = QDateTime::fromString(fileName.mid(10 + kind.size(), 19), "yyyy-MM-dd_HH-mm-ss");
            QVERIFY2(named >= before && named <= QDateTime::currentDateTime(), qPrintable(fileName));
            QCOMPARE(LinkTarget(dir + "/CURRENT_" + kind + ".log"), file);
            const QString symbol = kind == "INFO" && deport.isEmpty() ? "V" : "M";
            QCOMPARE(Lines(file), (QStringList{start, "[T][" + label + "][" + symbol + "]Grüße [1]"}));
        }
    }

    // Nothing is traced before the start; a failed roll-over disables
    // traces and keeps the files and links; any later one enables them.
    void rollOversAndCallbacks()
    {
        KvTracesStart(false);
        KvTracesLevelError("before init", TRACES_MESSAGE_M);
        QVERIFY(QDir(Base()).isEmpty());
        Open(2);
        KvTracesLevelError("before start", TRACES_MESSAGE_M);
        KvTracesStart(false);
        KvTracesLevelError("first", TRACES_MESSAGE_M);
        QVERIFY(QDir().mkdir(m_info + ".001")); // a folder in the way
        KvTracesStart(true);
        QCOMPARE(LinkTarget(m_dir + "/CURRENT_INFO.log"), m_info);
        KvTracesLevelError("lost", TRACES_MESSAGE_M);
        KvTracesStart(false);
        KvTracesLevelInfo("still", TRACES_MESSAGE_M);
        KvTracesStop();
        KvTracesStart(true); // .002: the failed one used up its number
        KvTracesLevelError("next", TRACES_MESSAGE_M);
        KvTracesLevelInfo("next", TRACES_MESSAGE_M);
        KvTracesStart(true);
        QCOMPARE(g_ErrorCalls, 2);
        QCOMPARE(g_CounterCalls, (QList<quint32>{2, 4})); // errors and information together
        QCOMPARE(Lines(m_error), (QStringList{Start, "[T][UNKNOWN][M]first"}));
        QCOMPARE(Lines(m_info), (QStringList{Start, "[T][UNKNOWN][M]still"}));
        const QStringList next{"[T][UNKNOWN][M]PROGRAM RESTART", "[T][UNKNOWN][M]next"};
        QCOMPARE(Lines(m_error + ".002"), next);
        QCOMPARE(Lines(m_info + ".002"), next);
        QCOMPARE(LinkTarget(m_dir + "/CURRENT_ERROR.log"), m_error + ".003");
        QCOMPARE(LinkTarget(m_dir + "/CURRENT_INFO.log"), m_info + ".003");
    }

    void failedSetUpIsPrintedAndWritesNothing()
    {
        const QString blocked = Base() + "/blocked"; // a file where a folder should be
        QVERIFY(QFile(blocked).open(QIODevice::WriteOnly));
        StderrCapture capture;
        KvTracesInit("Kv App", "1.0", QDir(blocked), nullptr, ErrorSeen);
        KvTracesStart(false);
        KvTracesLevelError("lost", TRACES_MESSAGE_M);
        CLASS_WORKER_DEPORT writer(blocked, "Scanner");
        writer.WriteTraceError("lost", "x");
        QCOMPARE(capture.take(),
                 QString("Can't write logs, %1 do not exist\nCan't create directory %1 for trace\n").arg(blocked));
        QCOMPARE(g_ErrorCalls, 0);
        QCOMPARE(QDir(Base()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"blocked"});
        QCOMPARE(QFileInfo(blocked).size(), qint64(0));
    }
};

QTEST_MAIN(TestTraces)
#include "tst_traces.moc"
