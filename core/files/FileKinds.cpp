#include "core/files/FileKinds.h"

#include "core/imaging/PngReader.h"

#include <QFileInfo>

namespace FileKinds {

QStringList VideoPatterns()
{
    return {QStringLiteral("*.mp4"),  QStringLiteral("*.mkv"), QStringLiteral("*.mov"), QStringLiteral("*.avi"),
            QStringLiteral("*.webm"), QStringLiteral("*.m4v"), QStringLiteral("*.mxf"), QStringLiteral("*.ts"),
            QStringLiteral("*.mpg"),  QStringLiteral("*.mpeg")};
}

Kind Of(const QString& i_Path)
{
    const QString pattern = QStringLiteral("*.") + QFileInfo(i_Path).suffix().toLower();
    if (pattern == QLatin1String("*.dat"))
        return Kind::Setup;
    if (PngReader::PicturePatterns().contains(pattern))
        return Kind::Picture;
    if (VideoPatterns().contains(pattern))
        return Kind::Video;
    return Kind::Unknown;
}

} // namespace FileKinds
