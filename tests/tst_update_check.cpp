#include "UpdateCheck.h"

#include <QtTest>

Q_DECLARE_METATYPE(UpdateCheck::Notice)

// The update document reader, the version comparison and the decision what
// to tell the user, without any window or network.
class TestUpdateCheck : public QObject
{
    Q_OBJECT

    static QByteArray Doc(const QByteArray& inner)
    {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Product>" + inner + "</Product>\n";
    }

private slots:
    void readDocument_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");

        const QString own = QStringLiteral("02.00.05");
        QTest::newRow("all four")
            << Doc("<Id>1002</Id><Name>KV Quillex</Name><Version>02.00.06</Version>"
                   "<Url>http://kevrel.example/dl</Url>")
            << "1002" << "KV Quillex" << "02.00.06" << "http://kevrel.example/dl";
        QTest::newRow("indented")
            << Doc("\n  <Id>1002</Id>\n  <Version>2.1</Version>\n  <Url>https://a.example/</Url>\n")
            << "1002" << QString() << "2.1" << "https://a.example/";
        QTest::newRow("without name")
            << Doc("<Id>1002</Id><Version>02.00.06</Version><Url>http://u/</Url>")
            << "1002" << QString() << "02.00.06" << "http://u/";
        QTest::newRow("any order")
            << Doc("<Url>http://u/</Url><Version>03</Version><Name>n</Name><Id>1003</Id>")
            << "1003" << "n" << "03" << "http://u/";
        QTest::newRow("elements with children are entered")
            << Doc("<Entry><Id>1002</Id><Version>02.00.07</Version></Entry>")
            << "1002" << QString() << "02.00.07" << QString();
        QTest::newRow("text-only element stops the reading")
            << Doc("<Id>1002</Id><Notes>new release</Notes><Version>02.00.06</Version><Url>http://u/</Url>")
            << "1002" << QString() << own << QString();
        QTest::newRow("other element after the four")
            << Doc("<Id>1002</Id><Version>02.00.06</Version><Url>http://u/</Url><Notes>x</Notes>")
            << "1002" << QString() << "02.00.06" << "http://u/";
        QTest::newRow("empty version keeps our own")
            << Doc("<Id>1002</Id><Version></Version>") << "1002" << QString() << own << QString();
        QTest::newRow("names are case-sensitive")
            << Doc("<id>1002</id><version>09</version><url>http://u/</url>")
            << QString() << QString() << own << QString();
        QTest::newRow("escaped markup is text")
            << Doc("<Id>1002</Id><Version>&lt;b&gt;9&lt;/b&gt;</Version>")
            << "1002" << QString() << "<b>9</b>" << QString();
        QTest::newRow("cdata is text")
            << Doc("<Id>1002</Id><Url><![CDATA[http://u/?a=1&b='2']]></Url>")
            << "1002" << QString() << own << "http://u/?a=1&b='2'";
        QTest::newRow("truncated document keeps what was read")
            << QByteArray("<Product><Id>1002</Id><Version>02.00.07</Version><Ur")
            << "1002" << QString() << "02.00.07" << QString();
        QTest::newRow("not xml") << QByteArray("404 Not Found") << QString() << QString() << own << QString();
        QTest::newRow("empty body") << QByteArray() << QString() << QString() << own << QString();
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

    void isNewer_data()
    {
        QTest::addColumn<QString>("candidate");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<bool>("newer");
        QTest::newRow("next patch") << "02.00.06" << "02.00.05" << true;
        QTest::newRow("equal") << "02.00.05" << "02.00.05" << false;
        QTest::newRow("older") << "02.00.04" << "02.00.05" << false;
        QTest::newRow("no leading zero") << "2.1" << "02.00.05" << true;
        QTest::newRow("textual, not numeric") << "10.00.00" << "9.00.00" << false;
        QTest::newRow("longer sorts after its prefix") << "02.00.05a" << "02.00.05" << true;
        QTest::newRow("case ignored") << "02.00.05B" << "02.00.05b" << false;
        QTest::newRow("nothing announced yet") << "02.00.06" << "" << true;
    }
    void isNewer()
    {
        QFETCH(QString, candidate);
        QFETCH(QString, reference);
        QFETCH(bool, newer);
        QCOMPARE(UpdateCheck::IsNewer(candidate, reference), newer);
    }

