#pragma once

#include "video/VideoCut.h"

#include <QImage>
#include <QString>

#include <memory>

// A video's frames one at a time, for a window that shows any of them: the
// reader holds the decoder and the one frame it decoded last, never more.
// Asked for a time, it seeks to the keyframe before it and decodes forward
// to the frame shown then, so that it lands on that frame exactly; a time a
// little after the last one decodes forward without seeking.
class FrameReader
{
public:
    FrameReader();
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // False, with the reason in words, when the file holds no video the
    // libraries decode.
    bool Open(const QString& i_Path, QString& o_Problem);
    void Close();
    bool IsOpen() const;
    const VideoCut::Source& Source() const { return m_Source; }

    // The frame shown i_Seconds after the start, as RGB32: the one nearest
    // to that time, as the renderer's --from takes it; the last frame for a
    // time past the end. Null, with the reason, when it cannot be decoded.
    QImage FrameAt(double i_Seconds, QString* o_Problem = nullptr);
    // The time of the frame last returned, from the start.
    double FrameTime() const { return m_FrameTime; }

private:
    struct Decoder;
    std::unique_ptr<Decoder> m_Decoder;
    VideoCut::Source m_Source;
    double m_FrameTime = 0;
};
