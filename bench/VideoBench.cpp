// quillex-bench --video: quillex-render cutting a 10-second 3840 x 2160,
// 30 fps H.264 clip into 2 x 2 outputs of 1920 x 1080 (libx264, veryfast,
// CRF 18), against the ffmpeg command that does the same job (one split,
// four crops, four encoders); then the same cut with soft edges blended in
// overlaps, and the peak memory of a 10-second and a 60-second clip. Each
// render runs in a process of its own, so that its peak memory is its own.

#include "bench/VideoBench.h"

#include "bench/BenchSupport.h"
#include "core/setup/SetupFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

#include <sys/resource.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr int kRate = 30;

bool Drain(AVCodecContext* i_Codec, AVFrame* i_Frame, AVFormatContext* i_Muxer, AVStream* i_Stream)
{
    if (avcodec_send_frame(i_Codec, i_Frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    int status = 0;
    while ((status = avcodec_receive_packet(i_Codec, packet)) == 0) {
        av_packet_rescale_ts(packet, i_Codec->time_base, i_Stream->time_base);
        packet->stream_index = i_Stream->index;
        if (av_interleaved_write_frame(i_Muxer, packet) < 0)
            status = AVERROR(EIO);
    }
    av_packet_free(&packet);
    return status == AVERROR(EAGAIN) || status == AVERROR_EOF;
}

// A clip with motion everywhere (moving gradients and a moving grid of
// blocks), so that the encoders have real work, made fast with libx264.
bool MakeClip(const QString& i_Path, int i_Seconds)
{
    AVFormatContext* muxer = nullptr;
    const QByteArray path = QFile::encodeName(i_Path);
    if (avformat_alloc_output_context2(&muxer, nullptr, "mp4", path.constData()) < 0)
        return false;
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    AVCodecContext* encoder = codec ? avcodec_alloc_context3(codec) : nullptr;
    AVStream* stream = avformat_new_stream(muxer, nullptr);
    bool ok = encoder && stream;
    if (ok) {
        encoder->width = kWidth;
        encoder->height = kHeight;
        encoder->pix_fmt = AV_PIX_FMT_YUV420P;
        encoder->time_base = AVRational{1, kRate};
        encoder->framerate = AVRational{kRate, 1};
        encoder->gop_size = kRate;
        if (muxer->oformat->flags & AVFMT_GLOBALHEADER)
            encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set(encoder->priv_data, "preset", "ultrafast", 0);
        av_opt_set(encoder->priv_data, "crf", "18", 0);
        ok = avcodec_open2(encoder, codec, nullptr) >= 0
            && avcodec_parameters_from_context(stream->codecpar, encoder) >= 0;
        stream->time_base = encoder->time_base;
    }
    ok = ok && avio_open(&muxer->pb, path.constData(), AVIO_FLAG_WRITE) >= 0
        && avformat_write_header(muxer, nullptr) >= 0;
    AVFrame* frame = av_frame_alloc();
    for (int n = 0; ok && n < i_Seconds * kRate; ++n) {
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = kWidth;
        frame->height = kHeight;
        ok = av_frame_get_buffer(frame, 0) >= 0;
        for (int p = 0; ok && p < 3; ++p) {
            const int w = p ? kWidth / 2 : kWidth;
            const int h = p ? kHeight / 2 : kHeight;
            for (int y = 0; y < h; ++y) {
                uint8_t* line = frame->data[p] + y * frame->linesize[p];
                for (int x = 0; x < w; ++x) {
                    const int block = ((x + 4 * n) / 64 + (y + 2 * n) / 64) & 1;
                    line[x] = uint8_t(p == 0 ? 32 + ((x + y + 3 * n) & 127) + 64 * block
                                             : 128 + ((p == 1 ? x + n : y - n) & 63) - 32);
                }
            }
        }
        frame->pts = n;
        ok = ok && Drain(encoder, frame, muxer, stream);
        av_frame_unref(frame);
    }
    ok = ok && Drain(encoder, nullptr, muxer, stream) && av_write_trailer(muxer) >= 0;
    av_frame_free(&frame);
    avcodec_free_context(&encoder);
    avio_closep(&muxer->pb);
    avformat_free_context(muxer);
    return ok;
}

// 2 x 2 outputs of 1920 x 1080 over the clip: without soft edges the screen
// is the clip, pixel for pixel; with them, 128-pixel overlaps blended, the
// clip scaled to the covered screen.
bool WriteSetup(const QString& i_Path, bool i_SoftEdges)
{
    SetupFile::Covering c = CoveringGrid(2, 2, 1920, 1080, i_SoftEdges ? 128 : 0, 100, "wall");
    c.isSoftEdge = i_SoftEdges;
    return WriteSetupFile(i_Path, &c);
}

// Runs a command, waits, and gives its wall time in seconds; negative when
// it fails.
double Time(const QString& i_Program, const QStringList& i_Arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(i_Program, i_Arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e9;
}

QStringList RenderArguments(const QString& i_Setup, const QString& i_Clip, const QString& i_Out)
{
    return {i_Setup, "--image",  i_Clip,     "--mode",  "covering", "--codec", "h264",  "--crf",
            "18",    "--preset", "veryfast", "--audio", "none",     "--quiet", "--out", i_Out};
}

// In a process of its own: one render, its time and peak memory.
int RunOne(const QStringList& i_Args)
{
    const QString setup = i_Args.value(3), clip = i_Args.value(4), out = i_Args.value(5);
    QDir(out).removeRecursively();
    const double seconds = Time(QUILLEX_RENDER, RenderArguments(setup, clip, out));
    rusage usage;
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("%.3f %ld\n", seconds, usage.ru_maxrss);
    return seconds < 0;
}

struct Run
{
    double seconds = -1;
    double peakMb = 0;
};

Run Measure(const QString& i_Setup, const QString& i_Clip, const QString& i_Out)
{
    QProcess one;
    one.start(QCoreApplication::applicationFilePath(), {"--video", "--one", i_Setup, i_Clip, i_Out});
    one.waitForFinished(-1);
    const QList<QByteArray> fields = one.readAllStandardOutput().trimmed().split(' ');
    Run run;
    if (fields.size() == 2) {
        run.seconds = fields[0].toDouble();
        run.peakMb = fields[1].toDouble() / 1024.0;
    }
    return run;
}

} // namespace

int RunVideo(const QStringList& i_Args)
{
    if (i_Args.value(2) == "--one")
        return RunOne(i_Args);
    const int runs = qMax(1, i_Args.value(2).toInt());
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString clip = dir.filePath("clip.mp4");
    av_log_set_level(AV_LOG_ERROR);
    std::printf("KV Quillex video benchmark\n");
    std::fflush(stdout);
    QElapsedTimer made;
    made.start();
    if (!MakeClip(clip, 10)) {
        std::printf("cannot make the clip (is libx264 there?)\n");
        return 1;
    }
    std::printf("clip: 10 s of 3840 x 2160 at 30 fps, H.264, made in %.1f s\n", made.nsecsElapsed() / 1e9);
    const QString plain = dir.filePath("plain.dat");
    const QString soft = dir.filePath("soft.dat");
    if (!WriteSetup(plain, false) || !WriteSetup(soft, true))
        return 1;

    std::vector<double> ours, blended, theirs;
    double peak = 0;
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    // ffmpeg's own job: the same outputs, codec, quality, speed and keyframes.
    QStringList command{"-v",
                        "error",
                        "-y",
                        "-i",
                        clip,
                        "-filter_complex",
                        "[0:v]split=4[a][b][c][d];[a]crop=1920:1080:0:0[o0];[b]crop=1920:1080:0:1080[o1];"
                        "[c]crop=1920:1080:1920:0[o2];[d]crop=1920:1080:1920:1080[o3]"};
    for (int k = 0; k < 4; ++k)
        command << "-map" << QStringLiteral("[o%1]").arg(k) << "-c:v"
                << "libx264"
                << "-preset"
                << "veryfast"
                << "-crf"
                << "18"
                << "-g"
                << "30"
                << "-keyint_min"
                << "30"
                << "-sc_threshold"
                << "0"
                << "-pix_fmt"
                << "yuv420p"
                << "-an" << dir.filePath(QStringLiteral("ffmpeg_%1.mp4").arg(k));
    for (int r = 0; r < runs; ++r) {
        const Run run = Measure(plain, clip, dir.filePath("ours"));
        ours.push_back(run.seconds);
        peak = qMax(peak, run.peakMb);
        blended.push_back(Measure(soft, clip, dir.filePath("soft")).seconds);
        if (!ffmpeg.isEmpty())
            theirs.push_back(Time(ffmpeg, command));
    }
    std::printf("2 x 2 outputs of 1920 x 1080, libx264 veryfast CRF 18, keyframes every 30 frames; %d runs, medians\n",
                runs);
    std::printf("  quillex-render                   %6.1f s, peak memory %.0f MB\n", Median(ours), peak);
    std::printf("  with soft edges (128 px overlaps) %5.1f s = %.2f x without (target <= 1.3)\n", Median(blended),
                Median(blended) / Median(ours));
    if (ffmpeg.isEmpty())
        std::printf("  ffmpeg: not installed, comparison skipped\n");
    else
        std::printf("  ffmpeg, split and four crops     %6.1f s; quillex-render / ffmpeg = %.2f (target <= 1.0)\n",
                    Median(theirs), Median(ours) / Median(theirs));

    // Memory stays flat whatever the length.
    const QString longClip = dir.filePath("long.mp4");
    if (MakeClip(longClip, 60)) {
        const Run longRun = Measure(plain, longClip, dir.filePath("long"));
        std::printf("  60-second clip: %.1f s, peak memory %.0f MB (10-second clip: %.0f MB)\n", longRun.seconds,
                    longRun.peakMb, peak);
    }
    return 0;
}
