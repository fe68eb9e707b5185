#pragma once

#include "core/setup/SetupRender.h"

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// Cutting a video into one video per output with the FFmpeg libraries: the
// source is decoded once, each frame goes through a set-up's geometry as a
// still picture would, and each output is encoded on its own thread. Every
// output of a cut has the source's frame count, frame rate and timestamps
// (shifted to start at 0), and keyframes on the same frames, so that players
// started together show them together.
namespace VideoCut {

// What --codec names: an encoder, its container and its file extension.
struct Codec
{
    const char* name;      // as given on the command line
    const char* encoder;   // FFmpeg's encoder
    const char* muxer;     // FFmpeg's container
    const char* extension; // of the files, without the dot
    bool quality;          // takes --crf and --preset
};
// Null for a name that is none of CodecNames().
const Codec* FindCodec(const QString& i_Name);
QStringList CodecNames();

enum class Audio
{
    All,   // the source's audio in every output
    First, // in the first output only
    None
};

struct Options
{
    const Codec* codec = FindCodec(QStringLiteral("h264"));
    int crf = 18;
    QString preset = QStringLiteral("veryfast");
    int gop = 0; // frames between keyframes; 0: one second's worth
    Audio audio = Audio::All;
    double from = -1;  // seconds; negative: the start
    double to = -1;    // seconds; negative: the end
    int threads = 0;   // cores to use; 0: all
    bool hash = false; // SHA-256 of each file, for a manifest
    // Set from a signal handler: the cut stops and leaves no file.
    const std::atomic<bool>* stop = nullptr;
};

struct Source
{
    QSize size;
    double rate = 0;     // frames per second
    double duration = 0; // seconds, 0 when the file does not say
    bool audio = false;
    bool media = false; // a container the libraries read, video or not
};

// True when the file holds a video stream the libraries can decode; else
// o_Problem says why, in words for a message.
bool Probe(const QString& i_Path, Source& o_Source, QString& o_Problem);

// Makes every output's image of one frame: SetupRender::RenderCovering or
// RenderCanvas with the page's settings. Called from one thread; the
// Render's make from several.
using FrameRender = std::function<bool(const QImage& i_Frame, SetupRender::Render& o_Render)>;

struct Output
{
    QString path; // the finished file; it is written under a temporary name beside it
    int file = 0; // its index in the Render's files
};

struct Written
{
    QString path;
    bool done = false;
    QString problem; // why it was not written
    qint64 frames = 0;
    double rate = 0;
    double duration = 0;
    qint64 bytes = 0;
    QByteArray sha256;  // hex, when asked for
    bool exact = false; // the source's pixels, cropped
};

struct Result
{
    QString problem;          // why the source could not be read at all
    QString damage;           // why reading stopped before the end
    double stoppedAt = -1;    // the source's time where it stopped, seconds
    bool interrupted = false; // by Options::stop: no file is left
    QList<Written> outputs;
};

// Called on the calling thread: frames sent to the encoders, out of about
// how many (0 when unknown).
using ProgressFn = std::function<void(qint64 i_Done, qint64 i_Total)>;
using NoteFn = std::function<void(const QString& i_Text)>;

Result Cut(const QString& i_Source, const FrameRender& i_Render, const QList<Output>& i_Outputs,
           const Options& i_Options, const ProgressFn& i_Progress, const NoteFn& i_Note);

// A still file's name for a video: the container's extension instead of
// ".png".
QString FileName(const QString& i_Still, const Codec& i_Codec);

// A file is a video when the image readers do not take it and the FFmpeg
// libraries find a video stream in it, or when it is a container they read
// or is named as a video: its reading then says what is wrong with it.
// Anything but a regular file is left to the picture reader, which refuses
// it without blocking on it.
bool IsVideo(const QString& i_Path);

// "00:01:23.400": hours, minutes, seconds and milliseconds.
QString Clock(double i_Seconds);

// "12.5" or "00:01:02.250": seconds, or false.
bool ParseTime(const QString& i_Text, double& o_Seconds);

} // namespace VideoCut
