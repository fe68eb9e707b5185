#include "video/VideoCut.h"

#include "core/files/FileKinds.h"
#include "core/files/SafeFiles.h"
#include "video/AacAudio.h"
#include "video/Ffmpeg.h"
#include "video/VideoOpen.h"
#include "video/VideoWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <deque>
#include <thread>
#include <vector>

namespace Ffmpeg {

void SetColours(SwsContext* i_Scaler, AVColorSpace i_Space, AVColorRange i_FromRange, AVColorRange i_ToRange,
                bool i_FromRgb, bool i_ToRgb)
{
    const int* table = sws_getCoefficients(i_Space);
    const int fromFull = i_FromRgb || i_FromRange == AVCOL_RANGE_JPEG;
    const int toFull = i_ToRgb || i_ToRange == AVCOL_RANGE_JPEG;
    sws_setColorspaceDetails(i_Scaler, table, fromFull, table, toFull, 0, 1 << 16, 1 << 16);
}

} // namespace Ffmpeg

namespace VideoCut {

namespace {

const Codec kCodecs[] = {
    {"h264", "libx264", "mp4", "mp4", true},    {"hevc", "libx265", "mp4", "mp4", true},
    {"ffv1", "ffv1", "matroska", "mkv", false}, {"prores", "prores_ks", "mov", "mov", false},
    {"hap", "hap", "mov", "mov", false},
};

// How an output's frames are made.
enum class Way
{
    Crop,        // the source's frame, cropped: no conversion at all
    CropConvert, // cropped, then converted to the encoder's pixel format
    Compose      // through the set-up's geometry, as a still picture
};

bool Supports(const AVCodec* i_Encoder, AVPixelFormat i_Format)
{
    if (!i_Encoder || !i_Encoder->pix_fmts)
        return false;
    for (const AVPixelFormat* format = i_Encoder->pix_fmts; *format != AV_PIX_FMT_NONE; ++format)
        if (*format == i_Format)
            return true;
    return false;
}

// The pixel format an output is encoded in: what each codec is played in,
// except that the lossless one keeps the source's.
AVPixelFormat EncoderFormat(const Codec& i_Codec, const AVCodec* i_Encoder, AVPixelFormat i_Source, const QSize& i_Size)
{
    const QByteArray name(i_Codec.name);
    AVPixelFormat format = AV_PIX_FMT_YUV420P;
    AVPixelFormat full = AV_PIX_FMT_YUV444P;
    if (name == "ffv1")
        format = Supports(i_Encoder, i_Source) ? i_Source : AV_PIX_FMT_YUV444P;
    else if (name == "prores")
        format = AV_PIX_FMT_YUV422P10, full = AV_PIX_FMT_YUV444P10;
    else if (name == "hap")
        format = AV_PIX_FMT_RGBA;
    // Subsampled chroma needs sizes it divides.
    const AVPixFmtDescriptor* described = av_pix_fmt_desc_get(format);
    if ((i_Size.width() % (1 << described->log2_chroma_w) || i_Size.height() % (1 << described->log2_chroma_h))
        && Supports(i_Encoder, full))
        format = full;
    return format;
}

// A picture of the frame's size whose every pixel tells its column (or its
// row), counted from 1: put through the geometry, it shows which pixel of
// the source each pixel of an output comes from, and whether it comes
// untouched.
QImage Numbered(const QSize& i_Size, bool i_Rows)
{
    QImage image(i_Size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < i_Size.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < i_Size.width(); ++x)
            line[x] = 0xff000000u | uint((i_Rows ? y : x) + 1);
    }
    return image;
}

// Where in the source an output's pixels come from one to one, or false
// when any of them is scaled, blended or background.
bool OneToOne(const QImage& i_Columns, const QImage& i_Rows, QPoint& o_At)
{
    if (i_Columns.isNull() || i_Rows.isNull() || i_Columns.size() != i_Rows.size())
        return false;
    const QImage columns = i_Columns.convertToFormat(QImage::Format_ARGB32);
    const QImage rows = i_Rows.convertToFormat(QImage::Format_ARGB32);
    const int x0 = int(columns.pixel(0, 0) & 0xffffffu) - 1;
    const int y0 = int(rows.pixel(0, 0) & 0xffffffu) - 1;
    for (int y = 0; y < columns.height(); ++y) {
        const QRgb* c = reinterpret_cast<const QRgb*>(columns.constScanLine(y));
        const QRgb* r = reinterpret_cast<const QRgb*>(rows.constScanLine(y));
        for (int x = 0; x < columns.width(); ++x)
            if (c[x] != (0xff000000u | uint(x0 + x + 1)) || r[x] != (0xff000000u | uint(y0 + y + 1)))
                return false;
    }
    o_At = QPoint(x0, y0);
    return true;
}

// The libraries' own chatter would break into the progress line, and
// guessing at files that are not videos is no news.
void Quiet()
{
    av_log_set_level(AV_LOG_FATAL);
}

int Cores(const Options& i_Options)
{
    return i_Options.threads > 0 ? i_Options.threads : std::max(1, int(std::thread::hardware_concurrency()));
}

} // namespace

