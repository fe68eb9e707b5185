#include "app/MainWindow.h"

#include "app/About.h"
#include "common/DesktopSeam.h"
#include "core/files/SafeFiles.h"
#include "core/setup/SetupFile.h"
#include "core/update/UpdateCheck.h"
#include "ui_MainWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTextStream>

#include <memory>

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

    ApplyStyleSheet();
}

MainWindow::~MainWindow()
{
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

void MainWindow::on_actionLoadConfiguration_triggered()
{
    const QString fileName = DesktopSeam::Current().GetOpenFileName(
        this, tr("Open configuration"), m_LastConfigurationDir, tr("Configuration files (*.dat)"));
    if (fileName.isEmpty())
        return;
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
    if (!SafeFiles::WriteAtomically(fileName, SetupFile::Serialize(top), reason))
        TellConfigurationFailure(tr("The configuration %1 could not be saved: %2."), fileName, reason);
}
