#include "video/VideoWriter.h"

#include <QCryptographicHash>
#include <QFile>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include <cerrno>
#include <cstdio>
#include <cstring>

VideoWriter::~VideoWriter()
{
    if (m_Thread.joinable())
        Abort();
    Close();
}

bool VideoWriter::Fail(const QString& i_What, int i_Code)
{
    if (!m_Failed)
        m_Result.problem = i_Code < 0 ? QStringLiteral("%1: %2").arg(i_What, Ffmpeg::Error(i_Code)) : i_What;
    m_Failed = true;
    return false;
}

bool VideoWriter::Open(const Setup& i_Setup)
{
    m_Setup = i_Setup;
    m_Result.path = i_Setup.path;
    m_Result.rate = av_q2d(i_Setup.rate);
    const AVCodec* codec = avcodec_find_encoder_by_name(i_Setup.codec->encoder);
    if (!codec)
        return Fail(QStringLiteral("the FFmpeg libraries here have no %1 encoder").arg(i_Setup.codec->encoder), 0);
    const QByteArray temporary = QFile::encodeName(i_Setup.temporary);
    int code = avformat_alloc_output_context2(&m_Muxer, nullptr, i_Setup.codec->muxer, temporary.constData());
    if (code < 0)
        return Fail(QStringLiteral("cannot make a %1 file").arg(i_Setup.codec->muxer), code);
    m_Encoder.reset(avcodec_alloc_context3(codec));
    AVCodecContext* encoder = m_Encoder.get();
    if (!encoder)
        return Fail(QStringLiteral("out of memory"), 0);
    encoder->width = i_Setup.size.width();
    encoder->height = i_Setup.size.height();
    encoder->pix_fmt = i_Setup.format;
    encoder->sample_aspect_ratio = AVRational{1, 1};
    encoder->time_base = i_Setup.timeBase;
    encoder->framerate = i_Setup.rate;
    // Keyframes come where the cut forces them, on the same frames in every
    // output, and nowhere else.
    encoder->gop_size = i_Setup.gop;
    encoder->keyint_min = i_Setup.gop;
    encoder->colorspace = i_Setup.space;
    encoder->color_range = i_Setup.range;
    encoder->color_primaries = i_Setup.primaries;
    encoder->color_trc = i_Setup.transfer;
    encoder->thread_count = i_Setup.threads;
    if (m_Muxer->oformat->flags & AVFMT_GLOBALHEADER)
        encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    const QByteArray encoderName(i_Setup.codec->encoder);
    if (i_Setup.codec->quality) {
        av_dict_set(&options, "crf", QByteArray::number(i_Setup.crf).constData(), 0);
        av_dict_set(&options, "preset", i_Setup.preset.toUtf8().constData(), 0);
        av_dict_set(&options, "forced-idr", "1", 0);
    }
    if (encoderName == "libx264")
        av_dict_set(&options, "x264-params", "scenecut=0", 0);
    else if (encoderName == "libx265")
        av_dict_set(&options, "x265-params", "scenecut=0:log-level=error", 0);
    else if (encoderName == "ffv1")
        av_dict_set(&options, "level", "3", 0); // slices, which encode on several threads
    if (encoderName == "hap" && (encoder->width % 4 || encoder->height % 4)) {
        av_dict_free(&options);
        return Fail(QStringLiteral("hap takes only sizes in multiples of 4 pixels, not %1 x %2")
                        .arg(encoder->width)
                        .arg(encoder->height),
                    0);
    }
    code = avcodec_open2(encoder, codec, &options);
    av_dict_free(&options);
    if (code < 0)
        return Fail(QStringLiteral("%1 does not take these frames").arg(i_Setup.codec->encoder), code);

    m_Video = avformat_new_stream(m_Muxer, nullptr);
    if (!m_Video || avcodec_parameters_from_context(m_Video->codecpar, encoder) < 0)
        return Fail(QStringLiteral("out of memory"), 0);
    if (encoderName == "libx265")
        m_Video->codecpar->codec_tag = MKTAG('h', 'v', 'c', '1'); // what players of .mp4 look for
    m_Video->time_base = encoder->time_base;
    m_Video->avg_frame_rate = i_Setup.rate;
    if (i_Setup.audio) {
        m_Audio = avformat_new_stream(m_Muxer, nullptr);
        if (!m_Audio || avcodec_parameters_copy(m_Audio->codecpar, i_Setup.audio) < 0)
            return Fail(QStringLiteral("out of memory"), 0);
        m_Audio->codecpar->codec_tag = 0;
        m_Audio->time_base = i_Setup.audioTimeBase;
    }
    code = avio_open(&m_Muxer->pb, temporary.constData(), AVIO_FLAG_WRITE);
    if (code < 0)
        return Fail(QStringLiteral("cannot create the file"), code);
    code = avformat_write_header(m_Muxer, nullptr);
    if (code < 0)
        return Fail(QStringLiteral("cannot write the file's header"), code);
    m_Packet.reset(av_packet_alloc());
    m_Converted.reset(av_frame_alloc());
    if (!m_Packet || !m_Converted)
        return Fail(QStringLiteral("out of memory"), 0);
    m_Converted->format = i_Setup.format;
    m_Converted->width = encoder->width;
    m_Converted->height = encoder->height;
    m_Thread = std::thread([this] { Work(); });
    return true;
}

