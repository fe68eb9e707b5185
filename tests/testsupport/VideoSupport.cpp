#include "tests/testsupport/VideoSupport.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <cmath>

namespace VideoSupport {

namespace {

bool Drain(AVCodecContext* i_Codec, const AVFrame* i_Frame, AVFormatContext* i_Muxer, AVStream* i_Stream)
{
    if (avcodec_send_frame(i_Codec, i_Frame) < 0)
        return false;
    AVPacket* packet = av_packet_alloc();
    while (avcodec_receive_packet(i_Codec, packet) == 0) {
        if (packet->duration <= 0) // else the container's length leaves out the last frame
            packet->duration = 1;
        av_packet_rescale_ts(packet, i_Codec->time_base, i_Stream->time_base);
        packet->stream_index = i_Stream->index;
        av_interleaved_write_frame(i_Muxer, packet);
    }
    av_packet_free(&packet);
    return true;
}

AVCodecContext* Encoder(const char* i_Name, AVFormatContext* i_Muxer, AVStream*& o_Stream)
{
    AVCodecContext* codec = avcodec_alloc_context3(avcodec_find_encoder_by_name(i_Name));
    o_Stream = avformat_new_stream(i_Muxer, nullptr);
    if (i_Muxer->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    return codec;
}

} // namespace

bool MakeClip(const QString& i_Path, const char* i_Encoder, const char* i_Muxer, const QSize& i_Size, int i_Frames,
              bool i_Audio)
{
    AVFormatContext* muxer = nullptr;
    const QByteArray path = i_Path.toLocal8Bit();
    if (avformat_alloc_output_context2(&muxer, nullptr, i_Muxer, path.constData()) < 0)
        return false;
    AVStream* video = nullptr;
    AVStream* audio = nullptr;
    AVCodecContext* v = i_Encoder ? Encoder(i_Encoder, muxer, video) : nullptr;
    bool ok = true;
    if (v) {
        v->width = i_Size.width();
        v->height = i_Size.height();
        v->pix_fmt = AV_PIX_FMT_YUV420P;
        v->time_base = AVRational{1, 25};
        v->framerate = AVRational{25, 1};
        v->gop_size = 12;
        ok = avcodec_open2(v, nullptr, nullptr) >= 0 && avcodec_parameters_from_context(video->codecpar, v) >= 0;
        video->time_base = v->time_base;
    }
    AVCodecContext* a = nullptr;
    if (i_Audio) {
        // PCM where the container takes it, which .mp4 does not.
        const bool pcm = QByteArray(i_Muxer) != "mp4";
        a = Encoder(pcm ? "pcm_s16le" : "aac", muxer, audio);
        a->sample_fmt = pcm ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLTP;
        a->sample_rate = 48000;
        a->ch_layout = AV_CHANNEL_LAYOUT_MONO;
        a->time_base = AVRational{1, 48000};
        ok = ok && avcodec_open2(a, nullptr, nullptr) >= 0 && avcodec_parameters_from_context(audio->codecpar, a) >= 0;
        audio->time_base = a->time_base;
    }
    ok = ok && avio_open(&muxer->pb, path.constData(), AVIO_FLAG_WRITE) >= 0
        && avformat_write_header(muxer, nullptr) >= 0;
    AVFrame* frame = av_frame_alloc();
    int64_t samples = 0;
    for (int n = 0; ok && n < i_Frames; ++n) {
        frame->format = AV_PIX_FMT_YUV420P;
        frame->width = i_Size.width();
        frame->height = i_Size.height();
        ok = !v || av_frame_get_buffer(frame, 0) >= 0;
        for (int p = 0; v && ok && p < 3; ++p) {
            const int shift = p ? 1 : 0;
            for (int y = 0; y < v->height >> shift; ++y)
                for (int x = 0; x < v->width >> shift; ++x) {
                    int value = p == 0 ? 40 + (x + y + 2 * n) % 160
                                       : 128 + int(30 * std::sin((x + (p == 1 ? n : y)) / 20.0));
                    if (p == 0 && y < 8 && x / 8 < 12) // the frame number, one bit a block
                        value = (n >> (x / 8)) & 1 ? 235 : 16;
                    frame->data[p][y * frame->linesize[p] + x] = uint8_t(value);
                }
        }
        frame->pts = n;
        ok = ok && (!v || Drain(v, frame, muxer, video));
        av_frame_unref(frame);
        // The tone up to this frame's end.
        while (ok && a && samples * 25 < int64_t(n + 1) * 48000) {
            frame->format = a->sample_fmt;
            frame->nb_samples = a->frame_size ? a->frame_size : 960;
            frame->sample_rate = a->sample_rate;
            av_channel_layout_copy(&frame->ch_layout, &a->ch_layout);
            ok = av_frame_get_buffer(frame, 0) >= 0;
            for (int k = 0; ok && k < frame->nb_samples; ++k) {
                const double tone = 0.3 * std::sin(2 * M_PI * 440 * double(samples + k) / 48000);
                if (a->sample_fmt == AV_SAMPLE_FMT_S16)
                    reinterpret_cast<int16_t*>(frame->data[0])[k] = int16_t(tone * 32767);
                else
                    reinterpret_cast<float*>(frame->data[0])[k] = float(tone);
            }
            frame->pts = samples;
            samples += frame->nb_samples;
            ok = ok && Drain(a, frame, muxer, audio);
            av_frame_unref(frame);
        }
    }
    ok = ok && (!v || Drain(v, nullptr, muxer, video)) && (!a || Drain(a, nullptr, muxer, audio))
        && av_write_trailer(muxer) >= 0;
    av_frame_free(&frame);
    avcodec_free_context(&v);
    avcodec_free_context(&a);
    avio_closep(&muxer->pb);
    avformat_free_context(muxer);
    return ok;
}

QByteArray Frame::Crop(const QRect& i_Rect) const
{
    QByteArray bytes;
    for (int p = 0; p < 3; ++p) {
        const int shift = p ? 1 : 0;
        const int stride = width >> shift;
        for (int y = i_Rect.top() >> shift; y < (i_Rect.bottom() + 1) >> shift; ++y)
            bytes += planes[p].mid(y * stride + (i_Rect.left() >> shift), i_Rect.width() >> shift);
    }
    return bytes;
}

QImage Frame::Rgb() const
{
    QImage image(width, height, QImage::Format_RGB32);
    SwsContext* scaler = sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_BGRA,
                                        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    const uint8_t* in[3] = {reinterpret_cast<const uint8_t*>(planes[0].constData()),
                            reinterpret_cast<const uint8_t*>(planes[1].constData()),
                            reinterpret_cast<const uint8_t*>(planes[2].constData())};
    const int strides[3] = {width, width / 2, width / 2};
    uint8_t* out[1] = {image.bits()};
    const int outStrides[1] = {int(image.bytesPerLine())};
    sws_scale(scaler, in, strides, 0, height, out, outStrides);
    sws_freeContext(scaler);
    return image;
}

Clip Read(const QString& i_Path, const char* i_Format)
{
    Clip clip;
    AVFormatContext* input = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "safe", "0", 0);
    const bool opened = avformat_open_input(&input, i_Path.toLocal8Bit().constData(),
                                            i_Format ? av_find_input_format(i_Format) : nullptr, &options) >= 0;
    av_dict_free(&options);
    if (!opened || avformat_find_stream_info(input, nullptr) < 0) {
        avformat_close_input(&input);
        return clip;
    }
    const AVCodec* decoder = nullptr;
    const int video = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    const int audio = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    AVCodecContext* codec = video >= 0 ? avcodec_alloc_context3(decoder) : nullptr;
    if (codec && avcodec_parameters_to_context(codec, input->streams[video]->codecpar) >= 0
        && avcodec_open2(codec, decoder, nullptr) >= 0) {
        const AVStream* stream = input->streams[video];
        clip.codec = QString::fromLatin1(decoder->name);
        clip.rate = av_q2d(av_guess_frame_rate(input, input->streams[video], nullptr));
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        int64_t audioEnd = 0;
        bool good = true;
        for (bool more = true; good && more;) {
            more = av_read_frame(input, packet) >= 0;
            if (more && packet->stream_index == audio) {
                audioEnd = std::max(audioEnd, av_rescale_q(packet->pts + packet->duration,
                                                           input->streams[audio]->time_base, AVRational{1, 1000}));
            } else if (!more || packet->stream_index == video) {
                good = avcodec_send_packet(codec, more ? packet : nullptr) >= 0;
                while (good && avcodec_receive_frame(codec, frame) == 0) {
                    good = !(frame->flags & AV_FRAME_FLAG_CORRUPT) && !frame->decode_error_flags;
                    Frame f;
                    f.pts = av_rescale_q(frame->best_effort_timestamp, stream->time_base, AVRational{1, 1000});
                    f.key = frame->key_frame;
                    f.width = frame->width;
                    f.height = frame->height;
                    for (int p = 0; p < 3; ++p)
                        for (int y = 0; y < frame->height >> (p ? 1 : 0); ++y)
                            f.planes[p] += QByteArray(reinterpret_cast<const char*>(frame->data[p] + y * frame->linesize[p]),
                                                      frame->width >> (p ? 1 : 0));
                    if (good)
                        clip.frames << f;
                }
            }
            av_packet_unref(packet);
        }
        if (audio >= 0)
            clip.audioSeconds = double(audioEnd) / 1000;
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    avcodec_free_context(&codec);
    avformat_close_input(&input);
    return clip;
}

double Psnr(const QImage& i_A, const QImage& i_B)
{
    if (i_A.size() != i_B.size())
        return 0;
    double sum = 0;
    for (int y = 0; y < i_A.height(); ++y)
        for (int x = 0; x < i_A.width(); ++x) {
            const QRgb a = i_A.pixel(x, y), b = i_B.pixel(x, y);
            for (int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)})
                sum += d * d;
        }
    const double mse = sum / (3.0 * i_A.width() * i_A.height());
    return mse > 0 ? 10 * std::log10(255.0 * 255.0 / mse) : 99;
}

} // namespace VideoSupport
