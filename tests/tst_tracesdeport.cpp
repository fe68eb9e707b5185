#include "TraceWorkerDeport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QThread>
#include <QtTest>

#include "TestSupport.h"

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace
{

// The run's first file of a kind, for a given run index.
QString RunFile(const QString& dir, const QString& run, const QString& kind)
{
    const QRegularExpression pattern(
        QStringLiteral("^%1_%2_\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}\\.log$").arg(run, kind));
    const QStringList names = QDir(dir).entryList(QDir::Files).filter(pattern);
    return names.size() == 1 ? QDir(dir).absoluteFilePath(names.first()) : QString();
}

QStringList Lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (lines.last().isEmpty())
        lines.removeLast();
    else
        lines.append(QStringLiteral("<no line feed at end>"));
    return lines;
}

QString RawLinkTarget(const QString& path)
{
    char buffer[4096];
    const ssize_t size = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return size < 0 ? QString() : QFile::decodeName(QByteArray(buffer, int(size)));
}

bool IsLine(const QString& line, const QString& origin, const QString& message)
{
    const QRegularExpression pattern(QStringLiteral("^\\[\\d{13,}\\]\\[%1\\]\\[M\\]%2$")
                                         .arg(QRegularExpression::escape(origin), QRegularExpression::escape(message)));
    return pattern.match(line).hasMatch();
}
}

class TestTracesDeport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_temp;
    QString Base() const { return m_temp->path(); }