AVFrame* VideoWriter::Converted(Item& io_Item)
{
    AVFrame* source = io_Item.frame.get();
    if (source && source->format == m_Setup.format && source->width == m_Encoder->width
        && source->height == m_Encoder->height)
        return source;
    AVFrame* target = m_Converted.get();
    if ((!target->buf[0] && av_frame_get_buffer(target, 0) < 0) || av_frame_make_writable(target) < 0) {
        Fail(QStringLiteral("out of memory"), 0);
        return nullptr;
    }
    QImage image;
    const uint8_t* planes[4] = {};
    int strides[4] = {};
    AVPixelFormat format = AV_PIX_FMT_BGRA; // QImage's 32-bit layout on a little-endian machine
    bool rgb = true;
    AVColorRange range = AVCOL_RANGE_JPEG;
    if (source) {
        for (int k = 0; k < 4; ++k) {
            planes[k] = source->data[k];
            strides[k] = source->linesize[k];
        }
        format = AVPixelFormat(source->format);
        rgb = av_pix_fmt_desc_get(format)->flags & AV_PIX_FMT_FLAG_RGB;
        range = source->color_range;
    } else {
        image = io_Item.render->Image(m_Setup.file);
        if (image.isNull() || image.size() != m_Setup.size) {
            Fail(QStringLiteral("out of memory for the output's frame"), 0);
            return nullptr;
        }
        image = std::move(image).convertToFormat(QImage::Format_ARGB32);
        planes[0] = image.constBits();
        strides[0] = image.bytesPerLine();
    }
    m_Scaler.reset(sws_getCachedContext(m_Scaler.release(), target->width, target->height, format, target->width,
                                        target->height, AVPixelFormat(target->format), Ffmpeg::kConversionFlags,
                                        nullptr, nullptr, nullptr));
    if (!m_Scaler) {
        Fail(QStringLiteral("no conversion from %1 to %2")
                 .arg(av_get_pix_fmt_name(format), av_get_pix_fmt_name(AVPixelFormat(target->format))),
             0);
        return nullptr;
    }
    const bool targetRgb = av_pix_fmt_desc_get(AVPixelFormat(target->format))->flags & AV_PIX_FMT_FLAG_RGB;
    Ffmpeg::SetColours(m_Scaler.get(), m_Setup.space, rgb ? AVCOL_RANGE_JPEG : range,
                       targetRgb ? AVCOL_RANGE_JPEG : m_Setup.range, rgb, targetRgb);
    sws_scale(m_Scaler.get(), planes, strides, 0, target->height, target->data, target->linesize);
    return target;
}

