#include "About.h"
#include "MainWindow.h"
#include "TestSupport.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

// The dialog as the program builds it, with its licence copies sent to a
// folder of the test's own instead of the shared temporary folder.
class AboutInFolder : public About
{
public:
    AboutInFolder(const QString& licences, const QString& temporary, const QPixmap& picture = QPixmap())
        : About(QStringLiteral("KV Quillex"), QStringLiteral("02.00.05"), picture, QStringLiteral("#0095ff"),
                licences, nullptr)
        , m_temporary(temporary)
    {
    }

protected:
    QString TemporaryFolder() const override { return m_temporary; }

private:
    QString m_temporary;
};

QLabel* Label(QWidget& dialog, const QString& name)
{
    QLabel* label = dialog.findChild<QLabel*>(name);
    if (!label)
        qFatal("missing label %s", qPrintable(name));
    return label;
}

bool WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Permissions apart from the flags that merely repeat the owner's for the
// current user.
QFileDevice::Permissions Permissions(const QString& path)
{
    return QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    void texts()
    {
        AboutInFolder dialog{QString(), QString()};
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(Label(dialog, "labelProductNameTitle")->text(), QStringLiteral("KV Quillex"));
        QCOMPARE(Label(dialog, "label_Version")->text(), QStringLiteral("02.00.05"));
        QCOMPARE(Label(dialog, "label_13")->text(), QStringLiteral("It is also available on request from "));
        QCOMPARE(Label(dialog, "labelOpenSourceTile")->text(), QStringLiteral("Open Source Components / Libraries"));
    }

    void links_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("html");
        QTest::addColumn<bool>("external");
        const QString style = QStringLiteral("<span style=\" text-decoration: underline; color:#0095ff;\">");
        QTest::newRow("toolkit") << "label_QT5"
            << "<a href=\"https://www.qt.io/\">" + style + "Qt5 Library</span></a>" << true;
        QTest::newRow("toolkit licence") << "label_LGPL"
            << "<a href=\"#browse_LGPL\">" + style + "(LPGL v3)</span></a>" << false;
        QTest::newRow("toolkit source") << "label_QT5Code"
            << "<a href=\"https://download.qt.io/archive/qt/5.8/\">" + style
                   + "download.qt.io/archive/qt/5.8/</span></a>" << true;
        QTest::newRow("support mail") << "label_KV_techsupport"
            << "<a href=\"mailto:techsupport@kevrel.example\">" + style + "Kevrel</span></a>" << true;
        QTest::newRow("licence agreement") << "label_EULA"
            << "<a href=\"#browse_EULA\">" + style + "View End-User License Agreement</span></a>" << false;
    }
    void links()
    {
        QFETCH(QString, label);
        QFETCH(QString, html);
        QFETCH(bool, external);
        AboutInFolder dialog{QString(), QString()};
        QCOMPARE(Label(dialog, label)->text(), html);
        QCOMPARE(Label(dialog, label)->openExternalLinks(), external);
    }

    void licenceCopiedAndReplaced_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("file");
        QTest::newRow("licence agreement") << "label_EULA" << "#browse_EULA" << "KV_EULA.html";
        QTest::newRow("toolkit licence") << "label_LGPL" << "#browse_LGPL" << "lgpl.html";
    }
    void licenceCopiedAndReplaced()
    {
        QFETCH(QString, label);
        QFETCH(QString, link);
        QFETCH(QString, file);
        FakeDesktop desktop;
        QTemporaryDir licences;
        QTemporaryDir temporary;
        const QString source = licences.filePath(file);
        const QString copy = temporary.filePath(file);
        QVERIFY(WriteFile(source, "<html>first</html>"));
        // Even a page everybody may read and write gives an owner-only copy.
        QVERIFY(QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                  | QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                  | QFileDevice::ReadOther | QFileDevice::WriteOther));

        AboutInFolder dialog(licences.path() + "/", temporary.path());
        emit Label(dialog, label)->linkActivated(link);
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(copy)});
        QCOMPARE(ReadFile(copy), QByteArray("<html>first</html>"));
        QCOMPARE(Permissions(copy), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        QVERIFY(WriteFile(source, "<html>second</html>"));
        emit Label(dialog, label)->linkActivated(link);
        QCOMPARE(desktop.openedUrls, (QList<QUrl>{QUrl::fromLocalFile(copy), QUrl::fromLocalFile(copy)}));
        QCOMPARE(ReadFile(copy), QByteArray("<html>second</html>"));
        QCOMPARE(Permissions(copy), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void readOnlyEarlierCopyReplaced()
    {
        FakeDesktop desktop;
        QTemporaryDir licences;
        QTemporaryDir temporary;
        QVERIFY(WriteFile(licences.filePath("lgpl.html"), "new"));
        QVERIFY(WriteFile(temporary.filePath("lgpl.html"), "old"));
        QVERIFY(QFile::setPermissions(temporary.filePath("lgpl.html"), QFileDevice::ReadOwner | QFileDevice::ReadOther));

        AboutInFolder dialog(licences.path() + "/", temporary.path());
        QVERIFY(QMetaObject::invokeMethod(&dialog, "onLinkActivated", Q_ARG(QString, "#browse_LGPL")));
        QCOMPARE(ReadFile(temporary.filePath("lgpl.html")), QByteArray("new"));
        QCOMPARE(Permissions(temporary.filePath("lgpl.html")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void missingPageStillOpensTarget()
    {
        FakeDesktop desktop;
        QTemporaryDir licences;
        QTemporaryDir temporary;
        AboutInFolder dialog(licences.path() + "/", temporary.path());
        emit Label(dialog, "label_EULA")->linkActivated("#browse_EULA");
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(temporary.filePath("KV_EULA.html"))});
        QVERIFY(!QFile::exists(temporary.filePath("KV_EULA.html")));
    }

    void otherLinksCopyNothing_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("other case") << "#BROWSE_EULA";
        QTest::newRow("web address") << "https://www.qt.io/";
        QTest::newRow("empty") << "";
    }
    void otherLinksCopyNothing()
    {
        QFETCH(QString, link);
        FakeDesktop desktop;
        QTemporaryDir licences;
        QTemporaryDir temporary;
        QVERIFY(WriteFile(licences.filePath("KV_EULA.html"), "page"));
        AboutInFolder dialog(licences.path() + "/", temporary.path());
        QVERIFY(QMetaObject::invokeMethod(&dialog, "onLinkActivated", Q_ARG(QString, link)));
        // The labels opening their own links never reach the dialog.
        emit Label(dialog, "label_QT5")->linkActivated("https://www.qt.io/");
        emit Label(dialog, "label_KV_techsupport")->linkActivated("mailto:techsupport@kevrel.example");
        QCOMPARE(desktop.openedUrls, QList<QUrl>());
        QCOMPARE(QDir(temporary.path()).entryList(QDir::Files), QStringList());
    }

    void pictureFollowsWidth()
    {
        const QPixmap picture = QPixmap::fromImage(NoiseImage(300, 100));
        AboutInFolder dialog(QString(), QString(), picture);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.size(), QSize(550, 400));

        dialog.resize(705, 400);
        QCOMPARE(dialog.size(), QSize(705, 400));
        QLabel* label = Label(dialog, "label");
        QCOMPARE(label->size(), QSize(150, 140));
        QCOMPARE(label->pixmap(Qt::ReturnByValue).size(), QSize(150, 50));
        COMPARE_IMAGES(label->pixmap(Qt::ReturnByValue).toImage(),
                       picture.scaled(150, 140, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage());

        dialog.resize(800, 600);
        QCOMPARE(dialog.size(), QSize(705, 400));
    }

    void missingPictureShowsNothing()
    {
        AboutInFolder dialog{QString(), QString()};
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QLabel* label = Label(dialog, "label");
        QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(label->text(), QString());
    }

    void okCloses()
    {
        AboutInFolder dialog{QString(), QString()};
        dialog.show();
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void openedFromMenu()
    {
        IsolatedSettings settings;
        FakeDesktop desktop;
        // Nobody listens there: the start-up update check fails silently.
        MainWindow window(nullptr, QUrl(QStringLiteral("http://127.0.0.1:1")));
        QPointer<QDialog> shown;
        QWidget* parent = nullptr;
        QString styleSheet, name, version, eula;
        bool isAbout = false;
        desktop.dialogHandler = [&](QDialog& dialog) {
            shown = &dialog;
            isAbout = qobject_cast<About*>(&dialog) != nullptr;
            parent = dialog.parentWidget();
            styleSheet = dialog.styleSheet();
            name = Label(dialog, "labelProductNameTitle")->text();
            version = Label(dialog, "label_Version")->text();
            eula = Label(dialog, "label_EULA")->text();
            return int(QDialog::Accepted);
        };
        window.findChild<QAction*>(QStringLiteral("actionAbout_KV_Quillex"))->trigger();
        QCOMPARE(desktop.executedDialogs, QStringList{QStringLiteral("About")});
        QCOMPARE(parent, &window);
        QCOMPARE(styleSheet, window.findChild<QWidget*>(QStringLiteral("mainWidget"))->styleSheet());
        QCOMPARE(name, QStringLiteral("KV Quillex"));
        QCOMPARE(version, QStringLiteral("02.00.05"));
        QVERIFY(eula.contains(QLatin1String("color:#0095ff;")));
        QVERIFY(isAbout);
        // Deleted as soon as its modal loop ends.
        QVERIFY(shown.isNull());
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
