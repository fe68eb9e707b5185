#include "video/AacAudio.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

AacAudio::~AacAudio()
{
    avcodec_parameters_free(&m_Parameters);
    swr_free(&m_Resampler);
    if (m_Fifo)
        av_audio_fifo_free(m_Fifo);
}

bool AacAudio::Open(const AVStream* i_Source, bool i_GlobalHeader, QString& o_Problem)
{
    m_SourceBase = i_Source->time_base;
    const AVCodec* decoder = avcodec_find_decoder(i_Source->codecpar->codec_id);
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    m_Decoder.reset(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    m_Encoder.reset(encoder ? avcodec_alloc_context3(encoder) : nullptr);
    m_Parameters = avcodec_parameters_alloc();
    m_Frame.reset(av_frame_alloc());
    if (!m_Decoder || !m_Encoder || !m_Parameters || !m_Frame
        || avcodec_parameters_to_context(m_Decoder.get(), i_Source->codecpar) < 0
        || avcodec_open2(m_Decoder.get(), decoder, nullptr) < 0) {
        o_Problem = QStringLiteral("its audio cannot be decoded");
        return false;
    }
    AVCodecContext* out = m_Encoder.get();
    out->sample_fmt = AV_SAMPLE_FMT_FLTP;
    out->sample_rate = m_Decoder->sample_rate > 0 ? m_Decoder->sample_rate : 48000;
    // The encoder takes only the usual layouts of each channel count, which
    // a source may not state.
    av_channel_layout_default(&out->ch_layout,
                              m_Decoder->ch_layout.nb_channels > 0 ? m_Decoder->ch_layout.nb_channels : 2);
    out->bit_rate = 96000 * std::min(out->ch_layout.nb_channels, 8);
    out->time_base = AVRational{1, out->sample_rate};
    if (i_GlobalHeader)
        out->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(out, encoder, nullptr) < 0 || avcodec_parameters_from_context(m_Parameters, out) < 0
        || swr_alloc_set_opts2(&m_Resampler, &out->ch_layout, out->sample_fmt, out->sample_rate, &m_Decoder->ch_layout,
                               m_Decoder->sample_fmt, m_Decoder->sample_rate, 0, nullptr)
            < 0
        || swr_init(m_Resampler) < 0
        || !(m_Fifo = av_audio_fifo_alloc(out->sample_fmt, out->ch_layout.nb_channels, out->frame_size))) {
        o_Problem = QStringLiteral("its audio cannot be encoded to AAC");
        return false;
    }
    return true;
}

void AacAudio::Feed(const AVPacket* i_Packet, const std::function<void(Ffmpeg::Packet)>& i_Out)
{
    if (m_Next == AV_NOPTS_VALUE && i_Packet)
        m_Next = av_rescale_q(i_Packet->pts, m_SourceBase, m_Encoder->time_base);
    if (avcodec_send_packet(m_Decoder.get(), i_Packet) < 0)
        return; // a damaged audio packet: its samples are missing, the rest goes on
    AVCodecContext* out = m_Encoder.get();
    while (avcodec_receive_frame(m_Decoder.get(), m_Frame.get()) == 0) {
        const int most = swr_get_out_samples(m_Resampler, m_Frame->nb_samples);
        Ffmpeg::Frame converted(av_frame_alloc());
        converted->format = out->sample_fmt;
        converted->sample_rate = out->sample_rate;
        converted->nb_samples = std::max(most, 1);
        if (av_channel_layout_copy(&converted->ch_layout, &out->ch_layout) < 0
            || av_frame_get_buffer(converted.get(), 0) < 0)
            return;
        const int made = swr_convert(m_Resampler, converted->data, converted->nb_samples,
                                     const_cast<const uint8_t**>(m_Frame->extended_data), m_Frame->nb_samples);
        if (made > 0)
            av_audio_fifo_write(m_Fifo, reinterpret_cast<void**>(converted->data), made);
        av_frame_unref(m_Frame.get());
        Encode(false, i_Out);
    }
    if (!i_Packet)
        Encode(true, i_Out);
}

void AacAudio::Encode(bool i_Flush, const std::function<void(Ffmpeg::Packet)>& i_Out)
{
    AVCodecContext* out = m_Encoder.get();
    while (av_audio_fifo_size(m_Fifo) >= out->frame_size || (i_Flush && av_audio_fifo_size(m_Fifo) > 0)) {
        Ffmpeg::Frame frame(av_frame_alloc());
        frame->format = out->sample_fmt;
        frame->sample_rate = out->sample_rate;
        frame->nb_samples = std::min(out->frame_size, av_audio_fifo_size(m_Fifo));
        if (av_channel_layout_copy(&frame->ch_layout, &out->ch_layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
            return;
        av_audio_fifo_read(m_Fifo, reinterpret_cast<void**>(frame->data), frame->nb_samples);
        frame->pts = m_Next == AV_NOPTS_VALUE ? 0 : m_Next;
        m_Next = frame->pts + frame->nb_samples;
        if (avcodec_send_frame(out, frame.get()) < 0)
            return;
        for (Ffmpeg::Packet packet(av_packet_alloc()); packet && avcodec_receive_packet(out, packet.get()) == 0;
             packet.reset(av_packet_alloc()))
            i_Out(std::move(packet));
    }
    if (!i_Flush || avcodec_send_frame(out, nullptr) < 0)
        return;
    for (Ffmpeg::Packet packet(av_packet_alloc()); packet && avcodec_receive_packet(out, packet.get()) == 0;
         packet.reset(av_packet_alloc()))
        i_Out(std::move(packet));
}