bool VideoWriter::WritePacket(AVPacket* i_Packet)
{
    const int code = av_interleaved_write_frame(m_Muxer, i_Packet);
    return code >= 0 || Fail(QStringLiteral("writing"), code);
}

bool VideoWriter::Encode(AVFrame* i_Frame)
{
    int code = avcodec_send_frame(m_Encoder.get(), i_Frame);
    if (code < 0)
        return Fail(QStringLiteral("encoding"), code);
    const int64_t frameLength = av_rescale_q(1, av_inv_q(m_Setup.rate), m_Encoder->time_base);
    for (;;) {
        code = avcodec_receive_packet(m_Encoder.get(), m_Packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return true;
        if (code < 0)
            return Fail(QStringLiteral("encoding"), code);
        // Containers take a file's length from its last frame's: a joined
        // segment starts where the one before it ends.
        if (m_Packet->duration <= 0)
            m_Packet->duration = frameLength;
        m_End = std::max(m_End, m_Packet->pts + m_Packet->duration);
        ++m_Result.frames;
        av_packet_rescale_ts(m_Packet.get(), m_Encoder->time_base, m_Video->time_base);
        m_Packet->stream_index = m_Video->index;
        if (!WritePacket(m_Packet.get()))
            return false;
    }
}

void VideoWriter::Work()
{
    Item item;
    while (m_Queue.Pop(item)) {
        // After a failure the rest is taken and dropped, so the decoding
        // thread never waits on this output.
        if (m_Failed || m_Aborting.load()) {
            item = Item();
            continue;
        }
        if (item.audio) {
            AVPacket* packet = item.audio.get();
            av_packet_rescale_ts(packet, m_Setup.audioTimeBase, m_Audio->time_base);
            packet->stream_index = m_Audio->index;
            packet->pos = -1;
            WritePacket(packet);
        } else if (AVFrame* frame = Converted(item)) {
            frame->pts = item.pts;
            frame->pict_type = item.key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
            Encode(frame);
        }
        item = Item();
    }
    if (m_Failed || m_Aborting.load())
        return;
    if (!Encode(nullptr))
        return;
    const int code = av_write_trailer(m_Muxer);
    if (code < 0) {
        Fail(QStringLiteral("completing the file"), code);
        return;
    }
    const int closed = avio_closep(&m_Muxer->pb);
    if (closed < 0) {
        Fail(QStringLiteral("writing"), closed);
        return;
    }
    m_Result.duration = double(m_End) * av_q2d(m_Encoder->time_base);
    QFile file(m_Setup.temporary);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(QStringLiteral("cannot read the file back: %1").arg(file.errorString()), 0);
        return;
    }
    m_Result.bytes = file.size();
    if (m_Setup.hash) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        if (!hash.addData(&file) || file.error() != QFileDevice::NoError) {
            Fail(QStringLiteral("cannot read the file back: %1").arg(file.errorString()), 0);
            return;
        }
        m_Result.sha256 = hash.result().toHex();
    }
}

void VideoWriter::Close()
{
    if (!m_Muxer)
        return;
    if (m_Muxer->pb)
        avio_closep(&m_Muxer->pb);
    avformat_free_context(m_Muxer);
    m_Muxer = nullptr;
}

void VideoWriter::Finish()
{
    m_Queue.Close();
    if (m_Thread.joinable())
        m_Thread.join();
    Close();
    const QByteArray temporary = QFile::encodeName(m_Setup.temporary);
    if (!m_Failed && std::rename(temporary.constData(), QFile::encodeName(m_Setup.path).constData()) != 0)
        Fail(QStringLiteral("cannot give the file its name: %1").arg(QString::fromLocal8Bit(std::strerror(errno))), 0);
    if (m_Failed)
        std::remove(temporary.constData());
    m_Result.done = !m_Failed;
}

void VideoWriter::Abort()
{
    m_Aborting = true;
    m_Queue.Close();
    if (m_Thread.joinable())
        m_Thread.join();
    Close();
    if (!m_Setup.temporary.isEmpty())
        std::remove(QFile::encodeName(m_Setup.temporary).constData());
    m_Result.done = false;
}