private slots:
    void init()
    {
        m_temp.reset(new QTemporaryDir);
        QVERIFY(m_temp->isValid());
    }

    void cleanup() { m_temp.reset(); }

    void createsMissingParents()
    {
        const QString dir = Base() + QStringLiteral("/a/b/c");
        CLASS_WORKER_DEPORT writer(dir, QStringLiteral("Scanner"));

        const QString errorFile = RunFile(dir, QStringLiteral("00000000"), QStringLiteral("ERROR"));
        const QString infoFile = RunFile(dir, QStringLiteral("00000000"), QStringLiteral("INFO"));
        QVERIFY(!errorFile.isEmpty());
        QVERIFY(!infoFile.isEmpty());
        for (const QString& file : {errorFile, infoFile}) {
            const QStringList lines = Lines(file);
            QCOMPARE(lines.size(), 1);
            QVERIFY2(IsLine(lines[0], QStringLiteral("TRACES_DEPORT"), QStringLiteral("Scanner PROGRAM START")),
                     qPrintable(lines[0]));
        }
        QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), errorFile);
        QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_INFO.log")), infoFile);

        writer.WriteTraceError(QStringLiteral("bad frame"), QStringLiteral("decoder"));
        writer.WriteTraceInfo(QStringLiteral("frame 1"), QStringLiteral("decoder"));
        QVERIFY(IsLine(Lines(errorFile).value(1), QStringLiteral("decoder"), QStringLiteral("bad frame")));
        QVERIFY(IsLine(Lines(infoFile).value(1), QStringLiteral("decoder"), QStringLiteral("frame 1")));
        QCOMPARE(Lines(errorFile).size(), 2);
        QCOMPARE(Lines(infoFile).size(), 2);
    }

    void runIndicesFollowOneAnother()
    {
        const QString dir = Base() + QStringLiteral("/my traces");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile(dir + QStringLiteral("/00000005_INFO_2020-01-01_00-00-00.log.003")).open(QIODevice::WriteOnly));

        CLASS_WORKER_DEPORT first(dir, QStringLiteral("One"));
        const QString firstError = RunFile(dir, QStringLiteral("00000006"), QStringLiteral("ERROR"));
        QVERIFY(!firstError.isEmpty());
        QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), firstError);

        CLASS_WORKER_DEPORT second(dir, QStringLiteral("Two"));
        const QString secondError = RunFile(dir, QStringLiteral("00000007"), QStringLiteral("ERROR"));
        const QString secondInfo = RunFile(dir, QStringLiteral("00000007"), QStringLiteral("INFO"));
        QVERIFY(!secondError.isEmpty());
        QVERIFY(!secondInfo.isEmpty());
        QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), secondError);
        QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_INFO.log")), secondInfo);

        // Each writer keeps to its own files.
        first.WriteTraceError(QStringLiteral("from one"), QStringLiteral("x"));
        second.WriteTraceError(QStringLiteral("from two"), QStringLiteral("x"));
        QVERIFY(IsLine(Lines(firstError).value(1), QStringLiteral("x"), QStringLiteral("from one")));
        QVERIFY(IsLine(Lines(secondError).value(1), QStringLiteral("x"), QStringLiteral("from two")));
        QVERIFY(IsLine(Lines(secondError).value(0), QStringLiteral("TRACES_DEPORT"), QStringLiteral("Two PROGRAM START")));
    }

    void failedInitialisationWritesNothing()
    {
        const QString dir = Base() + QStringLiteral("/blocked");
        QVERIFY(QFile(dir).open(QIODevice::WriteOnly)); // a file where the directory should be

        StderrCapture capture;
        CLASS_WORKER_DEPORT writer(dir, QStringLiteral("Scanner"));
        QCOMPARE(capture.take(), QStringLiteral("Can't create directory %1 for trace\n").arg(dir));

        writer.WriteTraceError(QStringLiteral("lost"), QStringLiteral("x"));
        writer.WriteTraceInfo(QStringLiteral("lost"), QStringLiteral("x"));
        QCoreApplication::processEvents();
        QCOMPARE(QDir(Base()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"blocked"});
        QCOMPARE(QFileInfo(dir).size(), qint64(0));
    }

    void originLabelsWrittenUnchanged_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::newRow("blanks") << "scan unit 2";
        QTest::newRow("brackets") << "[io] ]x[";
        QTest::newRow("empty") << "";
        QTest::newRow("THREAD_ kept") << "THREAD_GUI";
    }

    void originLabelsWrittenUnchanged()
    {
        QFETCH(QString, origin);
        const QString dir = Base() + QStringLiteral("/traces");
        CLASS_WORKER_DEPORT writer(dir, QStringLiteral("Scanner"));
        writer.WriteTraceError(QStringLiteral("e [1]"), origin);
        writer.WriteTraceInfo(QStringLiteral("i [2]"), origin);
        const QStringList errorLines = Lines(RunFile(dir, QStringLiteral("00000000"), QStringLiteral("ERROR")));
        const QStringList infoLines = Lines(RunFile(dir, QStringLiteral("00000000"), QStringLiteral("INFO")));
        QCOMPARE(errorLines.size(), 2);
        QCOMPARE(infoLines.size(), 2);
        QVERIFY2(IsLine(errorLines[1], origin, QStringLiteral("e [1]")), qPrintable(errorLines[1]));
        QVERIFY2(IsLine(infoLines[1], origin, QStringLiteral("i [2]")), qPrintable(infoLines[1]));
    }

    void linesFromAnotherThreadKeepTheirOrder()
    {
        const QString dir = Base() + QStringLiteral("/traces");
        CLASS_WORKER_DEPORT writer(dir, QStringLiteral("Scanner"));
        const int count = 200;
        std::unique_ptr<QThread> producer(QThread::create([&writer, count]() {
            for (int i = 0; i < count; ++i)
                writer.WriteTraceInfo(QStringLiteral("line %1").arg(i), QStringLiteral("producer"));
        }));
        producer->start();
        QVERIFY(producer->wait(30000));

        // Queued to the writer's thread, this one: written as events run.
        const QString infoFile = RunFile(dir, QStringLiteral("00000000"), QStringLiteral("INFO"));
        QTRY_COMPARE_WITH_TIMEOUT(Lines(infoFile).size(), 1 + count, 20000);
        const QStringList lines = Lines(infoFile);
        for (int i = 0; i < count; ++i)
            QVERIFY2(IsLine(lines[1 + i], QStringLiteral("producer"), QStringLiteral("line %1").arg(i)),
                     qPrintable(lines[1 + i]));
    }

    void relativeDirectoryGivesAbsoluteLinks()
    {
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(Base()));
        {
            CLASS_WORKER_DEPORT writer(QStringLiteral("rel/traces"), QStringLiteral("Scanner"));
            const QString dir = Base() + QStringLiteral("/rel/traces");
            const QString errorFile = RunFile(dir, QStringLiteral("00000000"), QStringLiteral("ERROR"));
            QVERIFY(!errorFile.isEmpty());
            QCOMPARE(RawLinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), errorFile);
        }
        QVERIFY(QDir::setCurrent(saved));
    }
};

QTEST_MAIN(TestTracesDeport)
#include "tst_tracesdeport.moc"
