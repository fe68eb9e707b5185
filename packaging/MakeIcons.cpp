// Makes the program icon in the sizes desktops look for, from one picture:
// padded to a square (transparent), scaled smoothly, one PNG per size.
//
// Usage: quillex-make-icons PICTURE FOLDER SIZE...
//        writes FOLDER/SIZExSIZE/apps/kv-quillex.png for each size

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PICTURE FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "%s: cannot read the picture\n", argv[1]);
        return 1;
    }
    const int side = qMax(source.width(), source.height());
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    {
        QPainter painter(&square);
        painter.drawImage((side - source.width()) / 2, (side - source.height()) / 2, source);
    }
    for (int k = 3; k < argc; ++k) {
        const int size = QString::fromLatin1(argv[k]).toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        const QImage icon = square.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32);
        if (size <= 0 || !QDir().mkpath(folder) || !icon.save(folder + QStringLiteral("/kv-quillex.png"))) {
            std::fprintf(stderr, "%s: cannot write the icon of %s pixels\n", qPrintable(folder), argv[k]);
            return 1;
        }
    }
    return 0;
}
