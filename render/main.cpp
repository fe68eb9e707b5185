// quillex-render: cuts pictures with a set-up saved by KV Quillex, without a
// window: the files are those the window's Save writes for the same set-up
// and picture, or those its "Save test patterns..." writes.

#include "render/RenderRun.h"
#include "core/files/SafeFiles.h"
#include "video/VideoCut.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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
#if defined(__GLIBC__)
    // Frames and output images of the same sizes come and go many times a
    // second: kept in the heap, their memory is reused instead of being
    // handed back and zeroed afresh by the system each time.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
#endif
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillex-render"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Cuts pictures into one PNG per output with a set-up saved by KV Quillex, and videos "
                       "into one video per output, all of one run in sync.\n"
                       "Covering soft edges are blended in, or written as _mask.png files beside the images, "
                       "as the set-up says.\n"
                       "Exit status: 0 all files written, 1 some files not written (or a video read only up to "
                       "damage in it), 2 bad arguments, a set-up or picture that cannot be read, or two files of "
                       "one name, 128 + the signal when interrupted while cutting a video (no partial file "
                       "is left)."));
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
    const QCommandLineOption codec(QStringLiteral("codec"),
                                   QStringLiteral("Videos: h264 (default, .mp4), hevc (.mp4), ffv1 (lossless, .mkv), "
                                                  "prores or hap (.mov); instead of the set-up's."),
                                   QStringLiteral("name"), QStringLiteral("h264"));
    const QCommandLineOption crf(QStringLiteral("crf"),
                                 QStringLiteral("Videos, h264 and hevc: constant rate factor, 0 to 51 (default 18); "
                                                "instead of the set-up's."),
                                 QStringLiteral("n"), QStringLiteral("18"));
    const QCommandLineOption preset(QStringLiteral("preset"),
                                    QStringLiteral("Videos, h264 and hevc: encoder preset (default veryfast)."),
                                    QStringLiteral("name"), QStringLiteral("veryfast"));
    const QCommandLineOption gop(QStringLiteral("gop"),
                                 QStringLiteral("Videos: frames between keyframes (default: one second's worth)."),
                                 QStringLiteral("n"));
    const QCommandLineOption audio(QStringLiteral("audio"),
                                   QStringLiteral("Videos: the source's audio in every output (all, default), in the "
                                                  "first only, or in none; instead of the set-up's."),
                                   QStringLiteral("all|first|none"), QStringLiteral("all"));
    const QCommandLineOption from(QStringLiteral("from"),
                                  QStringLiteral("Videos: start at this time (seconds or hh:mm:ss.mmm); every file "
                                                 "starts with a keyframe, so that segments join by stream copy."),
                                  QStringLiteral("time"));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("Videos: stop before this time."),
                                QStringLiteral("time"));
    parser.addOptions({mode, patterns, image, out, prefix, quality, manifest, jobs, quiet, codec, crf, preset, gop,
                       audio, from, to});
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
    options.video.codec = VideoCut::FindCodec(parser.value(codec));
    if (!options.video.codec)
        return BadArguments(QStringLiteral("--codec %1: not one of %2")
                                .arg(parser.value(codec), VideoCut::CodecNames().join(QStringLiteral(", "))));
    if (!Number(parser.value(crf), 0, 51, options.video.crf))
        return BadArguments(QStringLiteral("--crf %1: not a whole number from 0 to 51").arg(parser.value(crf)));
    const QStringList presets{"ultrafast", "superfast", "veryfast", "faster", "fast",
                              "medium",    "slow",      "slower",   "veryslow", "placebo"};
    options.video.preset = parser.value(preset);
    if (!presets.contains(options.video.preset))
        return BadArguments(QStringLiteral("--preset %1: not one of %2")
                                .arg(options.video.preset, presets.join(QStringLiteral(", "))));
    if (parser.isSet(gop) && !Number(parser.value(gop), 1, 100000, options.video.gop))
        return BadArguments(QStringLiteral("--gop %1: not a whole number from 1 to 100000").arg(parser.value(gop)));
    const QString audioText = parser.value(audio);
    if (audioText == QLatin1String("all"))
        options.video.audio = VideoCut::Audio::All;
    else if (audioText == QLatin1String("first"))
        options.video.audio = VideoCut::Audio::First;
    else if (audioText == QLatin1String("none"))
        options.video.audio = VideoCut::Audio::None;
    else
        return BadArguments(QStringLiteral("--audio %1: not all, first or none").arg(audioText));
    if (parser.isSet(from) && !VideoCut::ParseTime(parser.value(from), options.video.from))
        return BadArguments(QStringLiteral("--from %1: not a time in seconds or hh:mm:ss.mmm").arg(parser.value(from)));
    if (parser.isSet(to) && !VideoCut::ParseTime(parser.value(to), options.video.to))
        return BadArguments(QStringLiteral("--to %1: not a time in seconds or hh:mm:ss.mmm").arg(parser.value(to)));
    if (parser.isSet(to) && options.video.to <= qMax(0.0, options.video.from))
        return BadArguments(QStringLiteral("--to %1: not after --from").arg(parser.value(to)));
    options.codecGiven = parser.isSet(codec);
    options.crfGiven = parser.isSet(crf);
    options.audioGiven = parser.isSet(audio);
    options.manifestPath = parser.value(manifest);
    options.quiet = parser.isSet(quiet);
    return RunRender(options);
}
