#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>

// Opening and replacing files the way a user's work needs: nothing that could
// block (a pipe, a device) is opened as a file, a replaced file is either the
// whole new one or the old one, and names shown in messages are shown whole.
namespace SafeFiles {

// Empty when i_Path names a regular file (or a link to one), which opening
// and reading cannot block on; otherwise why not, in words for a message. A
// path holding a NUL character is refused: the system would read it cut
// short, as another file.
QString ReadableFileProblem(const QString& i_Path);

// Writes all of i_Data to io_File, opened unbuffered (a buffered short write
// fails later, at the flush, with no reason); false with the system's reason
// when the file takes less.
bool WriteWhole(QFileDevice& io_File, const QByteArray& i_Data, QString& o_Reason);

// Replaces the file at i_Path with i_Data, or creates it. The old file is
// replaced only once the whole new one is written and flushed; otherwise it
// stays as it was, no temporary file is left, and o_Reason says why.
bool WriteAtomically(const QString& i_Path, const QByteArray& i_Data, QString& o_Reason);

// i_Text with its control characters escaped ("\0", "\x1b", "\n"), so that a
// name in a message shows whole and cannot drive the terminal.
QString Printable(const QString& i_Text);

} // namespace SafeFiles
