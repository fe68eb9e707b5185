#pragma once

#include "core/covering/SoftEdge.h"
#include "core/geometry/OutputGeometry.h"

#include <QByteArray>
#include <QColor>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <array>

// The configuration file that keeps both pages' set-ups: its keys, their
// encodings (text on the covering page, typed values on the canvas page)
// and the rules for missing and wrongly typed values. Users keep these
// files, so what is written here stays readable by later versions.
namespace SetupFile {

// The name saved to: ".dat" appended unless the name already ends with it,
// in any case.
QString WithSuffix(const QString& i_FileName);

// Set-ups are a few kilobytes; a file larger than this is not one, and is
// not read whole.
constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;

// The file's top-level object; a text that does not parse, or whose top
// level is not an object, reads as an empty object.
QJsonObject Parse(const QByteArray& i_Text);
// Indented JSON text with "Version" "1.0" added.
QByteArray Serialize(QJsonObject i_Top);

// A page's video settings, kept only while its picture is a video: the
// codec by its renderer's name ("h264", "hevc", "ffv1", "prores", "hap"),
// the quality (0 to 51), the audio ("all", "first", "none") and the time
// on show, in seconds. Written only when `present`, so that set-ups of
// pictures are saved as before; a file with "VideoCodec" reads as present,
// and values out of range read as the defaults.
struct Video
{
    bool present = false;
    QString codec = QStringLiteral("h264");
    int crf = 18;
    QString audio = QStringLiteral("all");
    double time = 0;
};

// The covering page's values, in the order reading applies them.
struct Covering
{
    int screenW = 0;
    int screenH = 0;
    int outputW = 0;
    int outputH = 0;
    bool isFullScreen = false;
    bool isOriginalSize = false;
    bool isCustomSize = false;
    bool isCentered = false;
    bool isCustomPosition = false;
    int customSizeWidth = 0;
    int customSizeHeight = 0;
    int customPosWidth = 0;
    int customPosHeight = 0;
    bool isColorBackground = false;
    bool isTransparentBackground = false;
    QColor backgroundColor;
    bool isImgSizeLocked = false;
    QString outputFilePrefix;
    int pictureQuality = 100; // read as 100 when below 50
    QString picturePath;      // written only when a file exists there
    bool isCropped = false;
    int cropLeft = 0;
    int cropRight = 0;
    int cropTop = 0;
    int cropBottom = 0;
    bool isCoveringHorizontal = false;
    bool isCoveringVertical = false;
    std::array<int, 7> coveringHorizontal{};
    std::array<int, 7> coveringVertical{};
    // The common value of all seams. Files of earlier versions lack it: the
    // page's common boxes then stay as they are.
    int coveringHorizontalAll = 0;
    int coveringVerticalAll = 0;
    bool hasCoveringAll = false;
    // Soft edges, the decimals as text with a dot ("2.0"). Written only when
    // one of them differs from its default, so that other set-ups are saved
    // as before. Files without them, or with values that do not parse or lie
    // outside the controls' ranges, read as off with the defaults.
    bool isSoftEdge = false;
    double softEdgeCurve = SoftEdge::kDefaultCurve;
    double softEdgeGamma = SoftEdge::kDefaultGamma;
    bool softEdgeMasks = false;
    // How the grid's panels are mounted ("CoveringRotation" in degrees
    // clockwise, "CoveringMirror" 0 none, 1 horizontal, 2 vertical), and the
    // panel the "Panel size..." dialog was given, in millimetres as text with
    // a dot. Each is written only when set, so that other set-ups are saved
    // as before; unknown values read as upright and as no panel.
    OutputGeometry::Orientation orientation;
    bool hasPanel = false;
    OutputGeometry::Panel panel;
    // As text: "VideoCodec", "VideoCrf", "VideoAudio", "VideoTime".
    Video video;
};

Covering ReadCovering(const QJsonObject& i_Top);
void WriteCovering(const Covering& i_Values, QJsonObject& io_Top);

struct Output
{
    int id = 0;
    QString label;
    int posX = 0;
    int posY = 0;
    int width = 0;
    int height = 0;
    QColor color;
    // How its panel is mounted ("Rotation", "Mirror" as on the covering
    // page) and the size of its file ("DeviceWidth", "DeviceHeight"; 0 is
    // the rectangle's side). Written only when they differ from these.
    OutputGeometry::Orientation orientation;
    int deviceWidth = 0;
    int deviceHeight = 0;
};

struct Canvas
{
    int screenH = 0; // the screen's width
    int screenV = 0; // and height
    bool isFullScreen = false;
    bool isOriginalSize = false;
    bool isCustomSize = false;
    int customSizeWidth = 0;
    int customSizeHeight = 0;
    bool isImgSizeLocked = false;
    bool isCentered = false;
    bool isCustomPosition = false;
    int customPosWidth = 0;
    int customPosHeight = 0;
    bool isColorBackground = false;
    QColor backgroundColor;
    bool isTransparentBackground = false;
    int pictureQuality = 0;
    QString outputFilePrefix;
    QString outputLabel;
    QString picturePath;
    // The outputs to create: at most 16, only entries whose "ID" is their
    // position, and labels cleaned as typed labels are.
    QList<Output> outputs;
    int outputIndexSelected = 0; // a created output, else 0
    bool hasOutputSelected = false;
    bool isCropped = false;
    int cropLeft = 0;
    int cropRight = 0;
    int cropTop = 0;
    int cropBottom = 0;
    // Typed, in "CanvasPage", under the covering page's names.
    Video video;
};

Canvas ReadCanvas(const QJsonObject& i_Top);
void WriteCanvas(const Canvas& i_Values, QJsonObject& io_Top);

} // namespace SetupFile
