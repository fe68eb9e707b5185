#include "CoreSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QString ReadText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
}

// The style-sheet parser only complains through the message handler.
QStringList g_parseWarnings;
void CollectParseWarning(QtMsgType, const QMessageLogContext&, const QString& text)
{
    if (text.contains("parse", Qt::CaseInsensitive) || text.contains("stylesheet", Qt::CaseInsensitive))
        g_parseWarnings << text;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }

    void picturesLoadWithAlphaAtTheirSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("logo") << ":/Logo/logo-kv.png" << QSize(204, 32);
        QTest::newRow("logo white") << ":/Logo/logo-blanc.png" << QSize(150, 111);
        QTest::newRow("logo white long") << ":/Logo/logo-blanc-long.png" << QSize(180, 46);
        QTest::newRow("about") << ":/icons/icone-about.png" << QSize(137, 136);
        QTest::newRow("grid") << ":/icons/grid.png" << QSize(16, 16);
        for (const char* name : {"pos-top-left", "pos-top-center", "pos-top-right", "pos-center-left",
                                 "pos-center", "pos-center-right", "pos-bottom-left",
                                 "pos-bottom-center", "pos-bottom-right"})
            QTest::newRow(name) << QString(":/icons/Icones_Options/%1.png").arg(name) << QSize(16, 16);
        for (const char* name : {"quarter-size", "full-size-v", "full-size-h", "full-size"})
            QTest::newRow(name) << QString(":/icons/Icones_Options/%1.png").arg(name) << QSize(15, 15);
        QTest::newRow("lock open") << ":/locker/locker-open.png" << QSize(300, 300);
        QTest::newRow("lock closed") << ":/locker/locker-close.png" << QSize(300, 300);
        QTest::newRow("spin up") << ":/Icon_StyleSheet/up-arrow-12x12.png" << QSize(12, 12);
        QTest::newRow("spin down") << ":/Icon_StyleSheet/down-arrow-12x12.png" << QSize(12, 12);
        QTest::newRow("combo down") << ":/Icon_StyleSheet/down-arrow-15x15.png" << QSize(15, 15);
    }
    void picturesLoadWithAlphaAtTheirSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        QVERIFY(image.hasAlphaChannel());
    }

    void textFilesAreThere_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mustContain");
        QTest::newRow("EULA") << ":/Licenses/KV_EULA.html" << "Kevrel";
        QTest::newRow("LGPL") << ":/Licenses/lgpl.html" << "https://www.gnu.org/licenses/lgpl-3.0.html";
        // The sheets select the canvas widgets by their class names.
        for (const char* sheet : {":/style sheet/StyleSheet_MacOSX.css", ":/style sheet/StyleSheet_Windows.css"}) {
            QTest::addRow("%s button", sheet) << sheet << "CLASS_KV_PUSH_OUTPUT_BUTTON:checked";
            QTest::addRow("%s settings", sheet) << sheet << "CLASS_KV_OUTPUT_SETTINGS_WIDGET > QFrame";
        }
    }
    void textFilesAreThere()
    {
        QFETCH(QString, path);
        QFETCH(QString, mustContain);
        QVERIFY(ReadText(path).contains(mustContain));
    }

    void gridIsTheExactCheckerboard()
    {
        QImage expected(16, 16, QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                expected.setPixel(x, y, ((x < 8) != (y < 8)) ? 0xFF666666u : 0xFF999999u);
        COMPARE_IMAGES(QImage(":/icons/grid.png"), expected);
    }

    void styleSheetParsesAndFindsItsPictures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("macOS") << ":/style sheet/StyleSheet_MacOSX.css";
        QTest::newRow("Windows") << ":/style sheet/StyleSheet_Windows.css";
    }
    void styleSheetParsesAndFindsItsPictures()
    {
        QFETCH(QString, path);
        const QString sheet = ReadText(path);
        auto urls = QRegularExpression("url\\((.*?)\\)").globalMatch(sheet);
        while (urls.hasNext()) {
            const QString picture = urls.next().captured(1);
            QVERIFY2(!QImage(picture).isNull(), qPrintable(picture));
        }

        g_parseWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(&CollectParseWarning);
        QWidget root;
        root.setStyleSheet(sheet);
        auto* layout = new QVBoxLayout(&root);
        auto* group = new QGroupBox("GROUP");
        auto* groupLayout = new QVBoxLayout(group);
        groupLayout->addWidget(new QLabel("label"));
        groupLayout->addWidget(new QSpinBox);
        groupLayout->addWidget(new QCheckBox("check"));
        groupLayout->addWidget(new QComboBox);
        layout->addWidget(group);
        layout->addWidget(new QLineEdit);
        layout->addWidget(new QPushButton("push"));
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        root.grab();
        qInstallMessageHandler(previous);
        QVERIFY2(g_parseWarnings.isEmpty(), qPrintable(g_parseWarnings.join('\n')));
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
