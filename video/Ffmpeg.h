#pragma once

// The FFmpeg libraries' objects held by owners that free them, and their
// error codes in words.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswscale/swscale.h>
}

#include <QString>

#include <memory>

namespace Ffmpeg {

struct FreeFrame
{
    void operator()(AVFrame* i_Frame) const { av_frame_free(&i_Frame); }
};
struct FreePacket
{
    void operator()(AVPacket* i_Packet) const { av_packet_free(&i_Packet); }
};
struct FreeCodec
{
    void operator()(AVCodecContext* i_Context) const { avcodec_free_context(&i_Context); }
};
struct FreeScaler
{
    void operator()(SwsContext* i_Context) const { sws_freeContext(i_Context); }
};
struct CloseInput
{
    void operator()(AVFormatContext* i_Context) const { avformat_close_input(&i_Context); }
};

using Frame = std::unique_ptr<AVFrame, FreeFrame>;
using Packet = std::unique_ptr<AVPacket, FreePacket>;
using CodecContext = std::unique_ptr<AVCodecContext, FreeCodec>;
using Scaler = std::unique_ptr<SwsContext, FreeScaler>;
using Input = std::unique_ptr<AVFormatContext, CloseInput>;

// How frames are converted between the source's colours and the pictures
// the geometry composes: swscale's fast paths. Its accurate rounding and full
// chroma interpolation take the slow, scalar ones, which doubled the time of
// a blended 4K cut for a difference of a level here and there.
constexpr int kConversionFlags = SWS_BICUBIC;

inline QString Error(int i_Code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(i_Code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// Sets the colour matrix and ranges of a conversion between i_From and i_To
// from what the frames say, so that a picture keeps its colours both ways.
void SetColours(SwsContext* i_Scaler, AVColorSpace i_Space, AVColorRange i_FromRange, AVColorRange i_ToRange,
                bool i_FromRgb, bool i_ToRgb);

} // namespace Ffmpeg