bool Open(const QString& i_Path, int i_Threads, Opened& o_Opened, QString& o_Problem)
{
    AVFormatContext* input = nullptr;
    int code = avformat_open_input(&input, QFile::encodeName(i_Path).constData(), nullptr, nullptr);
    if (code < 0) {
        o_Problem = QStringLiteral("not a video the FFmpeg libraries read (%1)").arg(Ffmpeg::Error(code));
        return false;
    }
    o_Opened.input.reset(input);
    code = avformat_find_stream_info(input, nullptr);
    if (code < 0) {
        o_Problem = QStringLiteral("not a video the FFmpeg libraries read (%1)").arg(Ffmpeg::Error(code));
        return false;
    }
    o_Opened.streams = input->nb_streams > 0;
    const AVCodec* codec = nullptr;
    o_Opened.video = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (o_Opened.video == AVERROR_DECODER_NOT_FOUND) {
        o_Problem = QStringLiteral("no decoder for its video in the FFmpeg libraries here");
        return false;
    }
    const AVStream* stream = o_Opened.video >= 0 ? input->streams[o_Opened.video] : nullptr;
    if (!stream || stream->codecpar->width <= 0 || stream->codecpar->height <= 0
        || (stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        o_Problem = QStringLiteral("no video stream in this file");
        return false;
    }
    o_Opened.decoder.reset(avcodec_alloc_context3(codec));
    if (!o_Opened.decoder || avcodec_parameters_to_context(o_Opened.decoder.get(), stream->codecpar) < 0) {
        o_Problem = QStringLiteral("out of memory");
        return false;
    }
    o_Opened.decoder->thread_count = i_Threads;
    o_Opened.decoder->pkt_timebase = stream->time_base;
    code = avcodec_open2(o_Opened.decoder.get(), codec, nullptr);
    if (code < 0) {
        o_Problem = QStringLiteral("its video cannot be decoded (%1)").arg(Ffmpeg::Error(code));
        return false;
    }
    return true;
}

AVRational Rate(AVFormatContext* i_Input, AVStream* i_Stream)
{
    const AVRational rate = av_guess_frame_rate(i_Input, i_Stream, nullptr);
    return rate.num > 0 && rate.den > 0 ? rate : AVRational{25, 1};
}

double Duration(const AVFormatContext* i_Input, const AVStream* i_Stream)
{
    if (i_Stream->duration > 0)
        return double(i_Stream->duration) * av_q2d(i_Stream->time_base);
    return i_Input->duration > 0 ? double(i_Input->duration) / AV_TIME_BASE : 0;
}

QString Clock(double i_Seconds)
{
    const qint64 ms = qRound64(i_Seconds * 1000);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

const Codec* FindCodec(const QString& i_Name)
{
    for (const Codec& codec : kCodecs)
        if (i_Name == QLatin1String(codec.name))
            return &codec;
    return nullptr;
}

QStringList CodecNames()
{
    QStringList names;
    for (const Codec& codec : kCodecs)
        names << QLatin1String(codec.name);
    return names;
}

QString FileName(const QString& i_Still, const Codec& i_Codec)
{
    const QString png = QStringLiteral(".png");
    const QString base = i_Still.endsWith(png) ? i_Still.left(i_Still.size() - png.size()) : i_Still;
    return base + QLatin1Char('.') + QLatin1String(i_Codec.extension);
}

bool IsVideo(const QString& i_Path)
{
    if (!SafeFiles::ReadableFileProblem(i_Path).isEmpty() || QImageReader(i_Path).canRead())
        return false;
    Source source;
    QString problem;
    if (Probe(i_Path, source, problem) || source.media)
        return true;
    return FileKinds::Of(i_Path) == FileKinds::Kind::Video;
}

bool ParseTime(const QString& i_Text, double& o_Seconds)
{
    static const QRegularExpression pattern(QStringLiteral("^(?:(?:(\\d+):)?(\\d+):)?(\\d+(?:\\.\\d+)?)$"));
    const QRegularExpressionMatch match = pattern.match(i_Text);
    if (!match.hasMatch())
        return false;
    o_Seconds = match.captured(1).toDouble() * 3600 + match.captured(2).toDouble() * 60 + match.captured(3).toDouble();
    return std::isfinite(o_Seconds);
}

bool Probe(const QString& i_Path, Source& o_Source, QString& o_Problem)
{
    Quiet();
    Opened opened;
    const bool video = Open(i_Path, 1, opened, o_Problem);
    o_Source.media = opened.streams;
    if (!video)
        return false;
    AVStream* stream = opened.input->streams[opened.video];
    o_Source.size = QSize(stream->codecpar->width, stream->codecpar->height);
    o_Source.rate = av_q2d(Rate(opened.input.get(), stream));
    o_Source.duration = Duration(opened.input.get(), stream);
    o_Source.audio = av_find_best_stream(opened.input.get(), AVMEDIA_TYPE_AUDIO, -1, opened.video, nullptr, 0) >= 0;
    return true;
}

Result Cut(const QString& i_Source, const FrameRender& i_Render, const QList<Output>& i_Outputs,
           const Options& i_Options, const ProgressFn& i_Progress, const NoteFn& i_Note)
{
    Result result;
    Quiet();
    const int cores = Cores(i_Options);
    Opened opened;
    if (!Open(i_Source, cores, opened, result.problem))
        return result;
    AVFormatContext* input = opened.input.get();
    AVStream* stream = input->streams[opened.video];
    AVCodecContext* decoder = opened.decoder.get();
    const AVRational rate = Rate(input, stream);
    const AVRational timeBase = stream->time_base;
    const QSize size(stream->codecpar->width, stream->codecpar->height);
    const AVPixelFormat sourceFormat = AVPixelFormat(stream->codecpar->format);
    const int64_t frameLength = std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), timeBase));
    const int gop = i_Options.gop > 0 ? i_Options.gop : std::max(1, int(std::lround(av_q2d(rate))));
    const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    const auto at = [&](double i_Seconds) { return start + int64_t(std::llround(i_Seconds / av_q2d(timeBase))); };
    // A frame belongs to a segment when it starts in it, give or take half
    // a frame for rounding.
    const int64_t halfFrame = frameLength / 2;
    const bool fromSet = i_Options.from > 0;
    const bool toSet = i_Options.to >= 0;
    const int64_t fromPts = fromSet ? at(i_Options.from) - halfFrame : 0;
    const int64_t toPts = toSet ? at(i_Options.to) - halfFrame : 0;
    const double duration = Duration(input, stream);
    const double end = i_Options.to >= 0 && (duration <= 0 || i_Options.to < duration) ? i_Options.to : duration;
    const qint64 total = end > 0 ? qMax<qint64>(0, qRound64((end - qMax(0.0, i_Options.from)) * av_q2d(rate))) : 0;

    // Which pixels of the source each output shows, told by the geometry
    // itself on numbered pictures.
    SetupRender::Render columns;
    SetupRender::Render rows;
    if (!i_Render(Numbered(size, false), columns) || !i_Render(Numbered(size, true), rows)) {
        result.problem = columns.error.isEmpty() ? rows.error : columns.error;
        if (result.problem.isEmpty())
            result.problem = QStringLiteral("out of memory");
        return result;
    }

    const AVCodec* encoder = avcodec_find_encoder_by_name(i_Options.codec->encoder);
    const AVPixFmtDescriptor* sourceDescription = av_pix_fmt_desc_get(sourceFormat);
    int audio = -1;
    if (i_Options.audio != Audio::None)
        audio = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, opened.video, nullptr, 0);
    const AVStream* audioStream = audio >= 0 ? input->streams[audio] : nullptr;
    // Audio the container does not take as it is becomes AAC, encoded once
    // for every output.
    const AVOutputFormat* container = av_guess_format(i_Options.codec->muxer, nullptr, nullptr);
    std::unique_ptr<AacAudio> aac;
    if (audioStream && avformat_query_codec(container, audioStream->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1) {
        QString problem;
        aac = std::make_unique<AacAudio>();
        if (!aac->Open(audioStream, container->flags & AVFMT_GLOBALHEADER, problem)) {
            i_Note(QStringLiteral("%1: audio left out: %2").arg(i_Source, problem));
            audioStream = nullptr;
            aac.reset();
        }
    }

    const int count = i_Outputs.size();
    std::vector<std::unique_ptr<VideoWriter>> writers;
    std::vector<Way> ways;
    std::vector<QRect> crops;
    std::vector<bool> withAudio;
    for (int k = 0; k < count; ++k) {
        const Output& output = i_Outputs.at(k);
        const QImage shown = columns.Image(output.file);
        QPoint from;
        VideoWriter::Setup setup;
        setup.path = output.path;
        const QFileInfo info(output.path);
        setup.temporary = info.dir().filePath(QStringLiteral(".%1.part").arg(info.fileName()));
        setup.codec = i_Options.codec;
        setup.crf = i_Options.crf;
        setup.preset = i_Options.preset;
        setup.gop = gop;
        setup.threads = std::max(1, cores / count);
        setup.size = shown.size();
        setup.file = output.file;
        setup.format = EncoderFormat(*i_Options.codec, encoder, sourceFormat, setup.size);
        setup.timeBase = timeBase;
        setup.rate = rate;
        setup.space = stream->codecpar->color_space;
        setup.range = stream->codecpar->color_range;
        setup.primaries = stream->codecpar->color_primaries;
        setup.transfer = stream->codecpar->color_trc;
        if (setup.format != sourceFormat && (av_pix_fmt_desc_get(setup.format)->flags & AV_PIX_FMT_FLAG_RGB))
            setup.range = AVCOL_RANGE_JPEG;
        const bool audioHere = audioStream && (i_Options.audio == Audio::All || k == 0);
        if (audioHere) {
            setup.audio = aac ? aac->Parameters() : audioStream->codecpar;
            setup.audioTimeBase = aac ? aac->TimeBase() : audioStream->time_base;
        }
        setup.hash = i_Options.hash;

        Way way = Way::Compose;
        QString why = QStringLiteral("its pixels are scaled, blended or background");
        if (OneToOne(shown, rows.Image(output.file), from)) {
            const bool subsampled = sourceDescription && !(sourceDescription->flags & AV_PIX_FMT_FLAG_HWACCEL)
                && !(sourceDescription->flags & AV_PIX_FMT_FLAG_BITSTREAM);
            const int chromaW = sourceDescription ? 1 << sourceDescription->log2_chroma_w : 1;
            const int chromaH = sourceDescription ? 1 << sourceDescription->log2_chroma_h : 1;
            if (!subsampled)
                why = QStringLiteral("the source's pixels cannot be cropped in place");
            else if (from.x() % chromaW || from.y() % chromaH)
                why = QStringLiteral("its place in the source is at an odd pixel, which %1 video cannot be cut at")
                          .arg(av_get_pix_fmt_name(sourceFormat));
            else {
                way = setup.format == sourceFormat ? Way::Crop : Way::CropConvert;
                why = QStringLiteral("%1 pictures are encoded as %2")
                          .arg(av_get_pix_fmt_name(sourceFormat), av_get_pix_fmt_name(setup.format));
            }
        }
        if (way != Way::Crop)
            i_Note(QStringLiteral("%1: converted, as %2").arg(info.fileName(), why));
        ways.push_back(way);
        crops.push_back(QRect(from, setup.size));
        withAudio.push_back(audioHere);
        auto writer = std::make_unique<VideoWriter>();
        if (!writer->Open(setup)) {
            writer->Abort();
            result.outputs << writer->Result();
            writer.reset();
        } else {
            result.outputs << Written();
        }
        writers.push_back(std::move(writer));
    }
    const auto each = [&](const std::function<void(int, VideoWriter&)>& i_Do) {
        for (int k = 0; k < count; ++k)
            if (writers[size_t(k)])
                i_Do(k, *writers[size_t(k)]);
    };
    bool composing = false;
    each([&](int k, VideoWriter&) { composing = composing || ways[size_t(k)] == Way::Compose; });

    if (fromSet) {
        const int code = av_seek_frame(input, opened.video, fromPts, AVSEEK_FLAG_BACKWARD);
        if (code < 0)
            i_Note(QStringLiteral("%1: cannot seek (%2); reading from the start").arg(i_Source, Ffmpeg::Error(code)));
    }

    Ffmpeg::Packet packet(av_packet_alloc());
    Ffmpeg::Frame frame(av_frame_alloc());
    Ffmpeg::Scaler toRgb;
    std::deque<Ffmpeg::Packet> waitingAudio; // until the first frame sets the start
    bool started = false;
    bool finished = false;
    int64_t offset = 0;
    int64_t lastPts = AV_NOPTS_VALUE;
    int64_t reached = start; // the end of the last frame sent
    qint64 kept = 0;
    const double audioTo = toSet ? av_q2d(timeBase) * double(toPts) : INFINITY;

    const std::function<void(Ffmpeg::Packet)> copyAudio = [&](Ffmpeg::Packet i_Packet) {
        each([&](int k, VideoWriter& writer) {
            if (!withAudio[size_t(k)])
                return;
            VideoWriter::Item item;
            item.audio.reset(av_packet_clone(i_Packet.get()));
            if (item.audio)
                writer.Push(std::move(item));
        });
    };
    const auto sendAudio = [&](Ffmpeg::Packet i_Packet) {
        const AVRational audioBase = audioStream->time_base;
        const int64_t shift = av_rescale_q(offset, timeBase, audioBase);
        if (i_Packet->pts == AV_NOPTS_VALUE || i_Packet->pts < shift)
            return;
        i_Packet->pts -= shift;
        if (i_Packet->dts != AV_NOPTS_VALUE)
            i_Packet->dts -= shift;
        if (aac)
            aac->Feed(i_Packet.get(), copyAudio);
        else
            copyAudio(std::move(i_Packet));
    };
    // Sends one decoded frame to every output; false once past --to.
    const auto sendFrame = [&](AVFrame* i_Frame) {
        int64_t pts = i_Frame->best_effort_timestamp;
        if (pts == AV_NOPTS_VALUE)
            pts = lastPts == AV_NOPTS_VALUE ? start : lastPts + frameLength;
        lastPts = pts;
        if (fromSet && pts < fromPts)
            return true;
        if (toSet && pts >= toPts)
            return false;
        if (i_Frame->width != size.width() || i_Frame->height != size.height() || i_Frame->format != sourceFormat) {
            result.damage = QStringLiteral("the frames change size or format");
            return false;
        }
        if (!started) {
            started = true;
            offset = pts;
            while (!waitingAudio.empty()) {
                sendAudio(std::move(waitingAudio.front()));
                waitingAudio.pop_front();
            }
        }
        std::shared_ptr<SetupRender::Render> render;
        if (composing) {
            QImage rgb(size, QImage::Format_RGB32);
            toRgb.reset(sws_getCachedContext(toRgb.release(), size.width(), size.height(), sourceFormat, size.width(),
                                             size.height(), AV_PIX_FMT_BGRA, Ffmpeg::kConversionFlags, nullptr, nullptr,
                                             nullptr));
            render = std::make_shared<SetupRender::Render>();
            if (rgb.isNull() || !toRgb) {
                result.damage = QStringLiteral("out of memory");
                return false;
            }
            Ffmpeg::SetColours(toRgb.get(), stream->codecpar->color_space, i_Frame->color_range, AVCOL_RANGE_JPEG,
                               false, true);
            uint8_t* planes[4] = {rgb.bits(), nullptr, nullptr, nullptr};
            int strides[4] = {int(rgb.bytesPerLine()), 0, 0, 0};
            sws_scale(toRgb.get(), i_Frame->data, i_Frame->linesize, 0, size.height(), planes, strides);
            if (!i_Render(rgb, *render)) {
                result.damage = render->error;
                return false;
            }
        }
        const bool key = kept % gop == 0;
        each([&](int k, VideoWriter& writer) {
            VideoWriter::Item item;
            item.pts = pts - offset;
            item.key = key;
            if (ways[size_t(k)] == Way::Compose) {
                item.render = render;
            } else {
                const QRect crop = crops[size_t(k)];
                item.frame.reset(av_frame_clone(i_Frame));
                if (!item.frame)
                    return;
                item.frame->crop_left = size_t(crop.left());
                item.frame->crop_top = size_t(crop.top());
                item.frame->crop_right = size_t(size.width() - crop.right() - 1);
                item.frame->crop_bottom = size_t(size.height() - crop.bottom() - 1);
                av_frame_apply_cropping(item.frame.get(), AV_FRAME_CROP_UNALIGNED);
            }
            writer.Push(std::move(item));
        });
        ++kept;
        reached = pts + frameLength;
        if (i_Progress)
            i_Progress(kept, total);
        return true;
    };
    const auto receive = [&]() {
        for (;;) {
            const int code = avcodec_receive_frame(decoder, frame.get());
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                return true;
            if (code < 0) {
                result.damage = QStringLiteral("a frame cannot be decoded (%1)").arg(Ffmpeg::Error(code));
                return false;
            }
            if ((frame->flags & AV_FRAME_FLAG_CORRUPT) || frame->decode_error_flags) {
                result.damage = QStringLiteral("a damaged frame");
                return false;
            }
            const bool more = sendFrame(frame.get());
            av_frame_unref(frame.get());
            if (!more) {
                finished = true;
                return false;
            }
        }
    };

    for (;;) {
        if (i_Options.stop && i_Options.stop->load()) {
            result.interrupted = true;
            break;
        }
        const int code = av_read_frame(input, packet.get());
        if (code == AVERROR_EOF) {
            avcodec_send_packet(decoder, nullptr);
            receive();
            break;
        }
        if (code < 0) {
            result.damage = QStringLiteral("the file cannot be read further (%1)").arg(Ffmpeg::Error(code));
            break;
        }
        if (packet->stream_index == opened.video) {
            if (packet->flags & AV_PKT_FLAG_CORRUPT) {
                result.damage = QStringLiteral("a damaged frame");
                break;
            }
            const int sent = avcodec_send_packet(decoder, packet.get());
            av_packet_unref(packet.get());
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                result.damage = QStringLiteral("a frame cannot be decoded (%1)").arg(Ffmpeg::Error(sent));
                break;
            }
            if (!receive())
                break;
        } else if (audioStream && packet->stream_index == audio) {
            Ffmpeg::Packet copy(av_packet_alloc());
            av_packet_move_ref(copy.get(), packet.get());
            const double time = copy->pts == AV_NOPTS_VALUE ? 0 : double(copy->pts) * av_q2d(audioStream->time_base);
            if (time >= audioTo)
                continue;
            if (started)
                sendAudio(std::move(copy));
            else
                waitingAudio.push_back(std::move(copy));
        } else {
            av_packet_unref(packet.get());
        }
    }

    if (result.interrupted) {
        each([](int, VideoWriter& writer) { writer.Abort(); });
        return result;
    }
    // A file that ends well before the length it declares was cut short.
    const double reachedTime = double(reached - start) * av_q2d(timeBase);
    if (result.damage.isEmpty() && !finished && end > 0 && reachedTime < end - 1.5 / av_q2d(rate))
        result.damage = QStringLiteral("the file ends before its stated length of %1").arg(Clock(duration));
    if (!result.damage.isEmpty())
        result.stoppedAt = reachedTime;
    if (aac && started)
        aac->Feed(nullptr, copyAudio);
    each([&](int k, VideoWriter& writer) {
        writer.Finish();
        result.outputs[k] = writer.Result();
        result.outputs[k].exact = ways[size_t(k)] == Way::Crop;
    });
    return result;
}

} // namespace VideoCut
