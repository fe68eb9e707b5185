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
