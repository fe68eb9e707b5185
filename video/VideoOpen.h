#pragma once

#include "video/Ffmpeg.h"

#include <QString>

// A video opened for decoding, shared by the cut and the frame reader so that
// both read the same stream the same way.
namespace VideoCut {

struct Opened
{
    Ffmpeg::Input input;
    int video = -1;
    Ffmpeg::CodecContext decoder;
    bool streams = false; // the container and its streams were read
};

// The best video stream's decoder, on i_Threads threads; else o_Problem says
// why, in words for a message.
bool Open(const QString& i_Path, int i_Threads, Opened& o_Opened, QString& o_Problem);
// The stream's frame rate (25 when it does not say) and length in seconds
// (0 when unknown).
AVRational Rate(AVFormatContext* i_Input, AVStream* i_Stream);
double Duration(const AVFormatContext* i_Input, const AVStream* i_Stream);

} // namespace VideoCut
