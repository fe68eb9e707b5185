#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtTest>

// Stand-ins carrying the class names the application style sheet selects;
// the sheet matches on the meta-object class name only.
namespace {

class CLASS_KV_PUSH_OUTPUT_BUTTON : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;
};

class CLASS_KV_OUTPUT_SETTINGS_WIDGET : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
};

const char* const kStyleSheetPath = ":/style sheet/StyleSheet_MacOSX.css";

QString ReadText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    return QString::fromUtf8(file.readAll());
}

// Collects the style-sheet parser's complaints while alive.
class ParseWarnings
{
public:
    ParseWarnings() { s_messages.clear(); s_previous = qInstallMessageHandler(&Handler); }
    ~ParseWarnings() { qInstallMessageHandler(s_previous); }
    QStringList messages() const { return s_messages; }

private:
    static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (text.contains("parse", Qt::CaseInsensitive) || text.contains("stylesheet", Qt::CaseInsensitive))
            s_messages << text;
        if (s_previous)
            s_previous(type, context, text);
    }
    static QtMessageHandler s_previous;
    static QStringList s_messages;
};
QtMessageHandler ParseWarnings::s_previous = nullptr;
QStringList ParseWarnings::s_messages;

// Opaque pixels of an icon that are not on its one-pixel outer frame.
QList<QPoint> InnerInk(const QImage& image)
{
    QList<QPoint> ink;
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x)
            if (qAlpha(image.pixel(x, y)) > 0)
                ink << QPoint(x, y);
    return ink;
}

