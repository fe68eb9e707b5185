#include "MainWindow.h"
#include "ScalarTypes.h"
#include "TestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTcpServer>
#include <QtTest>

// A server that accepts the update request and never answers, so the
// request stays pending for as long as a test needs.
class SilentServer : public QTcpServer
{
public:
    SilentServer() { listen(QHostAddress::LocalHost); }
    QUrl url() const { return QUrl(QString("http://127.0.0.1:%1").arg(serverPort())); }
};

class TestMainWindow : public QObject
{
    Q_OBJECT

    IsolatedSettings settings;
    FakeDesktop desktop;
    SilentServer server;

    static QStackedWidget* stack(MainWindow& window)
    {
        return Child<QStackedWidget>(window, "stackedWidgetGeneral");
    }
    static void changeMode(MainWindow& window, SDWord mode)
    {
        QVERIFY(QMetaObject::invokeMethod(&window, "SLOT_ChangeMode", Q_ARG(SDWord, mode)));
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        RegisterScalarTypeNames();
    }

    void init()
    {
        desktop.messages.clear();
        desktop.openedUrls.clear();
    }

    void startsInCoveringMode()
    {
        MainWindow window(nullptr, server.url());
        QCOMPARE(window.windowTitle(), QStringLiteral("KV Quillex"));
        QCOMPARE(window.size(), QSize(1280, 800));
        QCOMPARE(window.minimumSize(), QSize(1280, 800));
        QCOMPARE(stack(window)->count(), 2);
        QVERIFY(qobject_cast<PAGE_COVERING_OPTION*>(stack(window)->currentWidget()));
        QVERIFY(Child<QPushButton>(window, "pushButtonCoveringMode")->isChecked());
        QVERIFY(!Child<QPushButton>(window, "pushButtonCanvasMode")->isChecked());
        QVERIFY(!Child<QLabel>(window, "logoKV")->pixmap(Qt::ReturnByValue).isNull());
    }

    void menus()
    {
        MainWindow window(nullptr, server.url());
        QStringList titles;
        for (QAction* menuAction : window.menuBar()->actions())
            titles << menuAction->text();
        QCOMPARE(titles, (QStringList{"File", "About"}));

        auto texts = [](QMenu* menu) {
            QStringList list;
            for (QAction* action : menu->actions())
                list << (action->isSeparator() ? QStringLiteral("-") : action->text());
            return list;
        };
        QCOMPARE(texts(Child<QMenu>(window, "menuFile")),
                 (QStringList{"Load configuration...", "Save configuration...", "-", "Exit"}));
        QCOMPARE(texts(Child<QMenu>(window, "menuAbout")),
                 (QStringList{"Check for Updates...", "-", "About KV Quillex..."}));
    }

    void modeButtonsSwitchPages()
    {
        MainWindow window(nullptr, server.url());
        window.show();
        auto* covering = Child<QPushButton>(window, "pushButtonCoveringMode");
        auto* canvas = Child<QPushButton>(window, "pushButtonCanvasMode");

        QTest::mouseClick(canvas, Qt::LeftButton);
        QVERIFY(qobject_cast<PAGE_CANVAS_OPTION*>(stack(window)->currentWidget()));
        QVERIFY(canvas->isChecked());
        QVERIFY(!covering->isChecked());

        // A click on the checked button keeps it checked and the page shown.
        QTest::mouseClick(canvas, Qt::LeftButton);
        QVERIFY(canvas->isChecked());
        QVERIFY(qobject_cast<PAGE_CANVAS_OPTION*>(stack(window)->currentWidget()));

        QTest::mouseClick(covering, Qt::LeftButton);
        QVERIFY(qobject_cast<PAGE_COVERING_OPTION*>(stack(window)->currentWidget()));
        QVERIFY(covering->isChecked());
    }

    void unknownModeChangesNothing_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("2") << 2;
        QTest::newRow("-1") << -1;
    }
    void unknownModeChangesNothing()
    {
        QFETCH(int, mode);
        MainWindow window(nullptr, server.url());
        changeMode(window, 1);
        QWidget* before = stack(window)->currentWidget();
        changeMode(window, mode);
        QCOMPARE(stack(window)->currentWidget(), before);
        changeMode(window, 0);
        before = stack(window)->currentWidget();
        changeMode(window, mode);
        QCOMPARE(stack(window)->currentWidget(), before);
    }

    void pageKeepsItsStateWhileHidden()
    {
        MainWindow window(nullptr, server.url());
        auto* page = qobject_cast<PAGE_COVERING_OPTION*>(stack(window)->currentWidget());
        QVERIFY(page);
        Child<QSpinBox>(*page, "spinBoxScreenW")->setValue(3);
        Child<QSpinBox>(*page, "spinBoxCoveringHorizontal2")->setValue(40);
        changeMode(window, 1);
        changeMode(window, 0);
        QCOMPARE(stack(window)->currentWidget(), page);
        QCOMPARE(Child<QSpinBox>(*page, "spinBoxScreenW")->value(), 3);
        QCOMPARE(Child<QSpinBox>(*page, "spinBoxCoveringHorizontal2")->value(), 40);
        QCOMPARE(Child<QLabel>(*page, "labelScreenCovPixelSize")->text(), QStringLiteral("5720 x 1080"));
    }

    void logoOpensHomePageWithAnyButton_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("right") << int(Qt::RightButton);
    }
    void logoOpensHomePageWithAnyButton()
    {
        QFETCH(int, button);
        MainWindow window(nullptr, server.url());
        window.show();
        QTest::mouseClick(Child<QLabel>(window, "logoKV"), Qt::MouseButton(button));
        QCOMPARE(desktop.openedUrls.size(), 1);
        QCOMPARE(desktop.openedUrls.first().scheme(), QStringLiteral("http"));
    }

    void styleSheetIsOnTheCentralWidget()
    {
        MainWindow window(nullptr, server.url());
        QVERIFY(window.styleSheet().isEmpty());
        const QString sheet = Child<QWidget>(window, "mainWidget")->styleSheet();
        QVERIFY(sheet.contains("CLASS_KV_PUSH_OUTPUT_BUTTON"));
        QVERIFY(sheet.contains("#191919"));
    }

    void exitWhileUpdateRequestIsPending()
    {
        QSignalSpy connections(&server, &QTcpServer::newConnection);
        auto* window = new MainWindow(nullptr, server.url());
        window->show();
        QVERIFY(connections.wait(5000) || connections.count() > 0);

        Child<QAction>(*window, "actionQuitter")->trigger();
        QVERIFY(!window->isVisible());
        delete window;
        QCoreApplication::processEvents();
        QVERIFY(desktop.messages.isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
