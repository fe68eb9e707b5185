#include "ScalarTypes.h"

#include <QMetaType>
#include <QtTest>

class TestScalarTypes : public QObject
{
    Q_OBJECT
private slots:
    void namesAreRegistered_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("expectedType");
        QTest::newRow("Bool") << QByteArray("Bool") << 1 << int(QMetaType::Bool);
        QTest::newRow("Byte") << QByteArray("Byte") << 1 << int(QMetaType::UChar);
        QTest::newRow("Word") << QByteArray("Word") << 2 << int(QMetaType::UShort);
        QTest::newRow("DWord") << QByteArray("DWord") << 4 << int(QMetaType::UInt);
        QTest::newRow("QWord") << QByteArray("QWord") << 8 << int(QMetaType::ULongLong);
        QTest::newRow("SByte") << QByteArray("SByte") << 1 << int(QMetaType::SChar);
        QTest::newRow("SWord") << QByteArray("SWord") << 2 << int(QMetaType::Short);
        QTest::newRow("SDWord") << QByteArray("SDWord") << 4 << int(QMetaType::Int);
    }
    void namesAreRegistered()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, size);
        QFETCH(int, expectedType);
        RegisterScalarTypeNames();
        const int id = QMetaType::type(name);
        QCOMPARE(id, expectedType);
        QCOMPARE(QMetaType::sizeOf(id), size);
    }
};

QTEST_MAIN(TestScalarTypes)
#include "tst_scalartypes.moc"
