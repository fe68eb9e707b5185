// quillex-bench --big-screens: quillex-render on the largest screens the
// pages allow, each run in a process of its own so that its peak memory is
// its own: a covering grid of 8 x 4 outputs of 4096 x 4096, and a canvas of
// 32768 x 32768 with 16 outputs of 1920 x 1080, both from a 7680 x 2160
// picture shown full screen.

#include "bench/BigScreens.h"

#include "bench/BenchSupport.h"
#include "core/setup/SetupFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>

namespace {

bool WriteCoveringSetup(const QString& i_Path, const QString& i_Picture)
{
    SetupFile::Covering c = CoveringGrid(8, 4, 4096, 4096, 20, 50, "wall");
    c.picturePath = i_Picture;
    return WriteSetupFile(i_Path, &c);
}

bool WriteCanvasSetup(const QString& i_Path, const QString& i_Picture)
{
    SetupFile::Canvas c;
    c.screenH = 32768;
    c.screenV = 32768;
    c.isFullScreen = true;
    c.isCentered = true;
    c.isColorBackground = true;
    c.backgroundColor = Qt::black;
    c.pictureQuality = 50;
    c.outputFilePrefix = "led";
    c.picturePath = i_Picture;
    for (int k = 0; k < 16; ++k) {
        SetupFile::Output output;
        output.id = k;
        output.label = QStringLiteral("out%1").arg(k + 1);
        // Spread over the whole canvas, corners included.
        output.posX = (k % 4) * (32768 - 1920) / 3;
        output.posY = (k / 4) * (32768 - 1080) / 3;
        output.width = 1920;
        output.height = 1080;
        output.color = Qt::red;
        c.outputs << output;
    }
    c.hasOutputSelected = true;
    return WriteSetupFile(i_Path, nullptr, &c);
}

// One screen: the set-up written, quillex-render run on it, its time and
// peak memory told.
int RunOne(const QString& i_Which, const QString& i_Folder)
{
    const QString picture = i_Folder + "/source.png";
    const QString setup = i_Folder + "/" + i_Which + ".dat";
    const bool written = i_Which == "covering" ? WriteCoveringSetup(setup, picture) : WriteCanvasSetup(setup, picture);
    if (!written) {
        std::printf("cannot write the set-up\n");
        return 1;
    }
    const QString out = i_Folder + "/" + i_Which;
    QDir(out).removeRecursively();
    QElapsedTimer timer;
    timer.start();
    QProcess render;
    render.setProcessChannelMode(QProcess::ForwardedChannels);
    render.start(QUILLEX_RENDER, {setup, "--mode", i_Which, "--quiet", "--out", out});
    render.waitForFinished(-1);
    const double ms = timer.nsecsElapsed() / 1e6;
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("  %-9s exit %d, %d files, %.0f ms, peak memory %.0f MB\n", qPrintable(i_Which), render.exitCode(),
                int(QDir(out).entryList(QDir::Files).size()), ms, usage.ru_maxrss / 1024.0);
    return render.exitCode();
}

} // namespace

int RunBigScreens(const QStringList& i_Args)
{
    if (i_Args.size() >= 4)
        return RunOne(i_Args.at(2), i_Args.at(3));
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // A smooth picture with detail in it, saved fast: its content does not
    // change the memory a render takes.
    QImage source(7680, 2160, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(source.scanLine(y));
        for (int x = 0; x < source.width(); ++x)
            line[x] = qRgb(x * 255 / source.width(), y * 255 / source.height(), (x ^ y) & 0xff);
    }
    if (!source.save(dir.filePath("source.png"), "png", 90))
        return 1;
    std::printf("quillex-render on the largest screens, from a 7680 x 2160 picture shown full screen\n");
    std::fflush(stdout);
    for (const char* which : {"covering", "canvas"}) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(), {"--big-screens", which, dir.path()});
        one.waitForFinished(-1);
    }
    return 0;
}
