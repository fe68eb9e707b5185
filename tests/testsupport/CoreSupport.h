#pragma once

#include <QImage>
#include <QList>
#include <QQueue>
#include <QString>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>

#include <functional>

// Points the toolkit's user-scope settings at a temporary folder so tests
// never read or write the user's own settings. Create before any QSettings.
class IsolatedSettings
{
public:
    IsolatedSettings();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

// Deterministic noise: every pixel differs from its neighbours, so an
// off-by-one in any cut shows. Translucent noise cycles alpha through
// 255, 128, 1, 0 and 77, for the cases where alpha is lost or rounded.
QImage NoiseImage(int width, int height, QImage::Format format = QImage::Format_ARGB32, quint32 seed = 1,
                  bool translucent = false);

// Empty string when equal; otherwise names the first differing pixel.
QString ImageDifference(const QImage& actual, const QImage& expected);

#define COMPARE_IMAGES(actual, expected)                             \
    do {                                                             \
        const QString diff_ = ImageDifference((actual), (expected)); \
        if (!diff_.isEmpty())                                        \
            QFAIL(qPrintable(diff_));                                \
    } while (false)

// Lines of a text file; a last line without its line feed comes back
// followed by "<no line feed at end>".
QStringList FileLines(const QString& path);

// The target as stored in a symbolic link, not resolved.
QString LinkTarget(const QString& path);

// Catches what is printed on standard error while it lives (or until take()).
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    QString take();

private:
    void restore();
    QTemporaryFile m_file;
    int m_saved = -1;
};
