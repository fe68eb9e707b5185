// The covering job of workload A (4 x 2 outputs of 1920 x 1080, coverings of
// 20, full screen, quality 100) as a user runs it in the window: Load, Refresh
// and Save clicked on the page, with a desktop that answers the dialogs at
// once. The same job through the engine alone (as quillex-render does it)
// runs in turn in the same process, and ImageMagick's crop of the same file
// after them. The picture is written by ImageMagick, with its chunks.

#include "bench/WindowBench.h"

#include "app/MainWindow.h"
#include "bench/BenchSupport.h"
#include "common/DesktopSeam.h"
#include "core/common/ScalarTypes.h"
#include "core/covering/CoveringCompose.h"
#include "core/covering/CoveringSave.h"
#include "core/imaging/PngReader.h"
#include "core/naming/OutputNames.h"
#include "covering/PageCoveringOption.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QQueue>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const int kColumns = 4;
const int kRows = 2;
const int kCovering = 20;

// Answers the picture and folder dialogs from queues; a message means the
// job went wrong, so it is printed.
class BenchDesktop : public DesktopSeam
{
public:
    QString GetOpenFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        return pictures.isEmpty() ? QString() : pictures.dequeue();
    }
    QString GetExistingDirectory(QWidget*, const QString&, const QString&, QFileDialog::Options) override
    {
        return folders.isEmpty() ? QString() : folders.dequeue();
    }
    void ShowMessage(const Message& message) override
    {
        ++messages;
        std::printf("  the window said: %s %s\n", qPrintable(message.text), qPrintable(message.detail));
    }
    bool OpenUrl(const QUrl&) override { return true; }

    QQueue<QString> pictures;
    QQueue<QString> folders;
    int messages = 0;
};

// Everything the click leaves for the event loop (repaints, scenes deleted
// later) is part of the step.
void Settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <typename T>
T* Child(QWidget& i_Parent, const char* i_Name)
{
    T* child = i_Parent.findChild<T*>(QLatin1String(i_Name));
    if (!child)
        std::printf("  no %s in the window\n", i_Name);
    return child;
}

double ClickMs(QWidget& i_Page, const char* i_Button)
{
    auto* button = Child<QAbstractButton>(i_Page, i_Button);
    if (!button)
        return -1;
    QElapsedTimer timer;
    timer.start();
    button->click();
    Settle();
    return timer.nsecsElapsed() / 1e6;
}

bool SetUpGrid(QWidget& i_Page)
{
    const std::pair<const char*, int> values[] = {{"spinBoxScreenW", kColumns},
                                                  {"spinBoxScreenH", kRows},
                                                  {"spinBoxOutputWidth", 1920},
                                                  {"spinBoxOutputHeight", 1080}};
    for (const auto& value : values) {
        auto* box = Child<QSpinBox>(i_Page, value.first);
        if (!box)
            return false;
        box->setValue(value.second);
    }
    for (const char* button : {"pushButtonCoveringHorizontal", "pushButtonCoveringVertical"}) {
        auto* all = Child<QAbstractButton>(i_Page, button);
        if (!all)
            return false;
        if (!all->isChecked())
            all->click();
    }
    auto* horizontal = Child<QSpinBox>(i_Page, "spinBoxCoveringHorizontal_X");
    auto* vertical = Child<QSpinBox>(i_Page, "spinBoxCoveringVertical_X");
    auto* quality = Child<QSlider>(i_Page, "horizontalSliderQuality");
    auto* fullScreen = Child<QAbstractButton>(i_Page, "fullscreenRadioButton");
    if (!horizontal || !vertical || !quality || !fullScreen)
        return false;
    horizontal->setValue(kCovering);
    vertical->setValue(kCovering);
    quality->setValue(100);
    fullScreen->click();
    return true;
}

struct Steps
{
    std::vector<double> load, refresh, save, total;
    void Add(double i_Load, double i_Refresh, double i_Save)
    {
        load.push_back(i_Load);
        refresh.push_back(i_Refresh);
        save.push_back(i_Save);
        total.push_back(i_Load + i_Refresh + i_Save);
    }
};

// The engine's job as the renderer does it: load, cut and compose, save in
// order with the files encoded ahead.
bool EngineRun(const QString& i_Picture, const QString& i_Folder, const QString& i_Prefix, Steps& io_Steps)
{
    QElapsedTimer timer;
    timer.start();
    const QImage source = PngReader::Load(i_Picture);
    const double load = timer.nsecsElapsed() / 1e6;
    if (source.isNull())
        return false;
    timer.restart();
    CoveringEngine::Input in;
    in.SetGrid(kColumns, kRows, 1920, 1080);
    CoveringModel::SeamBoxes seams{};
    seams.fill(kCovering);
    in.horizontalAllSeams = true;
    in.verticalAllSeams = true;
    in.UpdateCoverings(seams, seams);
    in.isFullScreen = true;
    in.imageWidth = source.width();
    in.imageHeight = source.height();
    CoveringEngine::ImageTable results;
    if (!CoveringEngine::ComputeOutputImages(CoveringEngine::CropSource(source, in), in, results))
        return false;
    const double compose = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const QStringList failed = CoveringEngine::SaveOutputImages(results, kColumns, kRows, i_Folder, i_Prefix, 100);
    io_Steps.Add(load, compose, timer.nsecsElapsed() / 1e6);
    return failed.isEmpty();
}

