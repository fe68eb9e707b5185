// quillex-render: cuts pictures with a set-up saved by KV Quillex, without a
// window: the files are those the window's Save writes for the same set-up
// and picture, or those its "Save test patterns..." writes.

#include "render/RenderRun.h"
#include "core/files/SafeFiles.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

int BadArguments(const QString& i_Text)
{
    // Arguments are shown as typed, but a control character in one must not
    // drive the terminal.
    const QByteArray line = (QStringLiteral("quillex-render: ") + SafeFiles::Printable(i_Text)
                             + QStringLiteral("\nTry 'quillex-render --help'.\n"))
                                .toLocal8Bit();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    return StatusBadInput;
}

// A whole number in [i_Min, i_Max], or false.
bool Number(const QString& i_Text, int i_Min, int i_Max, int& o_Value)
{
    bool ok = false;
    o_Value = i_Text.toInt(&ok);
    return ok && o_Value >= i_Min && o_Value <= i_Max;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillex-render"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Cuts pictures into one PNG per output with a set-up saved by KV Quillex.\n"
                       "Covering soft edges are blended in, or written as _mask.png files beside the images, "
                       "as the set-up says.\n"
                       "Exit status: 0 all files written, 1 some files not written, "
                       "2 bad arguments, a set-up or picture that cannot be read, or two files of one name."));
    const QCommandLineOption mode(QStringLiteral("mode"),
                                  QStringLiteral("Outputs to render: covering, canvas or both (default)."),
                                  QStringLiteral("covering|canvas|both"), QStringLiteral("both"));
    const QCommandLineOption image(QStringLiteral("image"),
                                   QStringLiteral("Render this picture instead of the set-up's; repeatable; a folder "
                                                  "means every picture in it. With several pictures, each one's "
                                                  "files go into a folder named after it under --out, numbered "
                                                  "when another picture's name gives the same folder."),
                                   QStringLiteral("path"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Folder for the files (default: the current folder), created when "
                                                "missing."),
                                 QStringLiteral("dir"), QStringLiteral("."));
    const QCommandLineOption prefix(
        QStringLiteral("prefix"), QStringLiteral("File name prefix instead of the set-up's."), QStringLiteral("text"));
    const QCommandLineOption quality(QStringLiteral("quality"),
                                     QStringLiteral("Picture quality, 50 to 100, instead of the set-up's."),
                                     QStringLiteral("n"));
    const QCommandLineOption manifest(QStringLiteral("manifest"),
                                      QStringLiteral("Write a JSON manifest of every file written, masks and patterns "
                                                     "included."),
                                      QStringLiteral("file"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), QStringLiteral("Encoding threads (default: all cores)."),
                                  QStringLiteral("n"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("No progress and no notes."));
    const QCommandLineOption patterns(QStringLiteral("patterns"),
                                      QStringLiteral("Write each output's line-up pattern (_pattern.png) instead "
                                                     "of its picture; needs no picture."));
    parser.addOptions({mode, patterns, image, out, prefix, quality, manifest, jobs, quiet});
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("SETUP.dat"), QStringLiteral("A set-up saved by KV Quillex."));

    if (!parser.parse(QCoreApplication::arguments()))
        return BadArguments(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return StatusDone;
    }
    if (parser.isSet(version)) {
        std::printf("quillex-render %s\n", QUILLEX_VERSION);
        return StatusDone;
    }

    RenderOptions options;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return BadArguments(positional.isEmpty() ? QStringLiteral("no set-up file given")
                                                 : QStringLiteral("one set-up file at a time"));
    options.setupPath = positional.first();
    const QString modeText = parser.value(mode);
    if (modeText != QLatin1String("both") && modeText != QLatin1String("covering")
        && modeText != QLatin1String("canvas"))
        return BadArguments(QStringLiteral("--mode %1: not covering, canvas or both").arg(modeText));
    options.covering = modeText != QLatin1String("canvas");
    options.canvas = modeText != QLatin1String("covering");
    options.patterns = parser.isSet(patterns);
    if (options.patterns && parser.isSet(image))
        return BadArguments(QStringLiteral("--patterns draws no picture: leave out --image"));
    QString problem;
    if (!ExpandPictures(parser.values(image), options.images, problem))
        return BadArguments(problem);
    options.outFolder = parser.value(out);
    if (options.outFolder.isEmpty())
        return BadArguments(QStringLiteral("--out: an empty folder name"));
    options.hasPrefix = parser.isSet(prefix);
    options.prefix = parser.value(prefix);
    if (parser.isSet(quality) && !Number(parser.value(quality), 50, 100, options.quality))
        return BadArguments(
            QStringLiteral("--quality %1: not a whole number from 50 to 100").arg(parser.value(quality)));
    if (parser.isSet(jobs) && !Number(parser.value(jobs), 1, 1024, options.jobs))
        return BadArguments(QStringLiteral("--jobs %1: not a whole number from 1 to 1024").arg(parser.value(jobs)));
    options.manifestPath = parser.value(manifest);
    options.quiet = parser.isSet(quiet);
    return RunRender(options);
}
