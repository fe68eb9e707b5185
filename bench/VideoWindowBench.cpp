#include "bench/VideoWindowBench.h"

#include "bench/BenchSupport.h"
#include "common/DesktopSeam.h"
#include "covering/PageCoveringOption.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Answers the clip and folder dialogs; a message means the save went wrong,
// so it is printed.
class VideoBenchDesktop : public DesktopSeam
{
public:
    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override { return clip; }
    QString GetExistingDirectory(QWidget*, const QString&, const QString&, QFileDialog::Options) override
    {
        return folder;
    }
    void ShowMessage(const Message& message) override
    {
        ++messages;
        std::printf("  the window said: %s %s\n", qPrintable(message.text), qPrintable(message.detail));
    }
    bool OpenUrl(const QUrl&) override { return true; }

    QString clip;
    QString folder;
    int messages = 0;
};

bool Click(QWidget& i_Page, const char* i_Name)
{
    auto* button = i_Page.findChild<QAbstractButton*>(QLatin1String(i_Name));
    if (!button || !button->isEnabled()) {
        std::printf("  %s cannot be clicked\n", i_Name);
        return false;
    }
    button->click();
    QCoreApplication::processEvents();
    return true;
}

double Seconds(const QElapsedTimer& i_Timer)
{
    return double(i_Timer.nsecsElapsed()) / 1e9;
}

} // namespace

int RunVideoWindow(const QString& i_Clip, int i_Runs)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "quillex-bench";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    QTemporaryDir dir(QDir::current().filePath(QStringLiteral("video-window-XXXXXX")));
    VideoBenchDesktop desktop;
    DesktopSeam::Install(&desktop);
    desktop.clip = QFileInfo(i_Clip).absoluteFilePath();

    PAGE_COVERING_OPTION page;
    page.resize(1400, 900);
    page.show();
    const std::pair<const char*, int> grid[] = {
        {"spinBoxScreenW", 2}, {"spinBoxScreenH", 2}, {"spinBoxOutputWidth", 1920}, {"spinBoxOutputHeight", 1080}};
    for (const auto& value : grid)
        if (auto* box = page.findChild<QSpinBox*>(QLatin1String(value.first)))
            box->setValue(value.second);
    if (!Click(page, "pushButtonLoadImg") || !Click(page, "pushButtonGenerate") || desktop.messages) {
        DesktopSeam::Install(nullptr);
        return 1;
    }
    QJsonObject top;
    page.WriteConfiguration(top);
    const QString setup = dir.filePath(QStringLiteral("setup.dat"));
    QFile file(setup);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(top).toJson()) <= 0) {
        std::printf("  cannot write %s\n", qPrintable(setup));
        return 1;
    }
    file.close();

    std::printf("%s cut into 2 x 2 outputs of 1920 x 1080, %d runs each, in turn\n", qPrintable(i_Clip), i_Runs);
    std::vector<double> window, render;
    for (int run = 0; run < i_Runs; ++run) {
        desktop.folder = dir.filePath(QStringLiteral("window-%1").arg(run));
        QDir().mkpath(desktop.folder);
        QElapsedTimer timer;
        timer.start();
        if (!Click(page, "pushButtonSave") || desktop.messages)
            break;
        window.push_back(Seconds(timer));

        const QString out = dir.filePath(QStringLiteral("render-%1").arg(run));
        timer.restart();
        const int status = QProcess::execute(QStringLiteral(QUILLEX_RENDER),
                                             {setup, QStringLiteral("--quiet"), QStringLiteral("--mode"),
                                              QStringLiteral("covering"), QStringLiteral("--out"), out});
        render.push_back(Seconds(timer));
        const QStringList written = QDir(desktop.folder).entryList(QDir::Files, QDir::Name);
        if (status != 0 || written != QDir(out).entryList(QDir::Files, QDir::Name)) {
            std::printf("  the window and quillex-render wrote different files (status %d)\n", status);
            break;
        }
        std::printf("  run %d: window %.2f s, quillex-render %.2f s (%s)\n", run + 1, window.back(), render.back(),
                    qPrintable(written.join(QLatin1Char(' '))));
        QDir(desktop.folder).removeRecursively();
        QDir(out).removeRecursively();
    }
    DesktopSeam::Install(nullptr);
    if (window.empty() || window.size() != render.size())
        return 1;
    const double w = Median(window), r = Median(render);
    std::printf("median: window %.2f s, quillex-render %.2f s, ratio %.3f (at most 1.1)\n", w, r, w / r);
    return w <= 1.1 * r ? 0 : 1;
}
