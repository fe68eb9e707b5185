#pragma once

#include <QColor>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

// Everything that would block on a modal dialog or leave the program for the
// desktop goes through here, so tests can install a fake that answers at once
// and records what it was asked.
class DesktopSeam
{
public:
    struct Message
    {
        QWidget* parent = nullptr;
        QMessageBox::Icon icon = QMessageBox::Information;
        QString title;
        QString text;
        QString detail; // what went wrong, under the text; empty for none
        Qt::TextFormat textFormat = Qt::AutoText;
        QString styleSheet;
    };

    virtual ~DesktopSeam();

    virtual QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    virtual QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter);
    virtual QString GetExistingDirectory(QWidget* parent, const QString& caption, const QString& dir,
                                         QFileDialog::Options options);
    virtual QColor GetColor(const QColor& initial, QWidget* parent, const QString& title,
                            QColorDialog::ColorDialogOptions options);
    // Shows a modal message box with the toolkit's default button.
    virtual void ShowMessage(const Message& message);
    virtual bool OpenUrl(const QUrl& url);
    // Runs a dialog modally (exec()) and returns its result code.
    virtual int ExecDialog(QDialog& dialog);

    // A message box with the program's title, through the seam in use.
    static void Tell(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& styleSheet,
                     const QString& detail = QString());

    // The seam in use; the real desktop unless a test installed another.
    static DesktopSeam& Current();
    // Installs a seam (not owned); nullptr restores the real desktop.
    static void Install(DesktopSeam* seam);
};
