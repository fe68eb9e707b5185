#include "tests/testsupport/CoreSupport.h"

#include <QFile>
#include <QSettings>

#include <unistd.h>

#include <cstdio>

IsolatedSettings::IsolatedSettings()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
}

QImage NoiseImage(int width, int height, QImage::Format format, quint32 seed, bool translucent)
{
    static const QRgb alphas[] = {255, 128, 1, 0, 77};
    QImage image(width, height, QImage::Format_ARGB32);
    quint32 state = seed * 2654435761u + 12345u;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            line[x] = (translucent ? alphas[(x + 2 * y) % 5] : 0xFFu) << 24 | (state & 0x00FFFFFFu);
        }
    }
    return format == QImage::Format_ARGB32 ? image : image.convertToFormat(format);
}

QString ImageDifference(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size())
        return QString("size %1 x %2, expected %3 x %4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* le = reinterpret_cast<const QRgb*>(e.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if (la[x] != le[x])
                return QString("pixel (%1, %2) is #%3, expected #%4")
                    .arg(x)
                    .arg(y)
                    .arg(la[x], 8, 16, QChar('0'))
                    .arg(le[x], 8, 16, QChar('0'));
    }
    return QString();
}

QStringList FileLines(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QString last = lines.takeLast();
    if (!last.isEmpty())
        lines << last << QStringLiteral("<no line feed at end>");
    return lines;
}

QString LinkTarget(const QString& path)
{
    char buffer[4096];
    const ssize_t size = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return size < 0 ? QString() : QFile::decodeName(QByteArray(buffer, int(size)));
}

StderrCapture::StderrCapture()
{
    std::fflush(stderr);
    m_file.open();
    m_saved = ::dup(2);
    ::dup2(m_file.handle(), 2);
}

StderrCapture::~StderrCapture()
{
    restore();
}

QString StderrCapture::take()
{
    restore();
    QFile file(m_file.fileName());
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

void StderrCapture::restore()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, 2);
    ::close(m_saved);
    m_saved = -1;
}
