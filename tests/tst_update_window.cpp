#include "app/MainWindow.h"
#include "tests/testsupport/WidgetSupport.h"

#include <QAction>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

QByteArray Doc(const QByteArray& inner)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ProductUpdate>\n  " + inner + "\n</ProductUpdate>\n";
}

QByteArray Published(const QByteArray& version, const QByteArray& url = "http://k.example/get")
{
    return Doc("<Id>1002</Id><Name>KV Quillex</Name><Version>" + version + "</Version><Url>" + url + "</Url>");
}

// The message's rich text; a null href gives no link.
QString Newer(const QString& version, const QString& href = "http://k.example/get")
{
    return "KV Quillex v" + version + " is available on Kevrel website."
        + (href.isNull() ? QString() : " Please click <a href='" + href + "'>here</a> for more information.");
}

} // namespace

// What the user is told at start and after each "Check for Updates...", and
// what is kept, against the maker's site played on 127.0.0.1. We are 02.00.05.
class TestUpdateWindow : public QObject
{
    Q_OBJECT

    QTcpServer m_site;
    QByteArrayList m_bodies; // each request takes the next, the last stands; null: not found

    void Serve(QTcpSocket* socket)
    {
        const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
        socket->setProperty("request", request);
        if (!request.contains("\r\n\r\n"))
            return;
        const QByteArray body = m_bodies.size() > 1 ? m_bodies.takeFirst() : m_bodies.value(0);
        const bool found = !body.isNull() && request.startsWith("GET /~ftp-xml/product_update_1002.xml HTTP/");
        socket->write(QByteArray(found ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") + "\r\nContent-Length: "
                      + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        connect(&m_site, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* socket = m_site.nextPendingConnection();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
        });
        QVERIFY(m_site.listen(QHostAddress::LocalHost));
    }

    void replies_data()
    {
        QTest::addColumn<QByteArrayList>("bodies");
        QTest::addColumn<QString>("storedBefore");
        QTest::addColumn<QStringList>("shown"); // at start, then after each menu command
        QTest::addColumn<QString>("storedAfter");
        auto row = [](const char* name, const QByteArrayList& bodies, const QString& before, const QStringList& shown,
                      const QString& after) { QTest::newRow(name) << bodies << before << shown << after; };
        const QString six = "02.00.06", newer = Newer(six), noLink = Newer(six, QString()), none;
        const QString upToDate = QStringLiteral("  Your software is up to date.   ");
        row("newer", {Published("02.00.06")}, none, {newer, newer}, six);
        row("announced before", {Published("02.00.06")}, six, {none, newer}, six);
        row("equal", {Published("02.00.05")}, none, {none, upToDate}, none);
        row("older keeps the setting", {Published("02.00.04")}, six, {none, upToDate}, six);
        row("no leading zero", {Published("2.1")}, none, {Newer("2.1"), Newer("2.1")}, "2.1");
        row("textual against last", {Published("10.00.00")}, "9.00.00", {none, Newer("10.00.00")}, "10.00.00");
        row("case ignored", {Published("02.00.06b")}, "02.00.06B", {none, Newer("02.00.06b")}, "02.00.06b");
        // Any order, no name, elements with children entered; a text-only
        // element of another name ends the reading, as does broken XML.
        row("loose document", {Doc("<Url>http://k.example/get</Url><E><Version>02.00.06</Version><Id>1002</Id></E>")},
            none, {newer, newer}, six);
        row("reading stops", {Doc("<Id>1002</Id><N>x</N><Version>02.00.06</Version>")}, none, {none, upToDate}, none);
        row("empty version is ours", {Doc("<Id>1002</Id><Version></Version>")}, none, {none, upToDate}, none);
        row("truncated", {"<U><Id>1002</Id><Version>02.00.06</Version><Ur"}, none, {noLink, noLink}, six);
        // Both values come from an untrusted document into rich text.
        const QString markup = Newer("&lt;b&gt;9", "http://k.example/?a=1&amp;b=&#39;&lt;2&gt;&#39;");
        row("markup is text", {Published("&lt;b&gt;9", "<![CDATA[http://k.example/?a=1&b='<2>']]>")}, none,
            {markup, markup}, "<b>9");
        const QString loose = Newer(six, "http://k.example/a b|2");
        row("blank and bar in address", {Published("02.00.06", " http://k.example/a b|2 ")}, none, {loose, loose}, six);
        row("script gives no link", {Published("02.00.06", "javascript:alert(1)")}, none, {noLink, noLink}, six);
        // A failed first reply makes the next count as the menu's; one about
        // another product, or no document at all, does not.
        row("failed first", {QByteArray(), Published("02.00.06")}, six, {none, newer, newer}, six);
        row("other product first", {Doc("<Id>1003</Id><Version>09</Version>"), Published("02.00.06")}, six,
            {none, none, newer}, six);
        row("no document first", {"Not Found", Published("02.00.06")}, six, {none, none, newer}, six);
    }
    void replies()
    {
        QFETCH(QByteArrayList, bodies);
        QFETCH(QString, storedBefore);
        QFETCH(QStringList, shown);
        QFETCH(QString, storedAfter);
        IsolatedSettings isolated;
        if (!storedBefore.isEmpty())
            QSettings("Kevrel", "Quillex").setValue("LastVersionDisplay", storedBefore);
        FakeDesktop desktop;
        m_bodies = bodies;
        int replies = 0; // counted after the window has handled each
        MainWindow window(nullptr, QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_site.serverPort())));
        connect(window.findChild<QNetworkAccessManager*>(), &QNetworkAccessManager::finished, [&] { ++replies; });
        FIND_CHILD(check, QAction, window, "actionCheck_for_Updates");
        QStringList texts;
        for (int step = 0; step < shown.size(); ++step) {
            if (step > 0)
                check->trigger();
            QTRY_COMPARE(replies, step + 1);
            QStringList now;
            for (const DesktopSeam::Message& m : desktop.messages) {
                const bool framed = m.parent == &window && m.icon == QMessageBox::Information && m.title == "KV Quillex"
                    && m.textFormat == Qt::RichText && !m.styleSheet.isEmpty();
                now << (framed ? m.text : "unframed: " + m.text);
            }
            desktop.messages.clear();
            texts << now.join(" + ");
        }
        QCOMPARE(texts, shown);
        QCOMPARE(QSettings("Kevrel", "Quillex").value("LastVersionDisplay").toString(), storedAfter);
    }
};

QTEST_MAIN(TestUpdateWindow)
#include "tst_update_window.moc"
