#pragma once

#include "video/Ffmpeg.h"
#include "video/FrameQueue.h"
#include "video/VideoCut.h"

#include <thread>

// One output's encoder and container, fed through its own queue and working
// on its own thread. The file is written under a temporary name and takes
// its own name only when it is complete.
class VideoWriter
{
public:
    // A frame on its way: either a frame of the source (cropped to the
    // output when it takes the source's pixels one to one) or the geometry's
    // images of a frame, or an audio packet to copy.
    struct Item
    {
        Ffmpeg::Frame frame;
        std::shared_ptr<const SetupRender::Render> render;
        int64_t pts = 0;
        bool key = false;
        Ffmpeg::Packet audio;
    };

    struct Setup
    {
        QString path;
        QString temporary;
        const VideoCut::Codec* codec = nullptr;
        int crf = 18;
        QString preset;
        int gop = 25;
        int threads = 1;
        QSize size;
        int file = 0;                           // in the Render, for frames made by the geometry
        AVPixelFormat format = AV_PIX_FMT_NONE; // the encoder's
        AVRational timeBase{1, 25};             // of the source's video stream
        AVRational rate{25, 1};
        AVColorSpace space = AVCOL_SPC_UNSPECIFIED;
        AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
        AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
        AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
        const AVCodecParameters* audio = nullptr; // copied when set
        AVRational audioTimeBase{1, 48000};
        bool hash = false;
    };

    VideoWriter() = default;
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Opens the encoder and the temporary file and starts the thread; false
    // with the reason in Result().problem.
    bool Open(const Setup& i_Setup);
    void Push(Item&& i_Item) { m_Queue.Push(std::move(i_Item)); }
    // Encodes what is left, completes the file and gives it its name.
    void Finish();
    // Stops at once and removes the temporary file.
    void Abort();

    const VideoCut::Written& Result() const { return m_Result; }

private:
    void Work();
    bool Encode(AVFrame* i_Frame);
    bool WritePacket(AVPacket* i_Packet);
    AVFrame* Converted(Item& i_Item);
    bool Fail(const QString& i_What, int i_Code);
    void Close();

    Setup m_Setup;
    BoundedQueue<Item> m_Queue{4};
    std::thread m_Thread;
    std::atomic<bool> m_Aborting{false};
    AVFormatContext* m_Muxer = nullptr;
    Ffmpeg::CodecContext m_Encoder;
    AVStream* m_Video = nullptr;
    AVStream* m_Audio = nullptr;
    Ffmpeg::Scaler m_Scaler;
    Ffmpeg::Frame m_Converted;
    Ffmpeg::Packet m_Packet;
    bool m_Failed = false;
    int64_t m_End = 0; // of the last video packet, in the encoder's time base
    VideoCut::Written m_Result;
};
