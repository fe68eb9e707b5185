#include "TraceWorkerDeport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "CoreSupport.h"

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

    QTemporaryDir m_temp;

private slots:
    void createsMissingParents()
    {
        const QString dir = m_temp.path() + QStringLiteral("/a/b/c");
        CLASS_WORKER_DEPORT writer(dir, QStringLiteral("Scanner"));

        const QString errorFile = RunFile(dir, QStringLiteral("00000000"), QStringLiteral("ERROR"));
        const QString infoFile = RunFile(dir, QStringLiteral("00000000"), QStringLiteral("INFO"));
        QCOMPARE(LinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), errorFile);
        QCOMPARE(LinkTarget(dir + QStringLiteral("/CURRENT_INFO.log")), infoFile);
        QVERIFY(IsLine(FileLines(errorFile).value(0), QStringLiteral("TRACES_DEPORT"),
                       QStringLiteral("Scanner PROGRAM START")));
        writer.WriteTraceInfo(QStringLiteral("frame 1"), QStringLiteral("decoder"));
        QCOMPARE(FileLines(infoFile).size(), 2);
        QVERIFY(IsLine(FileLines(infoFile).value(1), QStringLiteral("decoder"), QStringLiteral("frame 1")));
    }

    void runIndicesFollowOneAnother()
    {
        const QString dir = m_temp.path() + QStringLiteral("/runs");
        QVERIFY(QDir().mkpath(dir));
        QVERIFY(QFile(dir + QStringLiteral("/00000005_INFO_2020-01-01_00-00-00.log.003")).open(QIODevice::WriteOnly));

        CLASS_WORKER_DEPORT first(dir, QStringLiteral("One"));
        const QString firstError = RunFile(dir, QStringLiteral("00000006"), QStringLiteral("ERROR"));
        QVERIFY(!firstError.isEmpty());
        QCOMPARE(LinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), firstError);

        CLASS_WORKER_DEPORT second(dir, QStringLiteral("Two"));
        const QString secondError = RunFile(dir, QStringLiteral("00000007"), QStringLiteral("ERROR"));
        QVERIFY(!secondError.isEmpty());
        QCOMPARE(LinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")), secondError);
        QCOMPARE(LinkTarget(dir + QStringLiteral("/CURRENT_INFO.log")),
                 RunFile(dir, QStringLiteral("00000007"), QStringLiteral("INFO")));

        // Each writer keeps to its own files.
        first.WriteTraceError(QStringLiteral("from one"), QStringLiteral("x"));
        QVERIFY(IsLine(FileLines(firstError).value(1), QStringLiteral("x"), QStringLiteral("from one")));
        QCOMPARE(FileLines(secondError).size(), 1);
    }

    // A link holding a relative target would point beside itself.
    void relativeDirectoryGivesAbsoluteLinks()
    {
        const QString saved = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_temp.path()));
        {
            CLASS_WORKER_DEPORT writer(QStringLiteral("rel/traces"), QStringLiteral("Scanner"));
        }
        QVERIFY(QDir::setCurrent(saved));
        const QString dir = m_temp.path() + QStringLiteral("/rel/traces");
        QCOMPARE(LinkTarget(dir + QStringLiteral("/CURRENT_ERROR.log")),
                 RunFile(dir, QStringLiteral("00000000"), QStringLiteral("ERROR")));
    }

    void failedInitialisationWritesNothing()
    {
        const QString dir = m_temp.path() + QStringLiteral("/blocked");
        QVERIFY(QFile(dir).open(QIODevice::WriteOnly)); // a file where the directory should be

        StderrCapture capture;
        CLASS_WORKER_DEPORT writer(dir, QStringLiteral("Scanner"));
        QCOMPARE(capture.take(), QStringLiteral("Can't create directory %1 for trace\n").arg(dir));
        writer.WriteTraceError(QStringLiteral("lost"), QStringLiteral("x"));
        writer.WriteTraceInfo(QStringLiteral("lost"), QStringLiteral("x"));
        QCoreApplication::processEvents();
        QCOMPARE(QFileInfo(dir).size(), qint64(0));
    }

    void originLabelsWrittenUnchanged_data()
    {
        QTest::addColumn<QString>("origin");
        QTest::newRow("blanks") << "scan unit 2";
        QTest::newRow("brackets") << "[io] ]x[";
        QTest::newRow("THREAD_ kept") << "THREAD_GUI";
    }
    void originLabelsWrittenUnchanged()
    {
        QFETCH(QString, origin);
        QTemporaryDir temp;
        CLASS_WORKER_DEPORT writer(temp.path(), QStringLiteral("Scanner"));
        writer.WriteTraceError(QStringLiteral("e [1]"), origin);
        const QStringList lines = FileLines(RunFile(temp.path(), QStringLiteral("00000000"), QStringLiteral("ERROR")));
        QCOMPARE(lines.size(), 2);
        QVERIFY2(IsLine(lines[1], origin, QStringLiteral("e [1]")), qPrintable(lines[1]));
    }
};

QTEST_MAIN(TestTracesDeport)
#include "tst_tracesdeport.moc"
