#include "MainWindow.h"
#include "TestSupport.h"

#include <QAction>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QQueue>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

namespace {

// A one-document web site on 127.0.0.1: answers every GET with the next
// queued answer, or with the standing one when the queue is empty.
class UpdateSite : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        int status = 200;
        QByteArray body;
    };

    UpdateSite()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &UpdateSite::Accept);
        Listen(0);
    }

    bool Listen(quint16 port)
    {
        if (!m_server.listen(QHostAddress::LocalHost, port))
            return false;
        m_port = m_server.serverPort();
        return true;
    }
    void Close() { m_server.close(); }
    QUrl Address() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }

    Answer standing;
    QQueue<Answer> queued;
    QStringList requestLines;

private:
    void Accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
        }
    }

    void Serve(QTcpSocket* socket)
    {
        QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        requestLines << QString::fromLatin1(request.left(request.indexOf("\r\n")));
        const Answer answer = queued.isEmpty() ? standing : queued.dequeue();
        const QByteArray reason = answer.status == 200 ? "OK" : answer.status == 404 ? "Not Found" : "Error";
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " " + reason + "\r\n"
                      "Content-Type: text/xml\r\n"
                      "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n"
                      "Connection: close\r\n\r\n" + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    quint16 m_port = 0;
};

QByteArray Document(const QByteArray& version, const QByteArray& url = "http://kevrel.example/download",
                    const QByteArray& id = "1002")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProductUpdate>\n  <Id>" + id
        + "</Id>\n  <Name>KV Quillex</Name>\n  <Version>" + version + "</Version>\n  <Url>" + url
        + "</Url>\n</ProductUpdate>\n";
}

QString NewerText(const QString& version, const QString& url = "http://kevrel.example/download")
{
    return "KV Quillex v" + version + " is available on Kevrel website. Please click <a href='" + url
        + "'>here</a> for more information.";
}

const QString UpToDate = QStringLiteral("  Your software is up to date.   ");

} // namespace

// The update check of the main window against a local web site: what the
// user is told at start and from "Check for Updates...", and what is kept.
class TestUpdateWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<UpdateSite> m_site;

    static QNetworkAccessManager* Manager(MainWindow& window)
    {
        return window.findChild<QNetworkAccessManager*>();
    }
    static void CheckForUpdates(MainWindow& window)
    {
        window.findChild<QAction*>(QStringLiteral("actionCheck_for_Updates"))->trigger();
    }
    static QVariant Stored()
    {
        return QSettings(QStringLiteral("Kevrel"), QStringLiteral("Quillex")).value("LastVersionDisplay");
    }
    QStringList Texts() const
    {
        QStringList texts;
        for (const DesktopSeam::Message& message : m_desktop->messages)
            texts << message.text;
        return texts;
    }

