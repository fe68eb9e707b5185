#pragma once

#include <QString>
#include <QStringList>

// What a file is taken for, by its name alone: nothing is opened, so a pipe
// or a slow disk never holds up the caller, and a damaged file still reaches
// the reader that says what is wrong with it.
namespace FileKinds {

enum class Kind
{
    Setup,
    Picture,
    Video,
    Unknown
};

Kind Of(const QString& i_Path);

// Name patterns of the containers read as videos ("*.mp4", ...).
QStringList VideoPatterns();

} // namespace FileKinds
