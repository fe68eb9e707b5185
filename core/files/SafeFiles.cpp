#include "core/files/SafeFiles.h"

#include <QFileInfo>
#include <QSaveFile>

namespace SafeFiles {

namespace {
// The system would read such a name cut short, as another file.
const char* const kNulInName = "the name holds a NUL character";
} // namespace

QString ReadableFileProblem(const QString& i_Path)
{
    if (i_Path.contains(QChar(0)))
        return QLatin1String(kNulInName);
    const QFileInfo info(i_Path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("a folder, not a file");
    if (!info.isFile())
        return QStringLiteral("not a regular file (a pipe, socket or device)");
    return QString();
}

bool WriteWhole(QFileDevice& io_File, const QByteArray& i_Data, QString& o_Reason)
{
    // A short write says nothing; the next one fails with the system's reason.
    qint64 done = 0;
    while (done < i_Data.size()) {
        const qint64 step = io_File.write(i_Data.constData() + done, i_Data.size() - done);
        if (step <= 0)
            break;
        done += step;
    }
    if (done == i_Data.size() && io_File.error() == QFileDevice::NoError)
        return true;
    o_Reason = io_File.error() != QFileDevice::NoError ? io_File.errorString() : QStringLiteral("cannot write");
    return false;
}

bool WriteAtomically(const QString& i_Path, const QByteArray& i_Data, QString& o_Reason)
{
    if (i_Path.contains(QChar(0))) {
        o_Reason = QLatin1String(kNulInName);
        return false;
    }
    QSaveFile file(i_Path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        o_Reason = file.errorString();
        return false;
    }
    // commit() may report success although its last flush failed, and then
    // puts the short file in place of the old one: the write is checked
    // first. An uncommitted QSaveFile removes its temporary file.
    if (!WriteWhole(file, i_Data, o_Reason)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        o_Reason = file.errorString();
        return false;
    }
    return true;
}

QString Printable(const QString& i_Text)
{
    QString text;
    text.reserve(i_Text.size());
    for (const QChar c : i_Text) {
        if (c.unicode() == 0)
            text += QLatin1String("\\0");
        else if (c.category() == QChar::Other_Control)
            text += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

} // namespace SafeFiles