    void decide_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("lastAnnounced");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<bool>("handled");
        QTest::addColumn<UpdateCheck::Notice>("notice");
        QTest::addColumn<bool>("store");

        using N = UpdateCheck::Notice;
        QTest::newRow("first, newer, never announced") << "1002" << "02.00.06" << "" << false << true << N::NewerVersion << true;
        QTest::newRow("first, newer, already announced") << "1002" << "02.00.06" << "02.00.06" << false << true << N::None << true;
        QTest::newRow("first, newer than announced") << "1002" << "02.00.07" << "02.00.06" << false << true << N::NewerVersion << true;
        QTest::newRow("later, newer, already announced") << "1002" << "02.00.06" << "02.00.06" << true << true << N::NewerVersion << true;
        QTest::newRow("first, equal") << "1002" << "02.00.05" << "" << false << true << N::None << false;
        QTest::newRow("later, equal") << "1002" << "02.00.05" << "" << true << true << N::UpToDate << false;
        QTest::newRow("later, older") << "1002" << "02.00.04" << "02.00.06" << true << true << N::UpToDate << false;
        QTest::newRow("wrong id") << "1003" << "09" << "" << true << false << N::None << false;
        QTest::newRow("no id") << QString() << "09" << "" << true << false << N::None << false;
        QTest::newRow("id with blanks") << " 1002" << "09" << "" << true << false << N::None << false;
    }
    void decide()
    {
        QFETCH(QString, id);
        QFETCH(QString, version);
        QFETCH(QString, lastAnnounced);
        QFETCH(bool, answered);
        QFETCH(bool, handled);
        QFETCH(UpdateCheck::Notice, notice);
        QFETCH(bool, store);

        UpdateCheck::Document document;
        document.id = id;
        document.version = version;
        const UpdateCheck::Decision decision = UpdateCheck::Decide(document, lastAnnounced, answered);
        QCOMPARE(decision.handled, handled);
        QCOMPARE(decision.notice, notice);
        QCOMPARE(decision.storeVersion, store);
    }

    void newerVersionText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "02.00.06" << "http://kevrel.example/dl"
            << "KV Quillex v02.00.06 is available on Kevrel website. Please click "
               "<a href='http://kevrel.example/dl'>here</a> for more information.";
        QTest::newRow("https") << "2.1" << "https://kevrel.example/"
            << "KV Quillex v2.1 is available on Kevrel website. Please click "
               "<a href='https://kevrel.example/'>here</a> for more information.";
        QTest::newRow("markup in version") << "<b>9</b>" << "http://k.example/"
            << "KV Quillex v&lt;b&gt;9&lt;/b&gt; is available on Kevrel website. Please click "
               "<a href='http://k.example/'>here</a> for more information.";
        QTest::newRow("apostrophe in address") << "3" << "http://k.example/?a='x'&b=1"
            << "KV Quillex v3 is available on Kevrel website. Please click "
               "<a href='http://k.example/?a=&#39;x&#39;&amp;b=1'>here</a> for more information.";
        QTest::newRow("markup in address") << "3" << "http://k.example/\"><b>x</b>"
            << "KV Quillex v3 is available on Kevrel website.";
        QTest::newRow("script address") << "3" << "javascript:alert(1)"
            << "KV Quillex v3 is available on Kevrel website.";
        QTest::newRow("file address") << "3" << "file:///etc/passwd"
            << "KV Quillex v3 is available on Kevrel website.";
        QTest::newRow("no scheme") << "3" << "kevrel.example/dl"
            << "KV Quillex v3 is available on Kevrel website.";
        QTest::newRow("no address") << "3" << ""
            << "KV Quillex v3 is available on Kevrel website.";
    }
    void newerVersionText()
    {
        QFETCH(QString, version);
        QFETCH(QString, url);
        QFETCH(QString, text);
        QCOMPARE(UpdateCheck::NewerVersionText(version, url), text);
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_update_check.moc"
