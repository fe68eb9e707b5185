#pragma once

#include "video/Ffmpeg.h"

#include <functional>

struct SwrContext;
struct AVAudioFifo;

// The source's audio encoded once to AAC, for containers that do not take
// it as it is; every output then gets a copy of the same packets.
class AacAudio
{
public:
    AacAudio() = default;
    ~AacAudio();
    AacAudio(const AacAudio&) = delete;
    AacAudio& operator=(const AacAudio&) = delete;

    // i_GlobalHeader: for containers that hold the codec's set-up apart.
    bool Open(const AVStream* i_Source, bool i_GlobalHeader, QString& o_Problem);
    // Decodes a packet of the source (null: the end) and hands on every AAC
    // packet that is ready, in TimeBase(); the first packet's time starts
    // the count of samples.
    void Feed(const AVPacket* i_Packet, const std::function<void(Ffmpeg::Packet)>& i_Out);

    const AVCodecParameters* Parameters() const { return m_Parameters; }
    AVRational TimeBase() const { return m_Encoder->time_base; }

private:
    void Encode(bool i_Flush, const std::function<void(Ffmpeg::Packet)>& i_Out);

    AVRational m_SourceBase{1, 1};
    Ffmpeg::CodecContext m_Decoder;
    Ffmpeg::CodecContext m_Encoder;
    AVCodecParameters* m_Parameters = nullptr;
    SwrContext* m_Resampler = nullptr;
    AVAudioFifo* m_Fifo = nullptr;
    Ffmpeg::Frame m_Frame;
    int64_t m_Next = AV_NOPTS_VALUE;
};
