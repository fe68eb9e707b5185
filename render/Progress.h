#pragma once

#include <QElapsedTimer>
#include <QString>

// What the renderer tells on standard error while it works: a bar (files
// done out of all, time spent, time left) redrawn in place on a terminal;
// elsewhere, where a bar would only clutter a log, one line per finished
// picture. Messages go through here so that they never land inside the bar.
class Progress
{
public:
    // i_Shown false keeps the progress quiet; messages still go out.
    Progress(int i_TotalFiles, bool i_Shown, bool i_Terminal);

    void FileDone();
    // Files that will not be made after all (a picture that cannot be read).
    void FilesDropped(int i_Count);
    void PictureDone(const QString& i_Picture, int i_Written);
    // A video's frames sent to its outputs, out of about how many (0: not
    // known): shown with frames per second and the time left, on a terminal
    // at most ten times a second, elsewhere every ten seconds.
    void Frames(qint64 i_Done, qint64 i_Total);
    void Message(const QString& i_Line);
    void Finish();

private:
    void Draw();
    void ClearBar();

    int m_Total = 0;
    int m_Done = 0;
    bool m_Shown = false;
    bool m_Terminal = false;
    bool m_BarOnScreen = false;
    QElapsedTimer m_Clock;
    QElapsedTimer m_FrameClock; // since the video's first frame
    qint64 m_LastFrames = -1;
    qint64 m_FramesShownAt = 0;
};
