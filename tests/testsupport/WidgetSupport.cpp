#include "tests/testsupport/WidgetSupport.h"

#include <QDialog>

FakeDesktop::FakeDesktop()
{
    DesktopSeam::Install(this);
}

FakeDesktop::~FakeDesktop()
{
    DesktopSeam::Install(nullptr);
}

QString FakeDesktop::GetOpenFileName(QWidget*, const QString& caption, const QString&, const QString& filter)
{
    askedCaptions << caption;
    askedFilters << filter;
    return openFileAnswers.isEmpty() ? QString() : openFileAnswers.dequeue();
}

QString FakeDesktop::GetSaveFileName(QWidget*, const QString& caption, const QString&, const QString& filter)
{
    askedCaptions << caption;
    askedFilters << filter;
    return saveFileAnswers.isEmpty() ? QString() : saveFileAnswers.dequeue();
}

QString FakeDesktop::GetExistingDirectory(QWidget*, const QString& caption, const QString&, QFileDialog::Options)
{
    askedCaptions << caption;
    return directoryAnswers.isEmpty() ? QString() : directoryAnswers.dequeue();
}

QColor FakeDesktop::GetColor(const QColor&, QWidget*, const QString&, QColorDialog::ColorDialogOptions)
{
    return colorAnswers.isEmpty() ? QColor() : colorAnswers.dequeue();
}

void FakeDesktop::ShowMessage(const Message& message)
{
    messages << message;
}

bool FakeDesktop::OpenUrl(const QUrl& url)
{
    openedUrls << url;
    return true;
}

int FakeDesktop::ExecDialog(QDialog& dialog)
{
    executedDialogs << dialog.objectName();
    return dialogHandler ? dialogHandler(dialog) : int(QDialog::Rejected);
}
