#pragma once

#include "tests/testsupport/CoreSupport.h"
#include "common/DesktopSeam.h"

#include <QQueue>
#include <QtTest>

#include <functional>

// A desktop that never blocks: dialogs answer from queues (empty answer when
// a queue is empty) and everything asked or shown is recorded.
class FakeDesktop : public DesktopSeam
{
public:
    FakeDesktop();
    ~FakeDesktop() override;

    QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter) override;
    QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter) override;
    QString GetExistingDirectory(QWidget* parent, const QString& caption, const QString& dir,
                                 QFileDialog::Options options) override;
    QColor GetColor(const QColor& initial, QWidget* parent, const QString& title,
                    QColorDialog::ColorDialogOptions options) override;
    void ShowMessage(const Message& message) override;
    bool OpenUrl(const QUrl& url) override;
    // Records the dialog's object name and lets the test look at the live
    // dialog; answers QDialog::Rejected unless dialogHandler says otherwise.
    int ExecDialog(QDialog& dialog) override;

    QQueue<QString> openFileAnswers;
    QQueue<QString> saveFileAnswers;
    QQueue<QString> directoryAnswers;
    QQueue<QColor> colorAnswers;

    QStringList askedCaptions; // captions of every file and folder dialog, in order
    QStringList askedFilters;
    QList<Message> messages;
    QList<QUrl> openedUrls;
    QStringList executedDialogs;
    std::function<int(QDialog&)> dialogHandler;
};

// The named descendant of `parent` in `var`; a missing one fails the test at
// hand (not the whole run), since every later line would only crash on it.
#define FIND_CHILD(var, Type, parent, name)                      \
    Type* var = (parent).findChild<Type*>(QStringLiteral(name)); \
    QVERIFY2(var, "missing child " name)