private slots:
    void initTestCase()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        qRegisterMetaType<QNetworkReply*>();
    }
    void init()
    {
        m_settings.reset(new IsolatedSettings);
        m_desktop.reset(new FakeDesktop);
        m_site.reset(new UpdateSite);
    }
    void cleanup()
    {
        m_site.reset();
        m_desktop.reset();
        m_settings.reset();
    }

    void newerVersionAnnouncedOnceAtStart()
    {
        m_site->standing.body = Document("02.00.06");
        {
            MainWindow window(nullptr, m_site->Address());
            QSignalSpy replies(Manager(window), &QNetworkAccessManager::finished);
            QTRY_COMPARE(replies.count(), 1);
            QCOMPARE(Texts(), QStringList{NewerText("02.00.06")});
            const DesktopSeam::Message& message = m_desktop->messages.first();
            QCOMPARE(message.parent, &window);
            QCOMPARE(message.icon, QMessageBox::Information);
            QCOMPARE(message.title, QStringLiteral("KV Quillex"));
            QCOMPARE(message.textFormat, Qt::RichText);
            QCOMPARE(message.styleSheet,
                     window.findChild<QWidget*>(QStringLiteral("mainWidget"))->styleSheet());
            QCOMPARE(Stored(), QVariant("02.00.06"));
        }
        {
            MainWindow window(nullptr, m_site->Address());
            QSignalSpy replies(Manager(window), &QNetworkAccessManager::finished);
            QTRY_COMPARE(replies.count(), 1);
            QCOMPARE(m_desktop->messages.size(), 1);

            CheckForUpdates(window);
            QTRY_COMPARE(replies.count(), 2);
            QCOMPARE(Texts(), (QStringList{NewerText("02.00.06"), NewerText("02.00.06")}));
            QCOMPARE(m_desktop->messages.last().parent, &window);
        }
        const QString request = QStringLiteral("GET /~ftp-xml/product_update_1002.xml HTTP/1.1");
        QCOMPARE(m_site->requestLines, (QStringList{request, request, request}));
    }

    void startThenMenu_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QVariant>("storedBefore");
        QTest::addColumn<QStringList>("atStart");
        QTest::addColumn<QStringList>("fromMenu");
        QTest::addColumn<QVariant>("storedAfter");

        const QVariant none;
        QTest::newRow("newer, never announced") << Document("02.00.06") << none
            << QStringList{NewerText("02.00.06")} << QStringList{NewerText("02.00.06")} << QVariant("02.00.06");
        QTest::newRow("newer, announced before") << Document("02.00.06") << QVariant("02.00.06")
            << QStringList() << QStringList{NewerText("02.00.06")} << QVariant("02.00.06");
        QTest::newRow("newer than announced before") << Document("02.00.07") << QVariant("02.00.06")
            << QStringList{NewerText("02.00.07")} << QStringList{NewerText("02.00.07")} << QVariant("02.00.07");
        QTest::newRow("announced before, case differs") << Document("02.00.06b") << QVariant("02.00.06B")
            << QStringList() << QStringList{NewerText("02.00.06b")} << QVariant("02.00.06b");
        QTest::newRow("equal") << Document("02.00.05") << none
            << QStringList() << QStringList{UpToDate} << none;
        QTest::newRow("older leaves the setting") << Document("02.00.04") << QVariant("02.00.06")
            << QStringList() << QStringList{UpToDate} << QVariant("02.00.06");
        QTest::newRow("older") << Document("02.00.04") << none
            << QStringList() << QStringList{UpToDate} << none;
        QTest::newRow("no leading zero") << Document("2.1") << none
            << QStringList{NewerText("2.1")} << QStringList{NewerText("2.1")} << QVariant("2.1");
        QTest::newRow("https address") << Document("02.01.00", "https://kevrel.example/") << none
            << QStringList{NewerText("02.01.00", "https://kevrel.example/")}
            << QStringList{NewerText("02.01.00", "https://kevrel.example/")} << QVariant("02.01.00");
        QTest::newRow("without name")
            << QByteArray("<Update><Id>1002</Id><Version>02.00.06</Version><Url>http://kevrel.example/download</Url></Update>")
            << none << QStringList{NewerText("02.00.06")} << QStringList{NewerText("02.00.06")} << QVariant("02.00.06");
        QTest::newRow("text-only element before version")
            << QByteArray("<Update><Id>1002</Id><Notes>Faster</Notes><Version>02.00.06</Version></Update>")
            << none << QStringList() << QStringList{UpToDate} << none;
        QTest::newRow("empty version") << Document("") << none << QStringList() << QStringList{UpToDate} << none;
        QTest::newRow("markup in version is text") << Document("&lt;b&gt;9&lt;/b&gt;") << none
            << QStringList{NewerText("&lt;b&gt;9&lt;/b&gt;")} << QStringList{NewerText("&lt;b&gt;9&lt;/b&gt;")}
            << QVariant("<b>9</b>");
        const QString noLink = QStringLiteral("KV Quillex v02.00.06 is available on Kevrel website.");
        QTest::newRow("markup in address gives no link")
            << Document("02.00.06", "http://k.example/'&gt;&lt;b&gt;x&lt;/b&gt;") << none
            << QStringList{noLink} << QStringList{noLink} << QVariant("02.00.06");
        QTest::newRow("apostrophe in address is escaped")
            << Document("02.00.06", "http://k.example/?v='6'") << none
            << QStringList{NewerText("02.00.06", "http://k.example/?v=&#39;6&#39;")}
            << QStringList{NewerText("02.00.06", "http://k.example/?v=&#39;6&#39;")} << QVariant("02.00.06");
        QTest::newRow("script address gives no link") << Document("02.00.06", "javascript:alert(1)") << none
            << QStringList{noLink} << QStringList{noLink} << QVariant("02.00.06");
        QTest::newRow("other product") << Document("09.00.00", "http://k.example/", "1003") << none
            << QStringList() << QStringList() << none;
        QTest::newRow("not xml") << QByteArray("Welcome!") << QVariant("02.00.06")
            << QStringList() << QStringList() << QVariant("02.00.06");
    }
    void startThenMenu()
    {
        QFETCH(QByteArray, body);
        QFETCH(QVariant, storedBefore);
        QFETCH(QStringList, atStart);
        QFETCH(QStringList, fromMenu);
        QFETCH(QVariant, storedAfter);

        if (storedBefore.isValid())
            QSettings(QStringLiteral("Kevrel"), QStringLiteral("Quillex")).setValue("LastVersionDisplay", storedBefore);
        m_site->standing.body = body;

        MainWindow window(nullptr, m_site->Address());
        QSignalSpy replies(Manager(window), &QNetworkAccessManager::finished);
        QTRY_COMPARE(replies.count(), 1);
        QCOMPARE(Texts(), atStart);

        m_desktop->messages.clear();
        CheckForUpdates(window);
        QTRY_COMPARE(replies.count(), 2);
        QCOMPARE(Texts(), fromMenu);
        QCOMPARE(Stored(), storedAfter);
    }

    void otherProductKeepsNextReplyFirst()
    {
        m_site->queued << UpdateSite::Answer{200, Document("09", "http://k.example/", "1003")}
                       << UpdateSite::Answer{200, Document("09", "http://k.example/", "1003")}
                       << UpdateSite::Answer{200, Document("02.00.06")};
        QSettings(QStringLiteral("Kevrel"), QStringLiteral("Quillex")).setValue("LastVersionDisplay", "02.00.06");
        m_site->standing.body = Document("02.00.05");

        MainWindow window(nullptr, m_site->Address());
        QSignalSpy replies(Manager(window), &QNetworkAccessManager::finished);
        QTRY_COMPARE(replies.count(), 1);
        CheckForUpdates(window);
        QTRY_COMPARE(replies.count(), 2);
        QCOMPARE(Texts(), QStringList());

        // Still the first handled reply: the version announced before stays quiet.
        CheckForUpdates(window);
        QTRY_COMPARE(replies.count(), 3);
        QCOMPARE(Texts(), QStringList());

        CheckForUpdates(window);
        QTRY_COMPARE(replies.count(), 4);
        QCOMPARE(Texts(), QStringList{UpToDate});
    }

    void failedStartThenMenu_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("not found") << 404;
        QTest::newRow("server error") << 500;
        QTest::newRow("closed port") << 0;
    }
    void failedStartThenMenu()
    {
        QFETCH(int, status);
        // Announced before, so only a reply that counts as the menu's speaks.
        QSettings(QStringLiteral("Kevrel"), QStringLiteral("Quillex")).setValue("LastVersionDisplay", "02.00.06");
        m_site->standing.body = Document("02.00.06");
        const quint16 port = m_site->Address().port();
        if (status == 0)
            m_site->Close();
        else
            m_site->queued << UpdateSite::Answer{status, Document("02.00.07")};

        MainWindow window(nullptr, m_site->Address());
        QSignalSpy replies(Manager(window), &QNetworkAccessManager::finished);
        QTRY_COMPARE(replies.count(), 1);
        QCOMPARE(Texts(), QStringList());
        QCOMPARE(Stored(), QVariant("02.00.06"));

        if (status == 0)
            QVERIFY(m_site->Listen(port));
        CheckForUpdates(window);
        QTRY_COMPARE(replies.count(), 2);
        QCOMPARE(Texts(), QStringList{NewerText("02.00.06")});
    }

    void menuWhileStartPending()
    {
        QSettings(QStringLiteral("Kevrel"), QStringLiteral("Quillex")).setValue("LastVersionDisplay", "02.00.06");
        m_site->standing.body = Document("02.00.06");

        MainWindow window(nullptr, m_site->Address());
        QSignalSpy replies(Manager(window), &QNetworkAccessManager::finished);
        CheckForUpdates(window);
        QTRY_COMPARE(replies.count(), 2);
        // Whichever reply came first was the quiet start-up one.
        QCOMPARE(Texts(), QStringList{NewerText("02.00.06")});
    }
};

QTEST_MAIN(TestUpdateWindow)
#include "tst_update_window.moc"
