#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

namespace Ui {
class About;
}

// Program name and version, copyright notices, the open-source toolkit with
// its licence, and the end-user licence agreement. The licence pages live in
// the program's resources, which a browser cannot read, so a chosen page is
// copied to the temporary folder and that copy is opened.
class About : public QDialog
{
    Q_OBJECT

public:
    About(QString i_AppName, QString i_Version, QPixmap i_Picture, QString i_LinkColor, QString i_LicencesFolder,
          QWidget* parent = nullptr);
    ~About() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Where the licence copies go: the system's temporary folder.
    virtual QString TemporaryFolder() const;

private slots:
    void onLinkActivated(const QString& link);

private:
    Ui::About* ui = nullptr;
    QString m_LicencesFolder;
    QPixmap m_Picture;
};
