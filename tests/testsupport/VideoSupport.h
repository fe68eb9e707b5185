#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

extern "C" {
#include <libavformat/avformat.h>
}

// Small videos made and read with the FFmpeg libraries themselves, so that
// tests need no ffmpeg program.
namespace VideoSupport {

// A clip of i_Frames frames at 25 fps, 4:2:0: smooth moving gradients, the
// frame number in black and white blocks along the top, and with i_Audio a
// 440 Hz tone of the same length.
bool MakeClip(const QString& i_Path, const char* i_Encoder, const char* i_Muxer, const QSize& i_Size, int i_Frames,
              bool i_Audio);

struct Frame
{
    int64_t pts = 0; // from 0, in 1/1000 s
    bool key = false;
    int width = 0;
    int height = 0;
    QByteArray planes[3]; // yuv420p, rows without padding
    QByteArray Crop(const QRect& i_Rect) const;
    QImage Rgb() const;
};

struct Clip
{
    QList<Frame> frames;
    QString codec;
    double rate = 0;
    double audioSeconds = -1; // -1: no audio stream
};

// Every frame that decodes, up to the first error; i_Format names the
// demuxer ("concat" for a list of files).
Clip Read(const QString& i_Path, const char* i_Format = nullptr);

double Psnr(const QImage& i_A, const QImage& i_B);

} // namespace VideoSupport