bool FrameIsOpaqueWhite(const QImage& image)
{
    const int w = image.width(), h = image.height();
    for (int i = 0; i < w; ++i)
        if (image.pixel(i, 0) != 0xFFFFFFFFu || image.pixel(i, h - 1) != 0xFFFFFFFFu)
            return false;
    for (int j = 0; j < h; ++j)
        if (image.pixel(0, j) != 0xFFFFFFFFu || image.pixel(w - 1, j) != 0xFFFFFFFFu)
            return false;
    return true;
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }

    void picturesLoadWithAlphaAtTheirSize_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("logo") << ":/Logo/logo-kv.png" << QSize(204, 32);
        QTest::newRow("logo white") << ":/Logo/logo-blanc.png" << QSize(150, 111);
        QTest::newRow("logo white long") << ":/Logo/logo-blanc-long.png" << QSize(180, 46);
        QTest::newRow("about") << ":/icons/icone-about.png" << QSize(137, 136);
        QTest::newRow("grid") << ":/icons/grid.png" << QSize(16, 16);
        for (const char* name : {"pos-top-left", "pos-top-center", "pos-top-right", "pos-center-left",
                                 "pos-center", "pos-center-right", "pos-bottom-left",
                                 "pos-bottom-center", "pos-bottom-right"})
            QTest::newRow(name) << QString(":/icons/Icones_Options/%1.png").arg(name) << QSize(16, 16);
        for (const char* name : {"quarter-size", "full-size-v", "full-size-h", "full-size"})
            QTest::newRow(name) << QString(":/icons/Icones_Options/%1.png").arg(name) << QSize(15, 15);
        QTest::newRow("lock open") << ":/locker/locker-open.png" << QSize(300, 300);
        QTest::newRow("lock closed") << ":/locker/locker-close.png" << QSize(300, 300);
        QTest::newRow("spin up") << ":/Icon_StyleSheet/up-arrow-12x12.png" << QSize(12, 12);
        QTest::newRow("spin down") << ":/Icon_StyleSheet/down-arrow-12x12.png" << QSize(12, 12);
        QTest::newRow("combo down") << ":/Icon_StyleSheet/down-arrow-15x15.png" << QSize(15, 15);
    }
    void picturesLoadWithAlphaAtTheirSize()
    {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QCOMPARE(image.size(), size);
        QVERIFY(image.hasAlphaChannel());
    }

    void textFilesAreThere_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mustContain");
        QTest::newRow("macOS sheet") << kStyleSheetPath << "CLASS_KV_PUSH_OUTPUT_BUTTON";
        QTest::newRow("Windows sheet") << ":/style sheet/StyleSheet_Windows.css" << "CLASS_KV_PUSH_OUTPUT_BUTTON";
        QTest::newRow("EULA") << ":/Licenses/KV_EULA.html" << "Kevrel";
        QTest::newRow("LGPL") << ":/Licenses/lgpl.html" << "https://www.gnu.org/licenses/lgpl-3.0.html";
    }
    void textFilesAreThere()
    {
        QFETCH(QString, path);
        QFETCH(QString, mustContain);
        const QString text = ReadText(path);
        QVERIFY2(!text.isEmpty(), qPrintable(path));
        QVERIFY(text.contains(mustContain));
        if (path.endsWith(".html")) {
            QVERIFY(text.contains("<html"));
            QVERIFY(text.contains("</html>"));
        }
    }

    void gridIsTheExactCheckerboard()
    {
        QImage expected(16, 16, QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                expected.setPixel(x, y, ((x < 8) != (y < 8)) ? 0xFF666666u : 0xFF999999u);
        COMPARE_IMAGES(QImage(":/icons/grid.png"), expected);
    }

    // The filled square must sit at the named place: the centre of its ink
    // falls into the matching third of the icon.
    void positionIconShowsItsPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        const char* rows[] = {"top", "center", "bottom"};
        const char* columns[] = {"left", "center", "right"};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                const QString name = (r == 1 && c == 1) ? QString("pos-center")
                                                        : QString("pos-%1-%2").arg(rows[r], columns[c]);
                QTest::newRow(qPrintable(name)) << name << c << r;
            }
    }
    void positionIconShowsItsPlace()
    {
        QFETCH(QString, name);
        QFETCH(int, column);
        QFETCH(int, row);
        const QImage image = QImage(":/icons/Icones_Options/" + name + ".png").convertToFormat(QImage::Format_ARGB32);
        QVERIFY(FrameIsOpaqueWhite(image));
        const QList<QPoint> ink = InnerInk(image);
        QCOMPARE(ink.size(), 36); // one 6 x 6 square, nothing else
        QPointF centre;
        for (const QPoint& p : ink) {
            QCOMPARE(image.pixel(p), 0xFFFFFFFFu);
            centre += QPointF(p.x() + 0.5, p.y() + 0.5) / ink.size();
        }
        QCOMPARE(int(centre.x() * 3 / 16), column);
        QCOMPARE(int(centre.y() * 3 / 16), row);
    }

    // Each size icon draws only inside the part it stands for.
    void sizeIconCoversItsPart_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("part");
        QTest::addColumn<QRect>("reach"); // the ink's bounds
        QTest::newRow("quarter") << "quarter-size" << QRect(1, 1, 7, 7) << QRect(1, 1, 7, 7);
        QTest::newRow("left half") << "full-size-v" << QRect(1, 1, 7, 13) << QRect(1, 1, 7, 13);
        QTest::newRow("top half") << "full-size-h" << QRect(1, 1, 13, 7) << QRect(1, 1, 13, 7);
        // Arrow tips stop one pixel short of the frame so they stay apart from it.
        QTest::newRow("whole") << "full-size" << QRect(1, 1, 13, 13) << QRect(2, 2, 11, 11);
    }
    void sizeIconCoversItsPart()
    {
        QFETCH(QString, name);
        QFETCH(QRect, part);
        QFETCH(QRect, reach);
        const QImage image = QImage(":/icons/Icones_Options/" + name + ".png").convertToFormat(QImage::Format_ARGB32);
        QVERIFY(FrameIsOpaqueWhite(image));
        const QList<QPoint> ink = InnerInk(image);
        QVERIFY(!ink.isEmpty());
        QRect bounds;
        for (const QPoint& p : ink) {
            QVERIFY2(part.contains(p), qPrintable(QString("ink at (%1, %2)").arg(p.x()).arg(p.y())));
            bounds |= QRect(p, QSize(1, 1));
        }
        QCOMPARE(bounds, reach);
    }

    void arrowsPointTheRightWay_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("up");
        QTest::newRow("spin up") << ":/Icon_StyleSheet/up-arrow-12x12.png" << true;
        QTest::newRow("spin down") << ":/Icon_StyleSheet/down-arrow-12x12.png" << false;
        QTest::newRow("combo down") << ":/Icon_StyleSheet/down-arrow-15x15.png" << false;
    }
    void arrowsPointTheRightWay()
    {
        QFETCH(QString, path);
        QFETCH(bool, up);
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        // Ink per row: a triangle's rows grow from the tip to the base.
        int first = -1, last = -1;
        QVector<int> weight(image.height());
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                weight[y] += qAlpha(image.pixel(x, y));
            if (weight[y] > 0) {
                if (first < 0)
                    first = y;
                last = y;
            }
        }
        QVERIFY(first >= 0);
        QVERIFY(last - first >= 3);
        if (up)
            QVERIFY(weight[first] < weight[last]);
        else
            QVERIFY(weight[first] > weight[last]);
    }

    void lockIconsDiffer()
    {
        const QImage open(":/locker/locker-open.png");
        const QImage closed(":/locker/locker-close.png");
        QVERIFY(!ImageDifference(open, closed).isEmpty());
        // Both fade to transparent around the padlock: they sit on buttons.
        QCOMPARE(qAlpha(open.pixel(2, 297)), 0);
        QCOMPARE(qAlpha(closed.pixel(2, 297)), 0);
    }

    void styleSheetParsesWithoutWarnings_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("macOS") << kStyleSheetPath;
        QTest::newRow("Windows") << ":/style sheet/StyleSheet_Windows.css";
    }
    void styleSheetParsesWithoutWarnings()
    {
        QFETCH(QString, path);
        const QString sheet = ReadText(path);
        QVERIFY(!sheet.isEmpty());
        ParseWarnings warnings;
        QWidget root;
        root.setStyleSheet(sheet);
        auto* layout = new QVBoxLayout(&root);
        auto* group = new QGroupBox("GROUP", &root);
        auto* groupLayout = new QVBoxLayout(group);
        groupLayout->addWidget(new QLabel("label", group));
        groupLayout->addWidget(new QSpinBox(group));
        groupLayout->addWidget(new QCheckBox("check", group));
        auto* combo = new QComboBox(group);
        combo->addItems({"one", "two"});
        groupLayout->addWidget(combo);
        layout->addWidget(group);
        layout->addWidget(new QLineEdit(&root));
        layout->addWidget(new CLASS_KV_PUSH_OUTPUT_BUTTON("Output 1", &root));
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        root.grab();
        QVERIFY2(warnings.messages().isEmpty(), qPrintable(warnings.messages().join('\n')));
    }

    void styleSheetUsesTheResourceArrows()
    {
        const QString sheet = ReadText(kStyleSheetPath);
        for (const char* url : {"url(:/Icon_StyleSheet/up-arrow-12x12.png)",
                                "url(:/Icon_StyleSheet/down-arrow-12x12.png)",
                                "url(:/Icon_StyleSheet/down-arrow-15x15.png)"}) {
            QVERIFY2(sheet.contains(url), url);
            const QString path = QString(url).mid(4).chopped(1);
            QVERIFY2(QFile::exists(path), qPrintable(path));
        }
    }

    // The dark theme as a user sees it: background colours of the widgets the
    // sheet names, read back from a rendering.
    void styleSheetColoursWidgets_data()
    {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("plain widget") << "plain" << QColor("#191919");
        QTest::newRow("group box") << "group" << QColor("#2F2F2F");
        QTest::newRow("label in group box") << "groupLabel" << QColor("#2F2F2F");
        QTest::newRow("frame in group box") << "groupFrame" << QColor("#2F2F2F");
        QTest::newRow("push button") << "button" << QColor("#6C6C6C");
        QTest::newRow("checked push button") << "checkedButton" << QColor("#DB7000");
        QTest::newRow("line edit") << "lineEdit" << QColor("#6C6C6C");
        QTest::newRow("size read-out frame") << "frameImageSizeCovering" << QColor("#000000");
        QTest::newRow("label in size read-out") << "sizeLabel" << QColor("#000000");
        QTest::newRow("status frame") << "frameScreenConfigStatus" << QColor("#000000");
        QTest::newRow("output button") << "outputButton" << QColor("#000000");
        QTest::newRow("checked output button") << "checkedOutputButton" << QColor("#CECECE");
        QTest::newRow("output settings frame") << "settingsFrame" << QColor("#2F2F2F");
    }
    void styleSheetColoursWidgets()
    {
        QFETCH(QString, widget);
        QFETCH(QColor, colour);

        QWidget root;
        root.setStyleSheet(ReadText(kStyleSheetPath));
        root.resize(400, 900);
        auto* layout = new QVBoxLayout(&root);
        auto add = [&](QWidget* w, const QString& name, QLayout* into) {
            w->setObjectName(name);
            w->setMinimumSize(60, 40);
            into->addWidget(w);
            return w;
        };
        add(new QWidget, "plain", layout);
        auto* group = static_cast<QGroupBox*>(add(new QGroupBox, "group", layout));
        group->setMinimumSize(200, 300);
        auto* groupLayout = new QVBoxLayout(group);
        add(new QLabel, "groupLabel", groupLayout);
        add(new QFrame, "groupFrame", groupLayout);
        auto* sizeFrame = static_cast<QFrame*>(add(new QFrame, "frameImageSizeCovering", groupLayout));
        auto* sizeLayout = new QVBoxLayout(sizeFrame);
        sizeLayout->setContentsMargins(12, 12, 12, 12);
        add(new QLabel, "sizeLabel", sizeLayout);
        groupLayout->addStretch(); // keeps the group box's lower part empty
        add(new QFrame, "frameScreenConfigStatus", layout);
        add(new QPushButton, "button", layout);
        auto* checked = static_cast<QPushButton*>(add(new QPushButton, "checkedButton", layout));
        checked->setCheckable(true);
        checked->setChecked(true);
        add(new QLineEdit, "lineEdit", layout);
        add(new CLASS_KV_PUSH_OUTPUT_BUTTON, "outputButton", layout);
        auto* checkedOutput = static_cast<QPushButton*>(add(new CLASS_KV_PUSH_OUTPUT_BUTTON, "checkedOutputButton", layout));
        checkedOutput->setCheckable(true);
        checkedOutput->setChecked(true);
        auto* settings = add(new CLASS_KV_OUTPUT_SETTINGS_WIDGET, "settings", layout);
        auto* settingsLayout = new QVBoxLayout(settings);
        add(new QFrame, "settingsFrame", settingsLayout);

        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        const QImage shot = root.grab().toImage();
        QWidget* target = root.findChild<QWidget*>(widget);
        QVERIFY(target);
        // Read a few pixels inside the border, away from the centre where
        // a group box title or a focus frame could be.
        const QPoint inside = target->mapTo(&root, QPoint(target->width() / 2, target->height() - 6));
        QCOMPARE(QColor(shot.pixel(inside * shot.devicePixelRatio())).name(), colour.name());
    }

    void styleSheetFontsOfNamedLabels_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::newRow("ordinary label") << "label_4" << 11 << true << false;
        QTest::newRow("product name") << "labelProductNameTitle" << 14 << true << false;
        QTest::newRow("open source title") << "labelOpenSourceTile" << 14 << true << false;
        QTest::newRow("name warning") << "labelOutputNameWarning" << 11 << false << true;
    }
    void styleSheetFontsOfNamedLabels()
    {
        QFETCH(QString, objectName);
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QWidget root;
        root.setStyleSheet(ReadText(kStyleSheetPath));
        auto* label = new QLabel("text", &root);
        label->setObjectName(objectName);
        label->ensurePolished();
        QCOMPARE(label->font().pixelSize(), pixelSize);
        QCOMPARE(label->font().bold(), bold);
        QCOMPARE(label->font().italic(), italic);
        QCOMPARE(label->font().family(), QString("Arial"));
    }

    void outputNameWarningIsRed()
    {
        QWidget root;
        root.setStyleSheet(ReadText(kStyleSheetPath));
        auto* warning = new QLabel("This output name already exists, it cannot be added.", &root);
        warning->setObjectName("labelOutputNameWarning");
        auto* other = new QLabel("Output 1", &root);
        warning->ensurePolished();
        other->ensurePolished();
        QCOMPARE(warning->palette().color(QPalette::WindowText), QColor(Qt::red));
        QCOMPARE(other->palette().color(QPalette::WindowText), QColor("#FFFFFF"));
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
