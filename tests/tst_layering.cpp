#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

// The core library stands on Qt Core and Gui alone: none of its files may
// reach a widget header, however it is spelt, nor a file of the project
// outside core/, which would make a folder cycle.
class TestLayering : public QObject
{
    Q_OBJECT

private slots:
    void coreIncludesNoWidgetsAndNothingOutsideIt()
    {
        QSet<QString> widgetHeaders;
        for (const QString& name : QDir(QStringLiteral(QUILLEX_WIDGETS_HEADERS)).entryList(QDir::Files))
            widgetHeaders.insert(name.toLower());
        QVERIFY(widgetHeaders.contains("qwidget") && widgetHeaders.contains("qgraphicsitem.h"));

        const QRegularExpression include(QStringLiteral("^\\s*#\\s*include\\s*([<\"])([^>\"]+)[>\"]"));
        const QStringList sources = QStringLiteral(QUILLEX_CORE_SOURCES).split('|');
        QVERIFY(sources.size() > 20);
        QStringList wrong;
        for (const QString& source : sources) {
            if (QDir::isAbsolutePath(source))
                continue; // made by the build (moc)
            QFile file(QDir(QStringLiteral(QUILLEX_SOURCE_DIR)).filePath(source));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(source));
            QVERIFY2(source.startsWith("core/"), qPrintable(source + ": a core file outside core/"));
            const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
            for (int n = 0; n < lines.size(); ++n) {
                const QRegularExpressionMatch match = include.match(lines[n]);
                if (!match.hasMatch())
                    continue;
                const QString name = match.captured(2);
                const bool widgets = name.startsWith("QtWidgets", Qt::CaseInsensitive)
                    || widgetHeaders.contains(name.section('/', -1).toLower());
                if (match.captured(1) == "\"" ? !name.startsWith("core/") : widgets)
                    wrong << QStringLiteral("%1:%2: %3").arg(source).arg(n + 1).arg(lines[n].trimmed());
            }
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestLayering)
#include "tst_layering.moc"
