#include "app/MainWindow.h"
#include "core/setup/SetupFile.h"
#include "tests/testsupport/WidgetSupport.h"

#include <QAction>
#include <QGraphicsView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTcpServer>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <utility>

// The main window and its About dialog; licence copies go to a folder of the test's own.
class TestMainWindow : public QObject
{
    Q_OBJECT

    IsolatedSettings m_settings;
    FakeDesktop m_desktop;
    QTemporaryDir m_temporary;
    QTcpServer m_silentSite; // takes the update request and never answers

    QUrl Site() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_silentSite.serverPort())); }
    // What a user sees of a window: its title, the pictures' and covered sizes, and the
    // messages shown since the last look.
    QStringList Seen(MainWindow& window)
    {
        QStringList seen{window.windowTitle()};
        for (const char* name : {"labelImageSize", "labelScreenCovPixelSize", "labelImageSizeSource"})
            seen << window.findChild<QLabel*>(name)->text();
        for (const DesktopSeam::Message& message : std::exchange(m_desktop.messages, {}))
            seen << message.title + ": " + message.text + " " + message.detail;
        return seen;
    }
    // Runs the About command; `look` sees the live dialog, shown.
    void OpenAbout(const std::function<void(QDialog&)>& look)
    {
        MainWindow window(nullptr, Site());
        m_desktop.dialogHandler = [&](QDialog& dialog) {
            dialog.show();
            look(dialog);
            return int(QDialog::Accepted);
        };
        FIND_CHILD(about, QAction, window, "actionAbout_KV_Quillex");
        about->trigger();
        QCOMPARE(std::exchange(m_desktop.executedDialogs, {}), QStringList{"About"});
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(resources);
        RegisterScalarTypeNames();
        qputenv("TMPDIR", QFile::encodeName(m_temporary.path()));
        QVERIFY(m_silentSite.listen(QHostAddress::LocalHost));
    }
    // Nothing here shows a message, not even an update request abandoned on exit.
    void cleanup()
    {
        QCoreApplication::processEvents();
        QVERIFY(m_desktop.messages.isEmpty());
        m_desktop.openedUrls.clear();
    }

    // Every picture loaded at run time, and each one the style sheet names.
    void resourceLoads_data()
    {
        QTest::addColumn<QString>("path");
        QStringList paths{":/Logo/logo-kv.png", ":/icons/icone-about.png", ":/icons/grid.png",
                          ":/locker/locker-open.png", ":/locker/locker-close.png"};
        for (const char* name : {"pos-top-left", "pos-top-center", "pos-top-right", "pos-center-left", "pos-center",
                                 "pos-center-right", "pos-bottom-left", "pos-bottom-center", "pos-bottom-right",
                                 "quarter-size", "full-size-v", "full-size-h", "full-size"})
            paths << QStringLiteral(":/icons/Icones_Options/%1.png").arg(name);
        QFile sheet(QStringLiteral(":/style sheet/StyleSheet_MacOSX.css"));
        QVERIFY(sheet.open(QIODevice::ReadOnly));
        for (auto urls = QRegularExpression("url\\((.*?)\\)").globalMatch(sheet.readAll()); urls.hasNext();)
            paths << urls.next().captured(1);
        for (const QString& path : paths)
            QTest::newRow(qPrintable(path)) << path;
    }
    void resourceLoads()
    {
        QFETCH(QString, path);
        const QImage picture(path);
        QVERIFY(!picture.isNull());
        // Pictures have a twin twice as large for dense screens; the large lockers serve any density.
        if (picture.width() < 256)
            QCOMPARE(QImage(QString(path).replace(".png", "@2x.png")).size(), picture.size() * 2);
    }

    // Starts styled in covering mode (the checked button in the sheet's orange); buttons
    // and the public slot, queued too, switch the pages, which keep their state; the logo
    // opens the home page on any button; Exit closes while the update request is pending.
    void modesLogoAndExit()
    {
        MainWindow window(nullptr, Site());
        window.show();
        FIND_CHILD(stack, QStackedWidget, window, "stackedWidgetGeneral");
        FIND_CHILD(covering, QPushButton, window, "pushButtonCoveringMode");
        FIND_CHILD(canvas, QPushButton, window, "pushButtonCanvasMode");
        FIND_CHILD(logo, QLabel, window, "logoKV");
        const QImage shot = window.grab().toImage();
        QCOMPARE(shot.pixelColor(covering->mapTo(&window, QPoint(2, 2))), QColor(0xDB, 0x70, 0x00));
        QCOMPARE(shot.pixelColor(canvas->mapTo(&window, QPoint(2, 2))), QColor(0x6C, 0x6C, 0x6C));
        QVERIFY(!logo->pixmap(Qt::ReturnByValue).isNull());

        QWidget* page = stack->currentWidget();
        QVERIFY(qobject_cast<PAGE_COVERING_OPTION*>(page));
        FIND_CHILD(width, QSpinBox, *page, "spinBoxScreenW");
        width->setValue(3);
        // A click on the checked button keeps it checked; unknown ids change nothing.
        QTest::mouseClick(canvas, Qt::LeftButton);
        QTest::mouseClick(canvas, Qt::LeftButton);
        window.SLOT_ChangeMode(2);
        window.SLOT_ChangeMode(-1);
        QVERIFY(qobject_cast<PAGE_CANVAS_OPTION*>(stack->currentWidget()));
        QVERIFY(canvas->isChecked() && !covering->isChecked());
        QVERIFY(QMetaObject::invokeMethod(&window, "SLOT_ChangeMode", Qt::QueuedConnection, Q_ARG(SDWord, 0)));
        QCoreApplication::processEvents();
        QCOMPARE(stack->currentWidget(), page);
        FIND_CHILD(size, QLabel, *page, "labelScreenCovPixelSize");
        QCOMPARE(size->text(), QStringLiteral("5760 x 1080"));

        QTest::mouseClick(logo, Qt::LeftButton);
        QTest::mouseClick(logo, Qt::RightButton);
        QCOMPARE(m_desktop.openedUrls, (QList<QUrl>{MainWindow::HomePage(), MainWindow::HomePage()}));
        FIND_CHILD(exit, QAction, window, "actionQuitter");
        exit->trigger();
        QVERIFY(!window.isVisible());
    }

    // At its opening width every text of the About dialog shows whole (one line wide
    // enough, or wrapped lines high enough); the picture fits its label at any width.
    void aboutShownWhole()
    {
        QStringList seen;
        QImage picture;
        OpenAbout([&](QDialog& dialog) {
            seen << QString::number(QTest::qWaitForWindowExposed(&dialog) ? dialog.width() : 0)
                 << dialog.grab().toImage().pixelColor(1, 1).name(); // the window's dark look
            for (QLabel* label : dialog.findChildren<QLabel*>()) {
                if (label->wordWrap() ? label->height() < label->heightForWidth(label->width())
                                      : label->width() < label->sizeHint().width())
                    seen << label->objectName() + " clipped";
                if (label->text().startsWith("<a") || label->objectName() == "label_Version")
                    seen << label->objectName() + (label->openExternalLinks() ? " opens " : " ") + label->text();
            }
            dialog.resize(705, 400);
            FIND_CHILD(pictureLabel, QLabel, dialog, "label");
            picture = pictureLabel->pixmap(Qt::ReturnByValue).toImage();
        });
        const QString link("<a href=\"%1\"><span style=\" text-decoration: underline; color:#0095ff;\">%2</span></a>");
        QCOMPARE(
            seen,
            (QStringList{"550", "#191919", "label_Version 02.00.05",
                         "label_QT5 opens " + link.arg("https://www.qt.io/", "Qt5 Library"),
                         "label_LGPL " + link.arg("#browse_LGPL", "(LPGL v3)"),
                         "label_QT5Code opens "
                             + link.arg("https://download.qt.io/archive/qt/5.8/", "download.qt.io/archive/qt/5.8/"),
                         "label_KV_techsupport opens " + link.arg("mailto:techsupport@kevrel.example", "Kevrel"),
                         "label_EULA " + link.arg("#browse_EULA", "View End-User License Agreement")}));
        const QPixmap expected(QStringLiteral(":/icons/icone-about.png"));
        COMPARE_IMAGES(picture, expected.scaled(150, 140, Qt::KeepAspectRatio, Qt::SmoothTransformation).toImage());
    }

    // Each use copies the page afresh, even over a read-only earlier copy,
    // readable by its owner only, and opens the copy.
    void aboutLicenceCopiedAndReplaced_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("file");
        QTest::newRow("licence agreement") << "label_EULA"
                                           << "KV_EULA.html";
        QTest::newRow("toolkit licence") << "label_LGPL"
                                         << "lgpl.html";
    }
    void aboutLicenceCopiedAndReplaced()
    {
        QFETCH(QString, label);
        QFETCH(QString, file);
        const QString copy = m_temporary.filePath(file);
        OpenAbout([&](QDialog& dialog) {
            QLabel* link = dialog.findChild<QLabel*>(label);
            QVERIFY(link);
            emit link->linkActivated(link->text().section('"', 1, 1));
            QFile stale(copy);
            QVERIFY(stale.open(QIODevice::WriteOnly) && stale.write("stale") && stale.flush());
            QVERIFY(stale.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther));
            emit link->linkActivated(link->text().section('"', 1, 1));
        });
        QCOMPARE(m_desktop.openedUrls, (QList<QUrl>{QUrl::fromLocalFile(copy), QUrl::fromLocalFile(copy)}));
        QFile page(":/Licenses/" + file), copied(copy);
        QVERIFY(page.open(QIODevice::ReadOnly) && page.size() > 0 && copied.open(QIODevice::ReadOnly));
        QCOMPARE(copied.readAll(), page.readAll());
        QCOMPARE(copied.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    // Each key runs its command on the page on show as its button or menu entry would,
    // and nothing while that button is disabled. Rows: page, stage, keys > dialogs
    // asked|page on show|window|covering refresh. Stage 1: a picture on both pages (a
    // covering refresh pending); 2: the covering refreshed, an output on the canvas.
    void shortcutsFollowTheirButtons_data()
    {
        QTest::addColumn<QString>("row");
        const QString folder = "Select the folder where images will be saved";
        for (const QString& row : QStringList{
                 "0 0 Ctrl+O > Open configuration|0|open|", "1 0 Ctrl+S > Save configuration|1|open|",
                 "0 0 Ctrl+Q > |0|closed|", "0 1 Ctrl+2 > |1|open|pending", "1 0 Ctrl+1 > |0|open|",
                 "0 0 Ctrl+I > Load image|0|open|", "1 0 Ctrl+I > Load image|1|open|", "0 1 F5 > |0|open|",
                 "0 0 F5 > |0|open|", "1 1 F5 > |1|open|pending", "0 2 Ctrl+E > " + folder + "|0|open|",
                 "0 1 Ctrl+E > |0|open|pending", "1 2 Ctrl+E > " + folder + "|1|open|", "1 1 Ctrl+E > |1|open|pending"})
            QTest::newRow(qPrintable(row.section(" > ", 0, 0))) << row;
    }
    void shortcutsFollowTheirButtons()
    {
        QFETCH(QString, row);
        MainWindow window(nullptr, Site());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QString picture = m_temporary.filePath("keys.png");
        QVERIFY(NoiseImage(64, 48).save(picture));
        m_desktop.openFileAnswers << picture << picture;
        const QStringList steps{"pushButtonLoadImg", "pushButtonLoadSource", "pushButtonGenerate",
                                "pushButtonAddOutput"};
        for (const QString& name : steps.mid(0, 2 * row.section(' ', 1, 1).toInt()))
            window.findChild<QPushButton*>(name)->click();
        m_desktop.openFileAnswers.clear();
        window.SLOT_ChangeMode(row.section(' ', 0, 0).toInt());
        m_desktop.askedCaptions.clear();
        QTest::keySequence(&window, QKeySequence(row.section(' ', 2, 2)));
        QCOMPARE(QStringList({m_desktop.askedCaptions.join(','),
                              QString::number(window.findChild<QStackedWidget*>()->currentIndex()),
                              window.isVisible() ? "open" : "closed",
                              window.findChild<PAGE_COVERING_OPTION*>()->IsRefreshNeeded() ? "pending" : ""})
                     .join('|'),
                 row.section(" > ", 1));
    }

    // Loads and saves put their set-up first, once, eight at most, kept for the next
    // window, and name it in the title; one gone since is dropped with a message.
    void recentConfigurationsAndTitle()
    {
        QTemporaryDir folder;
        const auto Setup = [&](int k) { return folder.filePath(QStringLiteral("wall%1.dat").arg(k)); };
        auto window = std::make_unique<MainWindow>(nullptr, Site());
        for (int k = 0; k < 10; ++k) {
            m_desktop.saveFileAnswers << Setup(k);
            window->findChild<QAction*>("actionSaveConfiguration")->trigger();
        }
        QCOMPARE(window->windowTitle(), QStringLiteral("wall9.dat - KV Quillex"));
        m_desktop.openFileAnswers << Setup(3);
        window->findChild<QAction*>("actionLoadConfiguration")->trigger();
        QCOMPARE(window->windowTitle(), QStringLiteral("wall3.dat - KV Quillex"));
        QVERIFY(QFile::remove(Setup(8)));

        window = std::make_unique<MainWindow>(nullptr, Site());
        FIND_CHILD(menu, QMenu, *window, "menuRecentConfigurations");
        const auto Entries = [&]() {
            QStringList entries{menu->title()};
            for (QAction* action : menu->actions())
                entries << action->text().replace(folder.path() + "/wall", "") + (action->isEnabled() ? "" : " (off)");
            return entries;
        };
        QCOMPARE(Entries(),
                 QStringList({"Recent configurations", "&1 3.dat", "&2 9.dat", "&3 8.dat", "&4 7.dat", "&5 6.dat",
                              "&6 5.dat", "&7 4.dat", "&8 2.dat", "", "Clear list"}));
        menu->actions()[2]->trigger();
        QCOMPARE(Seen(*window).mid(4),
                 QStringList{"KV Quillex: The configuration " + Setup(8)
                             + " no longer exists; it was removed from the list. "});
        menu->actions()[2]->trigger(); // the list closed up
        QCOMPARE(window->windowTitle(), QStringLiteral("wall7.dat - KV Quillex"));
        QCOMPARE(Entries().mid(1, 3), QStringList({"&1 7.dat", "&2 3.dat", "&3 9.dat"}));
        menu->actions().last()->trigger();
        QCOMPARE(Entries(), QStringList({"Recent configurations", "", "Clear list (off)"}));
    }

    // A file dropped on the window does what choosing it in the dialog does: a picture
    // or video on the page on show, a set-up from anywhere, errors included. Several
    // files or another kind are refused with a message and change nothing. Rows: the
    // page on show, then the files.
    void dropsActAsTheDialogs_data()
    {
        QTest::addColumn<QString>("row");
        for (const char* row :
             {"0 noise.png", "1 clip.mp4", "0 damaged.JPG", "1 wall.dat", "0 noise.png wall.dat", "1 notes.txt"})
            QTest::newRow(row) << row;
    }
    void dropsActAsTheDialogs()
    {
        QFETCH(QString, row);
        const int mode = row.section(' ', 0, 0).toInt();
        const QStringList files = row.section(' ', 1).split(' ');
        QTemporaryDir folder;
        QVERIFY(NoiseImage(64, 48).save(folder.filePath("noise.png")));
        for (const char* name : {"damaged.JPG", "clip.mp4", "notes.txt"}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not what it is named") > 0);
        }
        MainWindow dropped(nullptr, Site()), chosen(nullptr, Site());
        m_desktop.saveFileAnswers << folder.filePath("wall.dat");
        chosen.findChild<QSpinBox*>("spinBoxScreenW")->setValue(3);
        chosen.findChild<QAction*>("actionSaveConfiguration")->trigger();
        chosen.setWindowTitle("KV Quillex");
        for (MainWindow* window : {&dropped, &chosen}) {
            window->findChild<QSpinBox*>("spinBoxScreenW")->setValue(2);
            window->SLOT_ChangeMode(mode);
        }

        // Pictures land on the page's view, set-ups on the logo.
        QMimeData data;
        for (const QString& name : files)
            data.setUrls(data.urls() << QUrl::fromLocalFile(folder.filePath(name)));
        const QString path = folder.filePath(files.first());
        QWidget* page = dropped.findChild<QStackedWidget*>()->currentWidget();
        QWidget* target = path.endsWith(".dat") ? dropped.findChild<QWidget*>("logoKV")
                                                : page->findChild<QGraphicsView*>()->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QVERIFY(QApplication::sendEvent(target, &enter) && QApplication::sendEvent(target, &drop));
        QVERIFY(enter.isAccepted() && drop.isAccepted());
        const QStringList seen = Seen(dropped);

        m_desktop.openFileAnswers << path;
        if (files.size() > 1 || path.endsWith(".txt"))
            DesktopSeam::Tell(&chosen, QMessageBox::Information,
                              files.size() > 1 ? "Drop one file at a time."
                                               : path + " is not a picture, a video or a configuration.",
                              QString());
        else if (path.endsWith(".dat"))
            chosen.findChild<QAction*>("actionLoadConfiguration")->trigger();
        else
            chosen.findChild<QPushButton*>(mode == 0 ? "pushButtonLoadImg" : "pushButtonLoadSource")->click();
        QCOMPARE(seen, Seen(chosen));
        QVERIFY(seen != QStringList({"KV Quillex", "0 x 0", "3840 x 1080", "0 x 0"}));
        m_desktop.openFileAnswers.clear();
    }

    // On a full disk the old set-up stays whole and the user is told; a pipe
    // given as a set-up or a picture is refused at once, never waited on.
    void setUpsSurviveFullDisksAndPipes()
    {
        const auto ReadAll = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        MainWindow window(nullptr, Site());
        QTemporaryDir folder;
        const QString setup = folder.filePath("wall.dat");
        FIND_CHILD(save, QAction, window, "actionSaveConfiguration");
        FIND_CHILD(load, QAction, window, "actionLoadConfiguration");
        m_desktop.saveFileAnswers << setup;
        save->trigger();
        const QByteArray saved = ReadAll(setup);
        QVERIFY(saved.size() > 600);

        rlimit limit;
        QVERIFY(getrlimit(RLIMIT_FSIZE, &limit) == 0);
        const rlimit whole = limit;
        limit.rlim_cur = 512; // short writes, as on a full disk
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
        m_desktop.saveFileAnswers << setup;
        save->trigger();
        setrlimit(RLIMIT_FSIZE, &whole);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(ReadAll(setup), saved);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"wall.dat"});

        const QString pipe = folder.filePath("pipe");
        QVERIFY(mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        QFile huge(folder.filePath("huge.dat")); // a file chosen by mistake is not read whole
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(SetupFile::kMaxFileBytes + 1));
        m_desktop.openFileAnswers << huge.fileName() << pipe << pipe;
        load->trigger();
        load->trigger();
        FIND_CHILD(loadImage, QPushButton, window, "pushButtonLoadImg");
        loadImage->click();
        const QList<DesktopSeam::Message> told = std::exchange(m_desktop.messages, {});
        QCOMPARE(told.size(), 4);
        QVERIFY(told[0].text.endsWith("wall.dat could not be saved: File too large."));
        QCOMPARE(told[0].icon, QMessageBox::Warning);
        QVERIFY(told[1].text.endsWith("huge.dat could not be opened: too large to be a set-up file."));
        QVERIFY(told[2].text.contains("pipe could not be opened: not a regular file"));
        QCOMPARE(told[3].text, QStringLiteral("Error while loading image file in Covering menu."));
        QVERIFY(told[3].detail.endsWith("pipe: not a regular file (a pipe, socket or device)"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
