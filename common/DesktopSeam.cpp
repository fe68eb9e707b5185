#include "common/DesktopSeam.h"

#include <QDesktopServices>
#include <QDialog>

namespace {
DesktopSeam* installedSeam = nullptr;
}

DesktopSeam::~DesktopSeam() = default;

QString DesktopSeam::GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString DesktopSeam::GetSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString DesktopSeam::GetExistingDirectory(QWidget* parent, const QString& caption, const QString& dir,
                                          QFileDialog::Options options)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir, options);
}

QColor DesktopSeam::GetColor(const QColor& initial, QWidget* parent, const QString& title,
                             QColorDialog::ColorDialogOptions options)
{
    return QColorDialog::getColor(initial, parent, title, options);
}

void DesktopSeam::ShowMessage(const Message& message)
{
    QMessageBox box(message.parent);
    box.setStyleSheet(message.styleSheet);
    box.setIcon(message.icon);
    box.setWindowTitle(message.title);
    box.setTextFormat(message.textFormat);
    box.setText(message.text);
    box.setInformativeText(message.detail);
    box.exec();
}

bool DesktopSeam::OpenUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

int DesktopSeam::ExecDialog(QDialog& dialog)
{
    return dialog.exec();
}

DesktopSeam& DesktopSeam::Current()
{
    static DesktopSeam realDesktop;
    return installedSeam ? *installedSeam : realDesktop;
}

void DesktopSeam::Install(DesktopSeam* seam)
{
    installedSeam = seam;
}

void DesktopSeam::Tell(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& styleSheet,
                       const QString& detail)
{
    Message message;
    message.parent = parent;
    message.icon = icon;
    message.title = QStringLiteral("KV Quillex");
    message.text = text;
    message.detail = detail;
    message.styleSheet = styleSheet;
    Current().ShowMessage(message);
}
