#include "UpdateCheck.h"

#include <QtTest>

// The update document reader and the version comparison, without any window
// or network; what the user is told is pinned against a local site in
// tst_update_window.
class TestUpdateCheck : public QObject
{
    Q_OBJECT

    static QByteArray Doc(const QByteArray& inner) { return "<?xml version=\"1.0\"?>\n<Product>" + inner + "</Product>\n"; }

private slots:
    void readDocument_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");

        const QString own = QStringLiteral("02.00.05");
        QTest::newRow("all four, any order")
            << Doc("\n  <Url>http://u/</Url>\n  <Version>03</Version><Name>n</Name><Id>1002</Id>")
            << "1002" << "n" << "03" << "http://u/";
        QTest::newRow("elements with children are entered")
            << Doc("<Entry><Id>1002</Id><Version>02.00.07</Version></Entry>")
            << "1002" << QString() << "02.00.07" << QString();
        QTest::newRow("text-only element stops the reading")
            << Doc("<Id>1002</Id><Notes>new release</Notes><Version>02.00.06</Version><Url>http://u/</Url>")
            << "1002" << QString() << own << QString();
        QTest::newRow("empty version keeps our own")
            << Doc("<Id>1002</Id><Version></Version>") << "1002" << QString() << own << QString();
        QTest::newRow("escaped markup and cdata are text")
            << Doc("<Id>1002</Id><Version>&lt;b&gt;9</Version><Url><![CDATA[http://u/?a=1&b='2']]></Url>")
            << "1002" << QString() << "<b>9" << "http://u/?a=1&b='2'";
        QTest::newRow("truncated document keeps what was read")
            << QByteArray("<Product><Id>1002</Id><Version>02.00.07</Version><Ur")
            << "1002" << QString() << "02.00.07" << QString();
        QTest::newRow("not xml") << QByteArray("404 Not Found") << QString() << QString() << own << QString();
    }
    void readDocument()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(QString, version);
        QFETCH(QString, url);
        const UpdateCheck::Document document = UpdateCheck::ReadDocument(body);
        QCOMPARE(document.id, id);
        QCOMPARE(document.id.isNull(), id.isNull());
        QCOMPARE(document.name, name);
        QCOMPARE(document.version, version);
        QCOMPARE(document.url, url);
    }

    // The link is built from an untrusted document: both values are escaped,
    // and only an http or https address becomes a link, however loosely written.
    void newerVersionText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("href");
        QTest::newRow("blank in path") << "02.00.06" << "http://k.example/new release/" << "http://k.example/new release/";
        QTest::newRow("bar in path") << "02.00.06" << " https://k.example/a|b " << "https://k.example/a|b";
        QTest::newRow("apostrophe") << "02.00.06" << "http://k.example/?v='6'" << "http://k.example/?v=&#39;6&#39;";
        QTest::newRow("markup") << "<b>9" << "http://k.example/'><b>x" << "http://k.example/&#39;&gt;&lt;b&gt;x";
        QTest::newRow("script") << "02.00.06" << "javascript:alert(1)" << QString();
        QTest::newRow("no host") << "02.00.06" << "http:///download" << QString();
    }
    void newerVersionText()
    {
        QFETCH(QString, version);
        QFETCH(QString, url);
        QFETCH(QString, href);
        const QString link = href.isNull() ? QString() : " Please click <a href='" + href + "'>here</a> for more information.";
        QCOMPARE(UpdateCheck::NewerVersionText(version, url),
                 "KV Quillex v" + version.toHtmlEscaped() + " is available on Kevrel website." + link);
    }

    // Published versions are compared as text, not as numbers.
    void isNewer_data()
    {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<bool>("newer");
        QTest::newRow("textual, not numeric") << "10.00.00" << "9.00.00" << false;
        QTest::newRow("longer sorts after its prefix") << "02.00.05a" << "02.00.05" << true;
        QTest::newRow("case ignored") << "02.00.05B" << "02.00.05b" << false;
    }
    void isNewer()
    {
        QFETCH(QString, candidate);
        QFETCH(QString, reference);
        QFETCH(bool, newer);
        QCOMPARE(UpdateCheck::IsNewer(candidate, reference), newer);
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_update_check.moc"
