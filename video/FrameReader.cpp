#include "video/FrameReader.h"

#include "video/VideoOpen.h"

#include <algorithm>
#include <cmath>

namespace {

// Frames decoded forward rather than sought to: within this many seconds
// after the frame on show the next keyframe is seldom nearer.
constexpr double kForwardSeconds = 2.0;

} // namespace

struct FrameReader::Decoder
{
    VideoCut::Opened opened;
    AVStream* stream = nullptr;
    int64_t start = 0;       // the stream's first timestamp
    int64_t frameLength = 1; // in the stream's time base
    Ffmpeg::Packet packet{av_packet_alloc()};
    Ffmpeg::Frame frame{av_frame_alloc()};
    Ffmpeg::Scaler toRgb;
    int64_t shown = AV_NOPTS_VALUE; // the frame in `frame`, when it holds one
    bool ended = false;             // the decoder was drained

    // The next frame in decoding order into `frame`; false at the end or on
    // an error (o_Problem set).
    bool Next(QString& o_Problem);
    QImage Rgb();
};

bool FrameReader::Decoder::Next(QString& o_Problem)
{
    AVCodecContext* decoder = opened.decoder.get();
    for (;;) {
        av_frame_unref(frame.get());
        int code = avcodec_receive_frame(decoder, frame.get());
        if (code >= 0) {
            shown = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp
                : shown != AV_NOPTS_VALUE                          ? shown + frameLength
                                                                   : start;
            return true;
        }
        if (code == AVERROR_EOF || ended)
            return false;
        if (code != AVERROR(EAGAIN)) {
            o_Problem = QStringLiteral("a frame cannot be decoded (%1)").arg(Ffmpeg::Error(code));
            return false;
        }
        code = av_read_frame(opened.input.get(), packet.get());
        if (code == AVERROR_EOF) {
            ended = true;
            avcodec_send_packet(decoder, nullptr);
            continue;
        }
        if (code < 0) {
            o_Problem = QStringLiteral("the file cannot be read further (%1)").arg(Ffmpeg::Error(code));
            return false;
        }
        if (packet->stream_index == opened.video)
            code = avcodec_send_packet(decoder, packet.get());
        av_packet_unref(packet.get());
        if (code < 0 && code != AVERROR(EAGAIN)) {
            o_Problem = QStringLiteral("a frame cannot be decoded (%1)").arg(Ffmpeg::Error(code));
            return false;
        }
    }
}

// The same conversion the cut makes of a frame it composes, so that the
// window shows the pixels the files are made of.
QImage FrameReader::Decoder::Rgb()
{
    const int width = frame->width;
    const int height = frame->height;
    QImage rgb(width, height, QImage::Format_RGB32);
    toRgb.reset(sws_getCachedContext(toRgb.release(), width, height, AVPixelFormat(frame->format), width, height,
                                     AV_PIX_FMT_BGRA, Ffmpeg::kConversionFlags, nullptr, nullptr, nullptr));
    if (rgb.isNull() || !toRgb)
        return QImage();
    Ffmpeg::SetColours(toRgb.get(), stream->codecpar->color_space, frame->color_range, AVCOL_RANGE_JPEG, false, true);
    uint8_t* planes[4] = {rgb.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(rgb.bytesPerLine()), 0, 0, 0};
    sws_scale(toRgb.get(), frame->data, frame->linesize, 0, height, planes, strides);
    return rgb;
}

FrameReader::FrameReader() = default;
FrameReader::~FrameReader() = default;

bool FrameReader::Open(const QString& i_Path, QString& o_Problem)
{
    Close();
    if (!VideoCut::Probe(i_Path, m_Source, o_Problem))
        return false;
    auto decoder = std::make_unique<Decoder>();
    // A few threads: a frame at a time is wanted soon, not many of them.
    if (!VideoCut::Open(i_Path, 4, decoder->opened, o_Problem))
        return false;
    if (!decoder->packet || !decoder->frame) {
        o_Problem = QStringLiteral("out of memory");
        return false;
    }
    decoder->stream = decoder->opened.input->streams[decoder->opened.video];
    const AVStream* stream = decoder->stream;
    const AVRational rate = VideoCut::Rate(decoder->opened.input.get(), decoder->stream);
    decoder->start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    decoder->frameLength = std::max<int64_t>(1, av_rescale_q(1, av_inv_q(rate), stream->time_base));
    m_Decoder = std::move(decoder);
    return true;
}

void FrameReader::Close()
{
    m_Decoder.reset();
    m_Source = VideoCut::Source();
    m_FrameTime = 0;
}

bool FrameReader::IsOpen() const
{
    return bool(m_Decoder);
}

QImage FrameReader::FrameAt(double i_Seconds, QString* o_Problem)
{
    QString problem = QStringLiteral("no video is open");
    QImage image;
    if (m_Decoder) {
        Decoder& d = *m_Decoder;
        const double base = av_q2d(d.stream->time_base);
        const int64_t target = d.start + int64_t(std::llround(std::max(0.0, i_Seconds) / base));
        // The first frame from half a frame before the time on, as a cut
        // from that time starts.
        const int64_t from = target - d.frameLength / 2;
        const bool ahead = d.shown != AV_NOPTS_VALUE && d.shown < from && !d.ended
            && double(from - d.shown) * base <= kForwardSeconds;
        const bool here = d.shown != AV_NOPTS_VALUE && d.shown >= from && d.shown - d.frameLength < from
            && d.frame->data[0];
        problem.clear();
        if (!here && !ahead) {
            const int code = av_seek_frame(d.opened.input.get(), d.opened.video, from, AVSEEK_FLAG_BACKWARD);
            if (code < 0)
                av_seek_frame(d.opened.input.get(), d.opened.video, d.start, AVSEEK_FLAG_BACKWARD);
            avcodec_flush_buffers(d.opened.decoder.get());
            d.shown = AV_NOPTS_VALUE;
            d.ended = false;
        }
        // Decoded forward up to that frame; the last one for a time past the
        // end. Only the frame in hand is kept.
        Ffmpeg::Frame last(av_frame_alloc());
        bool any = here;
        int64_t lastShown = d.shown;
        while (!here && last) {
            if (!d.Next(problem)) {
                if (any && problem.isEmpty()) {
                    av_frame_unref(d.frame.get());
                    av_frame_move_ref(d.frame.get(), last.get());
                    d.shown = lastShown;
                }
                break;
            }
            any = true;
            if (d.shown >= from)
                break;
            av_frame_unref(last.get());
            av_frame_ref(last.get(), d.frame.get());
            lastShown = d.shown;
        }
        if (!last && !here)
            problem = QStringLiteral("out of memory");
        if (problem.isEmpty() && any && d.frame->data[0]) {
            image = d.Rgb();
            m_FrameTime = double(d.shown - d.start) * base;
            if (image.isNull())
                problem = QStringLiteral("out of memory");
        } else if (problem.isEmpty()) {
            problem = QStringLiteral("no frame at this time");
        }
    }
    if (o_Problem)
        *o_Problem = problem;
    return image;
}
