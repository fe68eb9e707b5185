#include "About.h"
#include "MainWindow.h"
#include "WidgetSupport.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
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

void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
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
        QCOMPARE(Child<QLabel>(dialog, qPrintable(label))->text(), html);
        QCOMPARE(Child<QLabel>(dialog, qPrintable(label))->openExternalLinks(), external);
    }

    void licenceCopiedAndReplaced_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("file");
        QTest::newRow("licence agreement") << "label_EULA" << "KV_EULA.html";
        QTest::newRow("toolkit licence") << "label_LGPL" << "lgpl.html";
    }
    void licenceCopiedAndReplaced()
    {
        QFETCH(QString, label);
        QFETCH(QString, file);
        FakeDesktop desktop;
        QTemporaryDir licences, temporary;
        const QString source = licences.filePath(file);
        const QString copy = temporary.filePath(file);
        WriteFile(source, "<html>first</html>");
        // Even a page everybody may read and write gives an owner-only copy.
        QVERIFY(QFile::setPermissions(source, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                  | QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                  | QFileDevice::ReadOther | QFileDevice::WriteOther));
        AboutInFolder dialog(licences.path() + "/", temporary.path());
        QLabel* link = Child<QLabel>(dialog, qPrintable(label));
        emit link->linkActivated(link->text().section('"', 1, 1));
        QCOMPARE(desktop.openedUrls, QList<QUrl>{QUrl::fromLocalFile(copy)});
        QCOMPARE(ReadFile(copy), QByteArray("<html>first</html>"));
        QCOMPARE(Permissions(copy), QFileDevice::ReadOwner | QFileDevice::WriteOwner);

        // A read-only earlier copy does not stop the replacement either.
        QVERIFY(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ReadOther));
        WriteFile(source, "<html>second</html>");
        emit link->linkActivated(link->text().section('"', 1, 1));
        QCOMPARE(desktop.openedUrls, (QList<QUrl>{QUrl::fromLocalFile(copy), QUrl::fromLocalFile(copy)}));
        QCOMPARE(ReadFile(copy), QByteArray("<html>second</html>"));
        QCOMPARE(Permissions(copy), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void pictureFollowsWidth()
    {
        const QPixmap picture = QPixmap::fromImage(NoiseImage(300, 100));
        AboutInFolder dialog(QString(), QString(), picture);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.resize(705, 400);
        const QPixmap shown = Child<QLabel>(dialog, "label")->pixmap(Qt::ReturnByValue);
        QCOMPARE(shown.size(), QSize(150, 50));
        COMPARE_IMAGES(shown.toImage(), picture.scaled(150, 50, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage());
    }

    // At its opening width, with the application style sheet, every text
    // shows whole: one line wide enough, or wrapped lines high enough.
    void noTextClippedAtOpeningWidth()
    {
        IsolatedSettings settings;
        FakeDesktop desktop;
        MainWindow window(nullptr, QUrl(QStringLiteral("http://127.0.0.1:1")));
        QStringList clipped;
        desktop.dialogHandler = [&](QDialog& dialog) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog) || dialog.width() != 550)
                clipped << "dialog not shown at 550";
            for (QLabel* label : dialog.findChildren<QLabel*>()) {
                const bool fits = label->wordWrap() ? label->height() >= label->heightForWidth(label->width())
                                                    : label->width() >= label->sizeHint().width();
                if (!fits)
                    clipped << label->objectName();
            }
            return int(QDialog::Accepted);
        };
        Child<QAction>(window, "actionAbout_KV_Quillex")->trigger();
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(", ")));
    }

    void openedFromMenu()
    {
        IsolatedSettings settings;
        FakeDesktop desktop;
        // Nobody listens there: the start-up update check fails silently.
        MainWindow window(nullptr, QUrl(QStringLiteral("http://127.0.0.1:1")));
        QString version;
        desktop.dialogHandler = [&](QDialog& dialog) {
            if (qobject_cast<About*>(&dialog) && dialog.parentWidget() == &window)
                version = Child<QLabel>(dialog, "label_Version")->text();
            return int(QDialog::Accepted);
        };
        Child<QAction>(window, "actionAbout_KV_Quillex")->trigger();
        QCOMPARE(desktop.executedDialogs, QStringList{QStringLiteral("About")});
        QCOMPARE(version, QStringLiteral("02.00.05"));
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
