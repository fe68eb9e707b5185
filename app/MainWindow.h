#pragma once

#include "canvas/PageCanvasOption.h"
#include "core/common/ScalarTypes.h"
#include "covering/PageCoveringOption.h"

#include <QButtonGroup>
#include <QJsonObject>
#include <QMainWindow>
#include <QSettings>
#include <QUrl>

class QDropEvent;
class QMenu;
class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Where the update document is published; tests pass a local server.
    static QUrl DefaultUpdateServer();
    static QUrl HomePage();
    // Set-ups kept under File > "Recent configurations".
    static constexpr int kRecentLimit = 8;

    explicit MainWindow(QWidget* parent = nullptr, const QUrl& updateServer = DefaultUpdateServer());
    ~MainWindow() override;

    void writeConfiguration(QJsonObject& io_Top);
    void readConfiguration(const QJsonObject& i_Top);

public slots:
    // Shows the covering page for 0 and the canvas page for 1; other values
    // change nothing.
    void SLOT_ChangeMode(SDWord i_PageMode);

protected:
    // Files dropped anywhere on the window, whichever widget is under them.
    bool eventFilter(QObject* i_Watched, QEvent* i_Event) override;

private slots:
    void SLOT_ClickKVLink();
    void on_actionAbout_KV_Quillex_triggered();
    void on_actionCheck_for_Updates_triggered();
    void on_actionLoadConfiguration_triggered();
    void on_actionSaveConfiguration_triggered();
    void fileIsReady(QNetworkReply* reply);
    void on_actionQuitter_triggered();

private:
    void ApplyStyleSheet();
    void SendUpdateRequest();
    void TellConfigurationFailure(const QString& i_Text, const QString& i_Path, const QString& i_Reason);
    void AddShortcuts();
    // Clicks the named button of the page on show, as the user would; a
    // disabled or hidden button does nothing.
    void ClickPageButton(const QString& i_Name);
    void LoadConfigurationFile(const QString& fileName);
    // The set-up just loaded or saved: first of the recent list, named in the title.
    void UseConfigurationFile(const QString& i_FileName);
    QStringList RecentConfigurations() const;
    void SetRecentConfigurations(const QStringList& i_Paths);
    void OpenRecentConfiguration(const QString& i_FileName);
    // Routes a drop to "Load configuration..." or the page's "Load image...".
    void TakeDrop(const QDropEvent& i_Event);

    Ui::MainWindow* ui = nullptr;
    QNetworkAccessManager* m_NetworkManager = nullptr;
    QSettings m_Settings;
    bool m_UpdateAnswered = false;
    QUrl m_UpdateServer;
    PAGE_COVERING_OPTION m_CoveringPage;
    PAGE_CANVAS_OPTION m_CanvasPage;
    QString m_LastConfigurationDir;
    QString m_StyleSheetApp;
    QButtonGroup m_ModeGroup;
    QMenu* m_RecentMenu = nullptr;
};
