#include "app/MainWindow.h"

#include "app/About.h"
#include "common/DesktopSeam.h"
#include "core/files/FileKinds.h"
#include "core/files/SafeFiles.h"
#include "core/setup/SetupFile.h"
#include "core/update/UpdateCheck.h"
#include "ui_MainWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextStream>

#include <memory>
#include <utility>

namespace {

const QString kRecentKey = QStringLiteral("RecentConfigurations");

// The platform's keys for a command, or the usual ones where it has none.
QList<QKeySequence> StandardKeys(QKeySequence::StandardKey i_Key, const QKeySequence& i_Usual)
{
    const QList<QKeySequence> keys = QKeySequence::keyBindings(i_Key);
    return keys.isEmpty() ? QList<QKeySequence>{i_Usual} : keys;
}

// Answers the next file dialog with a dropped file and passes everything
// else on to the desktop in use, so a drop runs exactly what that answer to
// the dialog would, messages included.
class DroppedFileSeam : public DesktopSeam
{
public:
    explicit DroppedFileSeam(const QString& i_FileName)
        : m_FileName(i_FileName)
        , m_Desktop(Current())
    {
        Install(this);
    }
    ~DroppedFileSeam() override { Install(&m_Desktop); }
    DroppedFileSeam(const DroppedFileSeam&) = delete;
    DroppedFileSeam& operator=(const DroppedFileSeam&) = delete;

    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return std::exchange(m_FileName, QString());
    }
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter) override
    {
        return m_Desktop.GetSaveFileName(parent, caption, dir, filter);
    }
    QString GetExistingDirectory(QWidget* parent, const QString& caption, const QString& dir,
                                 QFileDialog::Options options) override
    {
        return m_Desktop.GetExistingDirectory(parent, caption, dir, options);
    }
    QColor GetColor(const QColor& initial, QWidget* parent, const QString& title,
                    QColorDialog::ColorDialogOptions options) override
    {
        return m_Desktop.GetColor(initial, parent, title, options);
    }
    void ShowMessage(const Message& message) override { m_Desktop.ShowMessage(message); }
    bool OpenUrl(const QUrl& url) override { return m_Desktop.OpenUrl(url); }
    int ExecDialog(QDialog& dialog) override { return m_Desktop.ExecDialog(dialog); }

private:
    QString m_FileName;
    DesktopSeam& m_Desktop;
};

} // namespace

QUrl MainWindow::DefaultUpdateServer()
{
    return QUrl(QStringLiteral("http://www.kevrel.example"));
}

QUrl MainWindow::HomePage()
{
    return QUrl(QStringLiteral("http://www.kevrel.example/"));
}

MainWindow::MainWindow(QWidget* parent, const QUrl& updateServer)
    : QMainWindow(parent, Qt::WindowFlags())
    , ui(new Ui::MainWindow)
    , m_Settings(QStringLiteral("Kevrel"), QStringLiteral("Quillex"))
    , m_UpdateServer(updateServer)
    , m_CoveringPage(this)
    , m_CanvasPage(this)
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/icone-about.png")));

    m_NetworkManager = new QNetworkAccessManager(this);
    connect(m_NetworkManager, &QNetworkAccessManager::finished, this, &MainWindow::fileIsReady);
    SendUpdateRequest();

    ui->stackedWidgetGeneral->addWidget(&m_CoveringPage);
    ui->stackedWidgetGeneral->addWidget(&m_CanvasPage);

    ui->logoKV->setPixmap(QPixmap(QStringLiteral(":/Logo/logo-kv.png")));

    ui->pushButtonCoveringMode->setCheckable(true);
    ui->pushButtonCanvasMode->setCheckable(true);
    ui->pushButtonCoveringMode->setChecked(true);

    m_ModeGroup.addButton(ui->pushButtonCoveringMode, 0);
    m_ModeGroup.addButton(ui->pushButtonCanvasMode, 1);
    connect(&m_ModeGroup, &QButtonGroup::idClicked, this, &MainWindow::SLOT_ChangeMode);
    connect(ui->logoKV, &ClickableQLabel::clicked, this, &MainWindow::SLOT_ClickKVLink);

    AddShortcuts();
    m_RecentMenu = new QMenu(tr("Recent configurations"), this);
    m_RecentMenu->setObjectName(QStringLiteral("menuRecentConfigurations"));
    ui->menuFile->insertMenu(ui->actionSaveConfiguration, m_RecentMenu);
    SetRecentConfigurations(RecentConfigurations());

    // Views take drags of their own; the application's filter sees a drop
    // before any widget under it does.
    setAcceptDrops(true);
    qApp->installEventFilter(this);

    ApplyStyleSheet();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    // A request still in flight is abandoned with the manager, silently.
    delete m_NetworkManager;
    m_NetworkManager = nullptr;
    delete ui;
}

