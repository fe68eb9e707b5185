#include "render/Progress.h"

#include "core/files/SafeFiles.h"

#include <cstdio>

namespace {

constexpr int kBarWidth = 30;

QString Clock(qint64 i_Ms)
{
    const qint64 seconds = i_Ms / 1000;
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

void Print(const QString& i_Text)
{
    const QByteArray bytes = i_Text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace

Progress::Progress(int i_TotalFiles, bool i_Shown, bool i_Terminal)
    : m_Total(i_TotalFiles)
    , m_Shown(i_Shown)
    , m_Terminal(i_Terminal)
{
    m_Clock.start();
    if (m_Shown && m_Terminal)
        Draw();
}

void Progress::FileDone()
{
    ++m_Done;
    if (m_Shown && m_Terminal)
        Draw();
}

void Progress::FilesDropped(int i_Count)
{
    m_Total -= i_Count;
    if (m_Shown && m_Terminal)
        Draw();
}

void Progress::PictureDone(const QString& i_Picture, int i_Written)
{
    if (!m_Shown || m_Terminal)
        return;
    Print(QStringLiteral("%1: %2 files written (%3 of %4 files, %5 elapsed)\n")
              .arg(SafeFiles::Printable(i_Picture))
              .arg(i_Written)
              .arg(m_Done)
              .arg(m_Total)
              .arg(Clock(m_Clock.elapsed())));
}

void Progress::Frames(qint64 i_Done, qint64 i_Total)
{
    if (i_Done < m_LastFrames || !m_FrameClock.isValid()) {
        m_FrameClock.start();
        m_FramesShownAt = -1;
    }
    m_LastFrames = i_Done;
    if (!m_Shown)
        return;
    const qint64 elapsed = m_FrameClock.elapsed();
    const qint64 every = m_Terminal ? 100 : 10000;
    if (m_FramesShownAt >= 0 && elapsed - m_FramesShownAt < every && i_Done != i_Total)
        return;
    m_FramesShownAt = elapsed;
    const double rate = elapsed > 0 ? 1000.0 * double(i_Done) / double(elapsed) : 0;
    const QString left = i_Total > i_Done && rate > 0 ? Clock(qint64(1000.0 * double(i_Total - i_Done) / rate))
                                                      : QStringLiteral("-:--");
    const QString total = i_Total > 0 ? QString::number(i_Total) : QStringLiteral("?");
    const QString text = QStringLiteral("%1/%2 frames  %3 fps  %4 left ")
                             .arg(i_Done)
                             .arg(total)
                             .arg(rate, 0, 'f', 1)
                             .arg(left);
    if (m_Terminal) {
        Print(QStringLiteral("\r\x1b[K") + text);
        m_BarOnScreen = true;
    } else {
        Print(text.trimmed() + QLatin1Char('\n'));
    }
}

void Progress::Message(const QString& i_Line)
{
    ClearBar();
    Print(i_Line + QLatin1Char('\n'));
    if (m_Shown && m_Terminal)
        Draw();
}

void Progress::Finish()
{
    if (m_BarOnScreen)
        Print(QStringLiteral("\n"));
    m_BarOnScreen = false;
}

void Progress::Draw()
{
    const int total = qMax(m_Total, 1);
    const int filled = kBarWidth * qMin(m_Done, total) / total;
    const qint64 elapsed = m_Clock.elapsed();
    const QString left = m_Done > 0 ? Clock(elapsed * (m_Total - m_Done) / m_Done) : QStringLiteral("-:--");
    Print(QStringLiteral("\r[%1%2] %3/%4 files  %5 elapsed  %6 left ")
              .arg(QString(filled, QLatin1Char('#')), QString(kBarWidth - filled, QLatin1Char('.')))
              .arg(m_Done)
              .arg(m_Total)
              .arg(Clock(elapsed), left));
    m_BarOnScreen = true;
}

void Progress::ClearBar()
{
    if (!m_BarOnScreen)
        return;
    // Back to the line's start and erase it.
    Print(QStringLiteral("\r\x1b[K"));
    m_BarOnScreen = false;
}
