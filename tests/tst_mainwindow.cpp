#include "MainWindow.h"
#include "ScalarTypes.h"
#include "WidgetSupport.h"

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

    static QStackedWidget* stack(MainWindow& window) { return Child<QStackedWidget>(window, "stackedWidgetGeneral"); }
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
        QCOMPARE(stack(window)->count(), 2);
        QVERIFY(qobject_cast<PAGE_COVERING_OPTION*>(stack(window)->currentWidget()));
        QVERIFY(Child<QPushButton>(window, "pushButtonCoveringMode")->isChecked());
        QVERIFY(!Child<QPushButton>(window, "pushButtonCanvasMode")->isChecked());
        QVERIFY(!Child<QLabel>(window, "logoKV")->pixmap(Qt::ReturnByValue).isNull());
        // The style sheet goes on the central widget, not on the window.
        QVERIFY(window.styleSheet().isEmpty());
        QVERIFY(Child<QWidget>(window, "mainWidget")->styleSheet().contains("CLASS_KV_PUSH_OUTPUT_BUTTON"));
    }

    // Other windows and tools switch the mode through the slot, queued too.
    void modeSlotIsPublic()
    {
        const QMetaObject& meta = MainWindow::staticMetaObject;
        QCOMPARE(meta.method(meta.indexOfSlot("SLOT_ChangeMode(SDWord)")).access(), QMetaMethod::Public);
    }

    void menus()
    {
        MainWindow window(nullptr, server.url());
        auto texts = [](const QList<QAction*>& actions) {
            QStringList list;
            for (QAction* action : actions)
                list << (action->isSeparator() ? QStringLiteral("-") : action->text());
            return list;
        };
        QCOMPARE(texts(window.menuBar()->actions()), (QStringList{"File", "About"}));
        QCOMPARE(texts(Child<QMenu>(window, "menuFile")->actions()),
                 (QStringList{"Load configuration...", "Save configuration...", "-", "Exit"}));
        QCOMPARE(texts(Child<QMenu>(window, "menuAbout")->actions()),
                 (QStringList{"Check for Updates...", "-", "About KV Quillex..."}));
    }

    void modeSwitchingKeepsThePageState()
    {
        MainWindow window(nullptr, server.url());
        window.show();
        auto* covering = Child<QPushButton>(window, "pushButtonCoveringMode");
        auto* canvas = Child<QPushButton>(window, "pushButtonCanvasMode");
        auto* page = qobject_cast<PAGE_COVERING_OPTION*>(stack(window)->currentWidget());
        QVERIFY(page);
        Child<QSpinBox>(*page, "spinBoxScreenW")->setValue(3);
        Child<QSpinBox>(*page, "spinBoxCoveringHorizontal2")->setValue(40);
        // A click on the checked button keeps it checked and the page shown;
        // unknown ids change nothing.
        for (int click = 0; click < 2; ++click)
            QTest::mouseClick(canvas, Qt::LeftButton);
        for (SDWord id : {2, -1})
            changeMode(window, id);
        QVERIFY(qobject_cast<PAGE_CANVAS_OPTION*>(stack(window)->currentWidget()));
        QVERIFY(canvas->isChecked() && !covering->isChecked());

        QTest::mouseClick(covering, Qt::LeftButton);
        for (SDWord id : {2, -1})
            changeMode(window, id);
        QCOMPARE(stack(window)->currentWidget(), page);
        QVERIFY(covering->isChecked() && !canvas->isChecked());
        QCOMPARE(Child<QLabel>(*page, "labelScreenCovPixelSize")->text(), QStringLiteral("5720 x 1080"));
    }

    void logoOpensHomePageWithAnyButton()
    {
        MainWindow window(nullptr, server.url());
        window.show();
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton})
            QTest::mouseClick(Child<QLabel>(window, "logoKV"), button);
        QCOMPARE(desktop.openedUrls.size(), 2);
        QCOMPARE(desktop.openedUrls.first().scheme(), QStringLiteral("http"));
        QCOMPARE(desktop.openedUrls.last(), desktop.openedUrls.first());
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