void MainWindow::ApplyStyleSheet()
{
    QFile file(QStringLiteral(":/style sheet/StyleSheet_MacOSX.css"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream stream(&file);
    m_StyleSheetApp = stream.readAll();
    ui->mainWidget->setStyleSheet(m_StyleSheetApp);
}

void MainWindow::SendUpdateRequest()
{
    if (!m_NetworkManager)
        return;
    QUrl url(m_UpdateServer);
    url.setPath(UpdateCheck::DocumentPath(), QUrl::TolerantMode);
    m_NetworkManager->get(QNetworkRequest(url));
}

void MainWindow::fileIsReady(QNetworkReply* reply)
{
    reply->deleteLater();
    // Network failures are never reported; the next reply then counts as an
    // answer to the menu command.
    if (reply->error() != QNetworkReply::NoError) {
        m_UpdateAnswered = true;
        return;
    }

    const UpdateCheck::Document document = UpdateCheck::ReadDocument(reply);
    const QString lastAnnounced = m_Settings.value(UpdateCheck::LastVersionKey()).toString();
    const UpdateCheck::Decision decision = UpdateCheck::Decide(document, lastAnnounced, m_UpdateAnswered);
    if (!decision.handled)
        return;

    // State first: the message box runs its own loop, in which another reply
    // may arrive and must see this one as handled.
    if (decision.storeVersion)
        m_Settings.setValue(UpdateCheck::LastVersionKey(), document.version);
    m_UpdateAnswered = true;

    if (decision.notice == UpdateCheck::Notice::None)
        return;
    DesktopSeam::Message message;
    message.parent = this;
    message.icon = QMessageBox::Information;
    message.title = QStringLiteral("KV Quillex");
    message.textFormat = Qt::RichText;
    message.styleSheet = m_StyleSheetApp;
    message.text = decision.notice == UpdateCheck::Notice::NewerVersion
        ? UpdateCheck::NewerVersionText(document.version, document.url)
        : UpdateCheck::UpToDateText();
    DesktopSeam::Current().ShowMessage(message);
}

void MainWindow::SLOT_ChangeMode(SDWord i_PageMode)
{
    switch (i_PageMode) {
    case 0:
        ui->stackedWidgetGeneral->setCurrentWidget(&m_CoveringPage);
        break;
    case 1:
        ui->stackedWidgetGeneral->setCurrentWidget(&m_CanvasPage);
        break;
    default:
        break;
    }
}

void MainWindow::SLOT_ClickKVLink()
{
    DesktopSeam::Current().OpenUrl(HomePage());
}

void MainWindow::on_actionQuitter_triggered()
{
    close();
}

void MainWindow::on_actionCheck_for_Updates_triggered()
{
    SendUpdateRequest();
}

void MainWindow::on_actionAbout_KV_Quillex_triggered()
{
    const QPixmap picture(QStringLiteral(":/icons/icone-about.png"));
    const auto dialog = std::make_unique<About>(QStringLiteral("KV Quillex"), UpdateCheck::OwnVersion(), picture,
                                                QStringLiteral("#0095ff"), QStringLiteral(":/Licenses/"), this);
    // A child window of the main window, outside the styled central widget.
    dialog->setStyleSheet(m_StyleSheetApp);
    DesktopSeam::Current().ExecDialog(*dialog);
}

void MainWindow::writeConfiguration(QJsonObject& io_Top)
{
    io_Top.insert(QStringLiteral("Version"), QStringLiteral("1.0"));
    m_CoveringPage.WriteConfiguration(io_Top);
    m_CanvasPage.WriteConfiguration(io_Top);
}

void MainWindow::readConfiguration(const QJsonObject& i_Top)
{
    m_CoveringPage.ReadConfiguration(i_Top);
    m_CanvasPage.ReadConfiguration(i_Top);
}

void MainWindow::TellConfigurationFailure(const QString& i_Text, const QString& i_Path, const QString& i_Reason)
{
    qWarning("Couldn't open save file.");
    DesktopSeam::Tell(this, QMessageBox::Warning, i_Text.arg(QDir::toNativeSeparators(i_Path), i_Reason),
                      m_StyleSheetApp);
}

void MainWindow::AddShortcuts()
{
    ui->actionLoadConfiguration->setShortcuts(QKeySequence::Open);
    ui->actionSaveConfiguration->setShortcuts(QKeySequence::Save);
    ui->actionQuitter->setShortcuts(StandardKeys(QKeySequence::Quit, QKeySequence(Qt::CTRL | Qt::Key_Q)));

    // Page commands act through their buttons, so each one follows its
    // button's state; the buttons' tips tell the keys.
    struct PageCommand
    {
        const char* name;
        QList<QKeySequence> keys;
        std::function<void()> run;
        QList<QAbstractButton*> buttons;
    };
    const auto Buttons = [this](const char* i_Name) {
        return QList<QAbstractButton*>{m_CoveringPage.findChild<QAbstractButton*>(i_Name),
                                       m_CanvasPage.findChild<QAbstractButton*>(i_Name)};
    };
    const PageCommand commands[] = {
        {"actionRefresh", StandardKeys(QKeySequence::Refresh, QKeySequence(Qt::Key_F5)),
         [this]() { ClickPageButton(QStringLiteral("pushButtonGenerate")); }, Buttons("pushButtonGenerate")},
        {"actionLoadImage",
         {QKeySequence(Qt::CTRL | Qt::Key_I)},
         [this]() {
             ClickPageButton(QStringLiteral("pushButtonLoadImg"));
             ClickPageButton(QStringLiteral("pushButtonLoadSource"));
         },
         Buttons("pushButtonLoadImg") + Buttons("pushButtonLoadSource")},
        {"actionSaveImages",
         {QKeySequence(Qt::CTRL | Qt::Key_E)},
         [this]() { ClickPageButton(QStringLiteral("pushButtonSave")); },
         Buttons("pushButtonSave")},
        {"actionCoveringMode",
         {QKeySequence(Qt::CTRL | Qt::Key_1)},
         [this]() { ui->pushButtonCoveringMode->click(); },
         {ui->pushButtonCoveringMode}},
        {"actionCanvasMode",
         {QKeySequence(Qt::CTRL | Qt::Key_2)},
         [this]() { ui->pushButtonCanvasMode->click(); },
         {ui->pushButtonCanvasMode}},
    };
    for (const PageCommand& command : commands) {
        auto* action = new QAction(this);
        action->setObjectName(QLatin1String(command.name));
        action->setShortcuts(command.keys);
        connect(action, &QAction::triggered, this, command.run);
        addAction(action);
        for (QAbstractButton* button : command.buttons)
            if (button)
                button->setToolTip(QKeySequence::listToString(command.keys, QKeySequence::NativeText));
    }
}

void MainWindow::ClickPageButton(const QString& i_Name)
{
    QWidget* page = ui->stackedWidgetGeneral->currentWidget();
    auto* button = page ? page->findChild<QAbstractButton*>(i_Name) : nullptr;
    if (button && button->isEnabled() && button->isVisibleTo(page))
        button->click();
}

QStringList MainWindow::RecentConfigurations() const
{
    return m_Settings.value(kRecentKey).toStringList().mid(0, kRecentLimit);
}

void MainWindow::SetRecentConfigurations(const QStringList& i_Paths)
{
    m_Settings.setValue(kRecentKey, i_Paths);
    m_RecentMenu->clear();
    int number = 0;
    for (const QString& path : i_Paths) {
        QString shown = QDir::toNativeSeparators(path);
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* action = m_RecentMenu->addAction(QStringLiteral("&%1 %2").arg(++number).arg(shown));
        connect(action, &QAction::triggered, this, [this, path]() { OpenRecentConfiguration(path); });
    }
    m_RecentMenu->addSeparator();
    QAction* clear = m_RecentMenu->addAction(tr("Clear list"));
    clear->setEnabled(!i_Paths.isEmpty());
    connect(clear, &QAction::triggered, this, [this]() { SetRecentConfigurations({}); });
}

void MainWindow::UseConfigurationFile(const QString& i_FileName)
{
    const QFileInfo info(i_FileName);
    QStringList paths = RecentConfigurations();
    paths.removeAll(info.absoluteFilePath());
    paths.prepend(info.absoluteFilePath());
    SetRecentConfigurations(paths.mid(0, kRecentLimit));
    setWindowTitle(QStringLiteral("%1 - KV Quillex").arg(info.fileName()));
}

void MainWindow::OpenRecentConfiguration(const QString& i_FileName)
{
    if (QFileInfo::exists(i_FileName)) {
        LoadConfigurationFile(i_FileName);
        return;
    }
    QStringList paths = RecentConfigurations();
    paths.removeAll(i_FileName);
    SetRecentConfigurations(paths);
    DesktopSeam::Tell(this, QMessageBox::Warning,
                      tr("The configuration %1 no longer exists; it was removed from the list.")
                          .arg(SafeFiles::Printable(QDir::toNativeSeparators(i_FileName))),
                      m_StyleSheetApp);
}

bool MainWindow::eventFilter(QObject* i_Watched, QEvent* i_Event)
{
    const QEvent::Type type = i_Event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QMainWindow::eventFilter(i_Watched, i_Event);
    auto* widget = qobject_cast<QWidget*>(i_Watched);
    auto* drop = static_cast<QDropEvent*>(i_Event);
    if (!widget || widget->window() != this || !drop->mimeData()->hasUrls())
        return QMainWindow::eventFilter(i_Watched, i_Event);
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        TakeDrop(*drop);
    return true;
}

void MainWindow::TakeDrop(const QDropEvent& i_Event)
{
    const QList<QUrl> urls = i_Event.mimeData()->urls();
    if (urls.size() != 1) {
        DesktopSeam::Tell(this, QMessageBox::Information, tr("Drop one file at a time."), m_StyleSheetApp);
        return;
    }
    const QString fileName = urls.first().toLocalFile();
    const FileKinds::Kind kind = fileName.isEmpty() ? FileKinds::Kind::Unknown : FileKinds::Of(fileName);
    switch (kind) {
    case FileKinds::Kind::Setup:
        LoadConfigurationFile(fileName);
        break;
    case FileKinds::Kind::Picture:
    case FileKinds::Kind::Video: {
        const DroppedFileSeam answer(fileName);
        ClickPageButton(QStringLiteral("pushButtonLoadImg"));
        ClickPageButton(QStringLiteral("pushButtonLoadSource"));
        break;
    }
    case FileKinds::Kind::Unknown:
        DesktopSeam::Tell(this, QMessageBox::Information,
                          tr("%1 is not a picture, a video or a configuration.")
                              .arg(SafeFiles::Printable(urls.first().toDisplayString(QUrl::PreferLocalFile))),
                          m_StyleSheetApp);
        break;
    }
}

void MainWindow::on_actionLoadConfiguration_triggered()
{
    const QString fileName = DesktopSeam::Current().GetOpenFileName(
        this, tr("Open configuration"), m_LastConfigurationDir, tr("Configuration files (*.dat)"));
    if (!fileName.isEmpty())
        LoadConfigurationFile(fileName);
}

void MainWindow::LoadConfigurationFile(const QString& fileName)
{
    m_LastConfigurationDir = QFileInfo(fileName).absolutePath();
    // A pipe or a device would block the window on opening or never end.
    QString problem = SafeFiles::ReadableFileProblem(fileName);
    QFile file(fileName);
    if (problem.isEmpty() && file.size() > SetupFile::kMaxFileBytes)
        problem = tr("too large to be a set-up file");
    if (!problem.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        TellConfigurationFailure(tr("The configuration %1 could not be opened: %2."), fileName,
                                 problem.isEmpty() ? file.errorString() : problem);
        return;
    }
    m_CoveringPage.CleanScene();
    const QJsonObject top = SetupFile::Parse(file.readAll());
    file.close();
    m_CoveringPage.ReadConfiguration(top);
    m_CanvasPage.ReadConfiguration(top);
    m_CoveringPage.UpdateScreenCovLabel();
    m_CoveringPage.RefreshImages();
    UseConfigurationFile(fileName);
}

void MainWindow::on_actionSaveConfiguration_triggered()
{
    QString fileName = DesktopSeam::Current().GetSaveFileName(this, tr("Save configuration"), m_LastConfigurationDir,
                                                              tr("Configuration files (*.dat)"));
    if (fileName.isEmpty())
        return;
    fileName = SetupFile::WithSuffix(fileName);
    m_LastConfigurationDir = QFileInfo(fileName).absolutePath();
    // Written beside the old file and put in its place only when complete:
    // a full disk never leaves a set-up half written.
    QJsonObject top;
    writeConfiguration(top);
    QString reason;
    if (SafeFiles::WriteAtomically(fileName, SetupFile::Serialize(top), reason))
        UseConfigurationFile(fileName);
    else
        TellConfigurationFailure(tr("The configuration %1 could not be saved: %2."), fileName, reason);
}
