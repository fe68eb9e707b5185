#include "core/naming/OutputNames.h"

#include <QFileInfo>

namespace OutputNames {

namespace {

// Letters (with their combining marks) and digits of every script, "_", "-",
// "." and blanks: never a separator, ":" or a control character.
const char* const kNameCharacters = "\\w\\p{M}\\-. ";

QString Tagged(const QString& i_Image, const QString& i_Tag)
{
    QString name = i_Image;
    if (name.endsWith(QLatin1String(".png")))
        name.chop(4);
    return name + i_Tag + QStringLiteral(".png");
}

} // namespace

QRegularExpression NamePattern()
{
    return QRegularExpression(QStringLiteral("^[%1]*$").arg(QLatin1String(kNameCharacters)),
                              QRegularExpression::UseUnicodePropertiesOption);
}

QString CleanLabel(const QString& i_Label)
{
    static const QRegularExpression refused(QStringLiteral("[^%1]").arg(QLatin1String(kNameCharacters)),
                                            QRegularExpression::UseUnicodePropertiesOption);
    return QString(i_Label).remove(refused).left(kMaxLabel);
}

QString Prefix(const QString& i_Typed, const QString& i_PicturePath)
{
    return i_Typed.isEmpty() ? QFileInfo(i_PicturePath).baseName() : i_Typed;
}

QString Covering(const QString& i_Prefix, int i_Column, int i_Row)
{
    return i_Prefix + QStringLiteral("_%1_%2.png").arg(i_Column).arg(i_Row);
}

QString Canvas(const QString& i_Prefix, const QString& i_Label)
{
    return i_Prefix + QLatin1Char('_') + i_Label + QStringLiteral(".png");
}

QString Mask(const QString& i_Image)
{
    return Tagged(i_Image, QStringLiteral("_mask"));
}

QString Pattern(const QString& i_Image)
{
    return Tagged(i_Image, QStringLiteral("_pattern"));
}

bool IsPlainFileName(const QString& i_Name)
{
    if (i_Name.isEmpty() || i_Name == QLatin1String(".") || i_Name == QLatin1String(".."))
        return false;
    for (const QChar c : i_Name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}

} // namespace OutputNames
