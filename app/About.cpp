#include "app/About.h"

#include "common/DesktopSeam.h"
#include "ui_About.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {
QString LinkHtml(const QString& target, const QString& text, const QString& colour)
{
    return QStringLiteral("<a href=\"%1\"><span style=\" text-decoration: underline; color:%2;\">%3</span></a>")
        .arg(target, colour, text);
}

const QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
} // namespace

About::About(QString i_AppName, QString i_Version, QPixmap i_Picture, QString i_LinkColor, QString i_LicencesFolder,
             QWidget* parent)
    : QDialog(parent, Qt::WindowFlags())
    , ui(new Ui::About)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ui->label_QT5->setText(LinkHtml(QStringLiteral("https://www.qt.io/"), QStringLiteral("Qt5 Library"), i_LinkColor));
    ui->label_LGPL->setText(LinkHtml(QStringLiteral("#browse_LGPL"), QStringLiteral("(LPGL v3)"), i_LinkColor));
    ui->label_QT5Code->setText(LinkHtml(QStringLiteral("https://download.qt.io/archive/qt/5.8/"),
                                        QStringLiteral("download.qt.io/archive/qt/5.8/"), i_LinkColor));
    ui->label_KV_techsupport->setText(
        LinkHtml(QStringLiteral("mailto:techsupport@kevrel.example"), QStringLiteral("Kevrel"), i_LinkColor));
    ui->label_EULA->setText(
        LinkHtml(QStringLiteral("#browse_EULA"), QStringLiteral("View End-User License Agreement"), i_LinkColor));

    // The toolkit, source and mail links are opened by their labels; only the
    // two licence pages need copying first.
    connect(ui->label_EULA, &QLabel::linkActivated, this, &About::onLinkActivated);
    connect(ui->label_LGPL, &QLabel::linkActivated, this, &About::onLinkActivated);

    ui->label_Version->setText(i_Version);
    ui->labelProductNameTitle->setText(i_AppName);

    m_Picture = i_Picture;
    m_LicencesFolder = i_LicencesFolder;
}

About::~About()
{
    delete ui;
}

QString About::TemporaryFolder() const
{
    return QDir::tempPath();
}

void About::onLinkActivated(const QString& link)
{
    QString fileName;
    if (link == QLatin1String("#browse_EULA"))
        fileName = QStringLiteral("KV_EULA.html");
    else if (link == QLatin1String("#browse_LGPL"))
        fileName = QStringLiteral("lgpl.html");
    else
        return;

    const QString target = QDir(TemporaryFolder()).filePath(fileName);
    // Copying never replaces a file, so an earlier copy goes first. The copy
    // stays readable by its owner only: the temporary folder is shared.
    QFile earlier(target);
    if (earlier.exists()) {
        earlier.setPermissions(OwnerOnly);
        earlier.remove();
    }
    if (QFile::copy(m_LicencesFolder + fileName, target))
        QFile::setPermissions(target, OwnerOnly);

    DesktopSeam::Current().OpenUrl(QUrl::fromLocalFile(target));
}

void About::resizeEvent(QResizeEvent*)
{
    // A null picture (missing resource) leaves the label empty.
    ui->label->setPixmap(m_Picture.isNull()
                             ? QPixmap()
                             : m_Picture.scaled(ui->label->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}
