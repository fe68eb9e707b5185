#include "MainWindow.h"
#include "WidgetSupport.h"

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
        int status;
        QByteArray body;
    };

    UpdateSite()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &UpdateSite::Accept);
        m_server.listen(QHostAddress::LocalHost);
    }
    QUrl Address() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }

    Answer standing{200, QByteArray()};
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
        const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        requestLines << QString::fromLatin1(request.left(request.indexOf("\r\n")));
        const Answer answer = queued.isEmpty() ? standing : queued.dequeue();
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + " Whatever\r\n"
                      "Content-Type: text/xml\r\nContent-Length: " + QByteArray::number(answer.body.size())
                      + "\r\nConnection: close\r\n\r\n" + answer.body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
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

QSettings Settings() { return QSettings(QStringLiteral("Kevrel"), QStringLiteral("Quillex")); }

} // namespace

// The update check of the main window against a local web site: what the
// user is told at start and from "Check for Updates...", and what is kept.
class TestUpdateWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<IsolatedSettings> m_settings;
    std::unique_ptr<FakeDesktop> m_desktop;
    std::unique_ptr<UpdateSite> m_site;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QSignalSpy> m_replies;

    // Builds the window, which asks at once, and waits for that reply.
    void Start()
    {
        m_window.reset(new MainWindow(nullptr, m_site->Address()));
        m_replies.reset(new QSignalSpy(m_window->findChild<QNetworkAccessManager*>(), &QNetworkAccessManager::finished));
        QTRY_COMPARE(m_replies->count(), 1);
    }
    void CheckForUpdates()
    {
        const int before = m_replies->count();
        Child<QAction>(*m_window, "actionCheck_for_Updates")->trigger();
        QTRY_COMPARE(m_replies->count(), before + 1);
    }
    // The texts shown since the last call.
    QStringList Texts()
    {
        QStringList texts;
        for (const DesktopSeam::Message& message : m_desktop->messages)
            texts << message.text;
        m_desktop->messages.clear();
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
        m_replies.reset();
        m_window.reset();
        m_site.reset();
        m_desktop.reset();
        m_settings.reset();
    }

    void newerVersionAnnouncedOnceAtStart()
    {
        m_site->standing.body = Document("02.00.06");
        Start();
        QCOMPARE(m_desktop->messages.size(), 1);
        const DesktopSeam::Message message = m_desktop->messages.first();
        QCOMPARE(message.parent, m_window.get());
        QCOMPARE(message.title, QStringLiteral("KV Quillex"));
        QCOMPARE(message.textFormat, Qt::RichText);
        QCOMPARE(Texts(), QStringList{NewerText("02.00.06")});
        QCOMPARE(Settings().value("LastVersionDisplay"), QVariant("02.00.06"));

        Start(); // the second start stays quiet, the menu still speaks
        QCOMPARE(Texts(), QStringList());
        CheckForUpdates();
        QCOMPARE(Texts(), QStringList{NewerText("02.00.06")});
        const QString request = QStringLiteral("GET /~ftp-xml/product_update_1002.xml HTTP/1.1");
        QCOMPARE(m_site->requestLines, (QStringList{request, request, request}));
    }

    // Our own version is 02.00.05.
    void startThenMenu_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QVariant>("storedBefore");
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("storedAfter");

        const QVariant none;
        const QString noLink = QStringLiteral("KV Quillex v02.00.06 is available on Kevrel website.");
        QTest::newRow("equal") << Document("02.00.05") << none << false << UpToDate << none;
        QTest::newRow("older leaves the setting") << Document("02.00.04") << QVariant("02.00.06")
                                                  << false << UpToDate << QVariant("02.00.06");
        QTest::newRow("no leading zero") << Document("2.1") << none << true << NewerText("2.1") << QVariant("2.1");
        QTest::newRow("without name")
            << QByteArray("<U><Id>1002</Id><Version>02.00.06</Version><Url>http://kevrel.example/download</Url></U>")
            << none << true << NewerText("02.00.06") << QVariant("02.00.06");
        QTest::newRow("text-only element before version")
            << QByteArray("<U><Id>1002</Id><Notes>Faster</Notes><Version>02.00.06</Version></U>")
            << none << false << UpToDate << none;
        QTest::newRow("markup in version is text") << Document("&lt;b&gt;9&lt;/b&gt;") << none
            << true << NewerText("&lt;b&gt;9&lt;/b&gt;") << QVariant("<b>9</b>");
        QTest::newRow("markup in address is escaped")
            << Document("02.00.06", "http://k.example/'&gt;&lt;b&gt;x&lt;/b&gt;") << none << true
            << NewerText("02.00.06", "http://k.example/&#39;&gt;&lt;b&gt;x&lt;/b&gt;") << QVariant("02.00.06");
        QTest::newRow("apostrophe in address is escaped") << Document("02.00.06", "http://k.example/?v='6'")
            << none << true << NewerText("02.00.06", "http://k.example/?v=&#39;6&#39;") << QVariant("02.00.06");
        QTest::newRow("script address gives no link") << Document("02.00.06", "javascript:alert(1)") << none
            << true << noLink << QVariant("02.00.06");
    }
    void startThenMenu()
    {
        QFETCH(QByteArray, body);
        QFETCH(QVariant, storedBefore);
        QFETCH(bool, atStart);
        QFETCH(QString, text);
        QFETCH(QVariant, storedAfter);
        if (storedBefore.isValid())
            Settings().setValue("LastVersionDisplay", storedBefore);
        m_site->standing.body = body;

        Start();
        QCOMPARE(Texts(), atStart ? QStringList{text} : QStringList());
        CheckForUpdates();
        QCOMPARE(Texts(), QStringList{text});
        QCOMPARE(Settings().value("LastVersionDisplay"), storedAfter);
    }

    void otherProductKeepsNextReplyFirst()
    {
        Settings().setValue("LastVersionDisplay", "02.00.06");
        m_site->queued << UpdateSite::Answer{200, Document("09", "http://k.example/", "1003")};
        m_site->standing.body = Document("02.00.06");
        Start();
        QCOMPARE(Texts(), QStringList());
        // Still the first handled reply, so the version announced before stays quiet.
        CheckForUpdates();
        QCOMPARE(Texts(), QStringList());
        CheckForUpdates();
        QCOMPARE(Texts(), QStringList{NewerText("02.00.06")});
    }

    void failedStartThenMenu()
    {
        // Announced before, so only a reply that counts as the menu's speaks.
        Settings().setValue("LastVersionDisplay", "02.00.06");
        m_site->queued << UpdateSite::Answer{404, Document("02.00.07")};
        m_site->standing.body = Document("02.00.06");
        Start();
        QCOMPARE(Texts(), QStringList());
        CheckForUpdates();
        QCOMPARE(Texts(), QStringList{NewerText("02.00.06")});
    }
};

QTEST_MAIN(TestUpdateWindow)
#include "tst_update_window.moc"