bool SameFiles(const QString& i_A, const QString& i_B, const QString& i_Prefix)
{
    for (int i = 0; i < kColumns; ++i)
        for (int j = 0; j < kRows; ++j) {
            const QString name = OutputNames::Covering(i_Prefix, i, j);
            QFile a(i_A + '/' + name), b(i_B + '/' + name);
            if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.readAll() != b.readAll())
                return false;
        }
    return true;
}

void Fresh(const QString& i_Folder)
{
    QDir(i_Folder).removeRecursively();
    QDir().mkpath(i_Folder);
}

} // namespace

// The resources live in the widgets' static library; this names them from
// outside any namespace, as the toolkit's macro needs.
static void InitResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace WindowBench {

int Run(int argc, char* argv[], const Tools& i_Tools)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    InitResources();
    QApplication application(argc, argv);
    RegisterScalarTypeNames();
    const int repetitions = qMax(1, application.arguments().value(2, "5").toInt());

    QTemporaryDir dir;
    const QString magick = i_Tools.findTool({"magick", "convert-im6.q16", "convert-im6", "convert"});
    if (!dir.isValid() || magick.isEmpty()) {
        std::printf("needs a temporary folder and ImageMagick\n");
        return 1;
    }
    std::printf("KV Quillex window benchmark\nmachine: %d cores\n", QThread::idealThreadCount());

    // The photograph-like picture of the other workloads, written by
    // ImageMagick with its defaults.
    const QString raw = dir.filePath("source.ppm");
    const QString picture = dir.filePath("source.png");
    if (!i_Tools.photoLike(7680, 2160).save(raw, "PPM") || QProcess::execute(magick, {raw, picture}) != 0
        || !QFile::remove(raw)) {
        std::printf("cannot write the picture\n");
        return 1;
    }
    bool fast = false;
    PngReader::Load(picture, &fast);
    std::printf("picture: 7680 x 2160, written by %s, %.1f MB, on the reader's fast path: %s\n",
                qPrintable(QFileInfo(magick).fileName()), QFileInfo(picture).size() / 1e6, fast ? "yes" : "no");

    BenchDesktop desktop;
    DesktopSeam::Install(&desktop);
    MainWindow window(nullptr, QUrl(QStringLiteral("http://127.0.0.1:9")));
    window.resize(1280, 860);
    window.show();
    Settle();
    auto* page = window.findChild<PAGE_COVERING_OPTION*>();
    if (!page || !SetUpGrid(*page)) {
        std::printf("cannot set up the covering page\n");
        return 1;
    }
    const QString prefix = QFileInfo(picture).completeBaseName();
    const QString windowOut = dir.filePath("window");
    const QString engineOut = dir.filePath("engine");
    Steps windowSteps, engineSteps;
    bool same = true;
    for (int rep = 0; rep < repetitions; ++rep) {
        Fresh(windowOut);
        desktop.pictures.enqueue(picture);
        const double load = ClickMs(*page, "pushButtonLoadImg");
        const double refresh = ClickMs(*page, "pushButtonGenerate");
        desktop.folders.enqueue(windowOut);
        const double save = ClickMs(*page, "pushButtonSave");
        windowSteps.Add(load, refresh, save);

        Fresh(engineOut);
        if (!EngineRun(picture, engineOut, prefix, engineSteps)) {
            std::printf("the engine's job failed\n");
            return 1;
        }
        same = same && SameFiles(windowOut, engineOut, prefix);
    }
    const CoveringEngine::Input& model = page->Model();
    if (desktop.messages > 0 || model.coveredWidth != 7620 || model.coveredHeight != 2140) {
        std::printf("the window's job went wrong (covered screen %d x %d)\n", model.coveredWidth, model.coveredHeight);
        return 1;
    }

    const QString tiles = dir.filePath("tiles");
    const QPair<double, double> magickTimes = i_Tools.timeCommands(
        {{magick, picture, "-define", "png:compression-level=0", "-crop", "1920x1080", "+repage",
          tiles + "/out_%d.png"}},
        repetitions, tiles);

    std::printf("\n4 x 2 outputs of 1920 x 1080, coverings %d, full screen, quality 100; %d runs of each in turn, "
                "medians, wall time\n",
                kCovering, repetitions);
    std::printf("  %-22s %9s %9s %8s\n", "step", "window", "engine", "ratio");
    const auto row = [](const char* name, const std::vector<double>& a, const std::vector<double>& b) {
        std::printf("  %-22s %6.0f ms %6.0f ms %8.2f\n", name, Median(a), Median(b), Median(a) / Median(b));
    };
    row("Load", windowSteps.load, engineSteps.load);
    row("Refresh (cut, compose)", windowSteps.refresh, engineSteps.refresh);
    row("Save", windowSteps.save, engineSteps.save);
    row("total", windowSteps.total, engineSteps.total);
    std::printf("  window / engine = %.2f (target <= 1.2)\n", Median(windowSteps.total) / Median(engineSteps.total));
    if (magickTimes.first > 0)
        std::printf("  ImageMagick's crop of the same file into 8 stored PNGs: %.0f ms; window / ImageMagick = %.2f "
                    "(target <= 0.3), engine / ImageMagick = %.2f\n",
                    magickTimes.first, Median(windowSteps.total) / magickTimes.first,
                    Median(engineSteps.total) / magickTimes.first);
    std::printf("  the window's files are the engine's, byte for byte: %s\n\n", same ? "yes" : "NO");
    std::fflush(stdout);
    DesktopSeam::Install(nullptr);
    return 0;
}

} // namespace WindowBench
