#include "core/setup/SetupFile.h"

#include "core/canvas/CanvasOutputs.h"
#include "core/naming/OutputNames.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cmath>

namespace SetupFile {

namespace {

// Covering values are text: another JSON type reads as "", text that is not
// a base-10 integer as 0.
int Text(const QJsonObject& i_Object, const char* i_Key)
{
    return i_Object.value(QLatin1String(i_Key)).toString().toInt();
}

bool TextFlag(const QJsonObject& i_Object, const char* i_Key)
{
    return Text(i_Object, i_Key) == 1;
}

void PutText(QJsonObject& io_Object, const char* i_Key, int i_Value)
{
    io_Object.insert(QLatin1String(i_Key), QString::number(i_Value));
}

void PutTextFlag(QJsonObject& io_Object, const char* i_Key, bool i_Value)
{
    io_Object.insert(QLatin1String(i_Key), QLatin1String(i_Value ? "1" : "0"));
}

// A decimal in [i_Minimum, i_Maximum] written as text with a dot; anything
// else reads as i_Default.
double Decimal(const QJsonObject& i_Object, const char* i_Key, double i_Minimum, double i_Maximum, double i_Default)
{
    bool ok = false;
    const double value = i_Object.value(QLatin1String(i_Key)).toString().toDouble(&ok);
    return ok && value >= i_Minimum && value <= i_Maximum ? value : i_Default;
}

// The shortest text that reads back as the value, keeping one decimal:
// "2.0", "2.25".
void PutDecimal(QJsonObject& io_Object, const char* i_Key, double i_Value)
{
    QString text = QString::number(i_Value, 'f', 6);
    while (text.endsWith(QLatin1Char('0')) && !text.endsWith(QLatin1String(".0")))
        text.chop(1);
    io_Object.insert(QLatin1String(i_Key), text);
}

// Canvas values are typed: another type reads as 0, false or "", and a
// number that is not a whole number (or does not fit) as 0.
int Number(const QJsonObject& i_Object, const char* i_Key)
{
    const QJsonValue value = i_Object.value(QLatin1String(i_Key));
    if (!value.isDouble())
        return 0;
    const double number = value.toDouble();
    if (std::floor(number) != number || number < -2147483648.0 || number > 2147483647.0)
        return 0;
    return int(number);
}

bool Flag(const QJsonObject& i_Object, const char* i_Key)
{
    return i_Object.value(QLatin1String(i_Key)).toBool();
}

QString String(const QJsonObject& i_Object, const char* i_Key)
{
    return i_Object.value(QLatin1String(i_Key)).toString();
}

QColor Colour(const QString& i_Name)
{
    QColor colour;
    if (!i_Name.isEmpty())
        colour.setNamedColor(i_Name);
    return colour;
}

// An invalid colour's name is what the toolkit gives for it, as a saved
// file has always held.
QString ColourName(const QColor& i_Colour)
{
    return i_Colour.name();
}

const char* const kAudioChoices[] = {"all", "first", "none"};
constexpr double kMaxVideoSeconds = 1e7;

// The codec name is the renderer's to check; the rest is brought into range
// here.
Video ReadVideo(const QJsonObject& i_Object, bool i_Typed)
{
    Video v;
    v.present = i_Object.contains(QLatin1String("VideoCodec"));
    if (!v.present)
        return v;
    const QString codec = i_Object.value(QLatin1String("VideoCodec")).toString();
    if (!codec.isEmpty())
        v.codec = codec;
    const QJsonValue crf = i_Object.value(QLatin1String("VideoCrf"));
    bool ok = false;
    const int number = i_Typed ? (crf.isDouble() ? crf.toInt(-1) : -1) : crf.toString().toInt(&ok);
    if ((i_Typed || ok) && number >= 0 && number <= 51)
        v.crf = number;
    const QString audio = i_Object.value(QLatin1String("VideoAudio")).toString();
    for (const char* choice : kAudioChoices)
        if (audio == QLatin1String(choice))
            v.audio = audio;
    const double time = i_Typed ? i_Object.value(QLatin1String("VideoTime")).toDouble(-1)
                                : Decimal(i_Object, "VideoTime", 0, kMaxVideoSeconds, 0);
    if (time >= 0 && time <= kMaxVideoSeconds)
        v.time = time;
    return v;
}

void WriteVideo(const Video& i_Video, QJsonObject& io_Object, bool i_Typed)
{
    if (!i_Video.present)
        return;
    io_Object.insert(QStringLiteral("VideoCodec"), i_Video.codec);
    io_Object.insert(QStringLiteral("VideoAudio"), i_Video.audio);
    if (i_Typed) {
        io_Object.insert(QStringLiteral("VideoCrf"), i_Video.crf);
        io_Object.insert(QStringLiteral("VideoTime"), i_Video.time);
    } else {
        PutText(io_Object, "VideoCrf", i_Video.crf);
        PutDecimal(io_Object, "VideoTime", i_Video.time);
    }
}

} // namespace

QString WithSuffix(const QString& i_FileName)
{
    if (i_FileName.endsWith(QLatin1String(".dat"), Qt::CaseInsensitive))
        return i_FileName;
    return i_FileName + QStringLiteral(".dat");
}

QJsonObject Parse(const QByteArray& i_Text)
{
    return QJsonDocument::fromJson(i_Text).object();
}

QByteArray Serialize(QJsonObject i_Top)
{
    i_Top.insert(QStringLiteral("Version"), QStringLiteral("1.0"));
    return QJsonDocument(i_Top).toJson();
}

Covering ReadCovering(const QJsonObject& i_Top)
{
    Covering c;
    c.screenW = Text(i_Top, "ScreenW");
    c.screenH = Text(i_Top, "ScreenH");
    c.outputW = Text(i_Top, "OutputW");
    c.outputH = Text(i_Top, "OutputH");
    c.isFullScreen = TextFlag(i_Top, "IsFullScreen");
    c.isOriginalSize = TextFlag(i_Top, "IsOriginalSize");
    c.isCustomSize = TextFlag(i_Top, "IsCustomSize");
    c.isCentered = TextFlag(i_Top, "IsCentered");
    c.isCustomPosition = TextFlag(i_Top, "IsCustomPosition");
    c.customSizeWidth = Text(i_Top, "CustomSizeWidth");
    c.customSizeHeight = Text(i_Top, "CustomSizeHeight");
    c.customPosWidth = Text(i_Top, "CustomPosWidth");
    c.customPosHeight = Text(i_Top, "CustomPosHeight");
    c.isColorBackground = TextFlag(i_Top, "IsColorBackground");
    c.isTransparentBackground = TextFlag(i_Top, "IsTransparentBackground");
    c.backgroundColor = Colour(String(i_Top, "BackgroundColor"));
    c.isImgSizeLocked = TextFlag(i_Top, "IsImgSizeLocked");
    c.outputFilePrefix = String(i_Top, "OutputFilePrefix");
    c.pictureQuality = Text(i_Top, "PictureQuality");
    if (c.pictureQuality < 50)
        c.pictureQuality = 100;
    c.picturePath = String(i_Top, "PicturePath");
    c.isCropped = TextFlag(i_Top, "IsCropped");
    c.cropLeft = Text(i_Top, "CropLeft");
    c.cropRight = Text(i_Top, "CropRight");
    c.cropTop = Text(i_Top, "CropTop");
    c.cropBottom = Text(i_Top, "CropBottom");
    c.isCoveringHorizontal = TextFlag(i_Top, "IsCoveringHorizontal");
    c.isCoveringVertical = TextFlag(i_Top, "IsCoveringVertical");
    for (int k = 0; k < 7; ++k) {
        c.coveringHorizontal[k] = Text(i_Top, qPrintable(QStringLiteral("CoveringHorizontal%1").arg(k + 1)));
        c.coveringVertical[k] = Text(i_Top, qPrintable(QStringLiteral("CoveringVertical%1").arg(k + 1)));
    }
    c.hasCoveringAll = i_Top.value(QLatin1String("CoveringHorizontal_X")).isString();
    c.coveringHorizontalAll = Text(i_Top, "CoveringHorizontal_X");
    c.coveringVerticalAll = Text(i_Top, "CoveringVertical_X");
    c.isSoftEdge = TextFlag(i_Top, "IsSoftEdge");
    c.softEdgeCurve = Decimal(i_Top, "SoftEdgeCurve", SoftEdge::kMinCurve, SoftEdge::kMaxCurve, c.softEdgeCurve);
    c.softEdgeGamma = Decimal(i_Top, "SoftEdgeGamma", SoftEdge::kMinGamma, SoftEdge::kMaxGamma, c.softEdgeGamma);
    c.softEdgeMasks = TextFlag(i_Top, "SoftEdgeMasks");
    c.orientation.rotation = OutputGeometry::KnownRotation(Text(i_Top, "CoveringRotation"));
    c.orientation.mirror = OutputGeometry::KnownMirror(Text(i_Top, "CoveringMirror"));
    // A panel is read whole or not at all: its sides must be lengths, its
    // frames no wider than a panel could be.
    const double kMaxMm = OutputGeometry::kMaxPanelMm;
    const double none = -1.0;
    const OutputGeometry::Panel panel{Decimal(i_Top, "PanelWidthMm", 0.0, kMaxMm, none),
                                      Decimal(i_Top, "PanelHeightMm", 0.0, kMaxMm, none),
                                      Decimal(i_Top, "BezelLeftMm", 0.0, kMaxMm, none),
                                      Decimal(i_Top, "BezelRightMm", 0.0, kMaxMm, none),
                                      Decimal(i_Top, "BezelTopMm", 0.0, kMaxMm, none),
                                      Decimal(i_Top, "BezelBottomMm", 0.0, kMaxMm, none)};
    c.hasPanel = panel.width > 0.0 && panel.height > 0.0 && panel.bezelLeft >= 0.0 && panel.bezelRight >= 0.0
        && panel.bezelTop >= 0.0 && panel.bezelBottom >= 0.0;
    if (c.hasPanel)
        c.panel = panel;
    c.video = ReadVideo(i_Top, false);
    return c;
}

void WriteCovering(const Covering& c, QJsonObject& io_Top)
{
    PutText(io_Top, "ScreenW", c.screenW);
    PutText(io_Top, "ScreenH", c.screenH);
    PutText(io_Top, "OutputW", c.outputW);
    PutText(io_Top, "OutputH", c.outputH);
    PutTextFlag(io_Top, "IsFullScreen", c.isFullScreen);
    PutTextFlag(io_Top, "IsOriginalSize", c.isOriginalSize);
    PutTextFlag(io_Top, "IsCustomSize", c.isCustomSize);
    PutTextFlag(io_Top, "IsCentered", c.isCentered);
    PutTextFlag(io_Top, "IsCustomPosition", c.isCustomPosition);
    PutText(io_Top, "CustomSizeWidth", c.customSizeWidth);
    PutText(io_Top, "CustomSizeHeight", c.customSizeHeight);
    PutText(io_Top, "CustomPosWidth", c.customPosWidth);
    PutText(io_Top, "CustomPosHeight", c.customPosHeight);
    PutTextFlag(io_Top, "IsColorBackground", c.isColorBackground);
    PutTextFlag(io_Top, "IsTransparentBackground", c.isTransparentBackground);
    io_Top.insert(QStringLiteral("BackgroundColor"), ColourName(c.backgroundColor));
    PutTextFlag(io_Top, "IsImgSizeLocked", c.isImgSizeLocked);
    io_Top.insert(QStringLiteral("OutputFilePrefix"), c.outputFilePrefix);
    PutText(io_Top, "PictureQuality", c.pictureQuality);
    if (!c.picturePath.isEmpty() && QFileInfo::exists(c.picturePath))
        io_Top.insert(QStringLiteral("PicturePath"), c.picturePath);
    PutTextFlag(io_Top, "IsCropped", c.isCropped);
    PutText(io_Top, "CropLeft", c.cropLeft);
    PutText(io_Top, "CropRight", c.cropRight);
    PutText(io_Top, "CropTop", c.cropTop);
    PutText(io_Top, "CropBottom", c.cropBottom);
    PutTextFlag(io_Top, "IsCoveringHorizontal", c.isCoveringHorizontal);
    PutTextFlag(io_Top, "IsCoveringVertical", c.isCoveringVertical);
    for (int k = 0; k < 7; ++k) {
        PutText(io_Top, qPrintable(QStringLiteral("CoveringHorizontal%1").arg(k + 1)), c.coveringHorizontal[k]);
        PutText(io_Top, qPrintable(QStringLiteral("CoveringVertical%1").arg(k + 1)), c.coveringVertical[k]);
    }
    PutText(io_Top, "CoveringHorizontal_X", c.coveringHorizontalAll);
    PutText(io_Top, "CoveringVertical_X", c.coveringVerticalAll);
    // A set-up that leaves soft edges as they come is written as it always
    // was.
    const Covering defaults;
    if (c.isSoftEdge || c.softEdgeMasks || c.softEdgeCurve != defaults.softEdgeCurve
        || c.softEdgeGamma != defaults.softEdgeGamma) {
        PutTextFlag(io_Top, "IsSoftEdge", c.isSoftEdge);
        PutDecimal(io_Top, "SoftEdgeCurve", c.softEdgeCurve);
        PutDecimal(io_Top, "SoftEdgeGamma", c.softEdgeGamma);
        PutTextFlag(io_Top, "SoftEdgeMasks", c.softEdgeMasks);
    }
    if (c.orientation.rotation)
        PutText(io_Top, "CoveringRotation", c.orientation.rotation);
    if (c.orientation.mirror)
        PutText(io_Top, "CoveringMirror", c.orientation.mirror);
    if (c.hasPanel) {
        PutDecimal(io_Top, "PanelWidthMm", c.panel.width);
        PutDecimal(io_Top, "PanelHeightMm", c.panel.height);
        PutDecimal(io_Top, "BezelLeftMm", c.panel.bezelLeft);
        PutDecimal(io_Top, "BezelRightMm", c.panel.bezelRight);
        PutDecimal(io_Top, "BezelTopMm", c.panel.bezelTop);
        PutDecimal(io_Top, "BezelBottomMm", c.panel.bezelBottom);
    }
    WriteVideo(c.video, io_Top, false);
}

Canvas ReadCanvas(const QJsonObject& i_Top)
{
    const QJsonObject o = i_Top.value(QLatin1String("CanvasPage")).toObject();
    Canvas c;
    c.screenH = Number(o, "ScreenH");
    c.screenV = Number(o, "ScreenV");
    c.isFullScreen = Flag(o, "IsFullScreen");
    c.isOriginalSize = Flag(o, "IsOriginalSize");
    c.isCustomSize = Flag(o, "IsCustomSize");
    c.customSizeWidth = Number(o, "CustomSizeWidth");
    c.customSizeHeight = Number(o, "CustomSizeHeight");
    c.isImgSizeLocked = Flag(o, "IsImgSizeLocked");
    c.isCentered = Flag(o, "IsCentered");
    c.isCustomPosition = Flag(o, "IsCustomPosition");
    c.customPosWidth = Number(o, "CustomPosWidth");
    c.customPosHeight = Number(o, "CustomPosHeight");
    c.isColorBackground = Flag(o, "IsColorBackground");
    c.backgroundColor = Colour(String(o, "BackgroundColor"));
    c.isTransparentBackground = Flag(o, "IsTransparentBackground");
    c.pictureQuality = Number(o, "PictureQuality");
    c.outputFilePrefix = String(o, "OutputFilePrefix");
    c.outputLabel = String(o, "OutputLabel");
    c.picturePath = String(o, "PicturePath");

    // At most 16 outputs, only from entries that exist and carry their own
    // position as "ID"; a label is cleaned as a typed one would be. Only a
    // label that then repeats an earlier one is renamed, to the lowest
    // "Output n" that no output of the file uses: an output keeps the name,
    // and so the file name, it was saved with.
    const int count = qMin(Number(o, "OutputCount"), CanvasOutputs::kMaxOutputs);
    const QJsonArray entries = o.value(QLatin1String("Outputs")).toArray();
    QList<QJsonObject> kept;
    QStringList labels;
    for (int i = 0; i < count && i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        if (Number(entry, "ID") != i || !entry.contains(QLatin1String("ID")))
            continue;
        kept << entry;
        labels << OutputNames::CleanLabel(String(entry, "Label"));
    }
    for (int i = 0; i < kept.size(); ++i) {
        const QJsonObject& entry = kept[i];
        Output output;
        output.id = c.outputs.size();
        output.label = labels[i];
        if (labels.indexOf(output.label) < i) {
            output.label = CanvasOutputs::ProposedLabel(labels);
            labels[i] = output.label;
        }
        output.posX = Number(entry, "PosX");
        output.posY = Number(entry, "PosY");
        output.width = Number(entry, "Width");
        output.height = Number(entry, "Height");
        output.color = Colour(String(entry, "Color"));
        output.orientation.rotation = OutputGeometry::KnownRotation(Number(entry, "Rotation"));
        output.orientation.mirror = OutputGeometry::KnownMirror(Number(entry, "Mirror"));
        output.deviceWidth = qBound(0, Number(entry, "DeviceWidth"), OutputGeometry::kMaxDeviceSide);
        output.deviceHeight = qBound(0, Number(entry, "DeviceHeight"), OutputGeometry::kMaxDeviceSide);
        c.outputs << output;
    }
    const int selected = Number(o, "OutputIndexSelected");
    c.outputIndexSelected = selected >= 0 && selected < c.outputs.size() ? selected : 0;
    c.hasOutputSelected = !c.outputs.isEmpty();

    c.isCropped = Flag(o, "IsCropped");
    c.cropLeft = Number(o, "CropLeft");
    c.cropRight = Number(o, "CropRight");
    c.cropTop = Number(o, "CropTop");
    c.cropBottom = Number(o, "CropBottom");
    c.video = ReadVideo(o, true);
    return c;
}

void WriteCanvas(const Canvas& c, QJsonObject& io_Top)
{
    QJsonObject o;
    if (!c.picturePath.isEmpty() && QFileInfo::exists(c.picturePath))
        o.insert(QStringLiteral("PicturePath"), c.picturePath);
    o.insert(QStringLiteral("IsCropped"), c.isCropped);
    o.insert(QStringLiteral("CropLeft"), c.cropLeft);
    o.insert(QStringLiteral("CropRight"), c.cropRight);
    o.insert(QStringLiteral("CropTop"), c.cropTop);
    o.insert(QStringLiteral("CropBottom"), c.cropBottom);
    o.insert(QStringLiteral("OutputCount"), c.outputs.size());
    QJsonArray entries;
    for (const Output& output : c.outputs) {
        QJsonObject entry;
        entry.insert(QStringLiteral("ID"), output.id);
        entry.insert(QStringLiteral("Label"), output.label);
        entry.insert(QStringLiteral("PosX"), output.posX);
        entry.insert(QStringLiteral("PosY"), output.posY);
        entry.insert(QStringLiteral("Width"), output.width);
        entry.insert(QStringLiteral("Height"), output.height);
        entry.insert(QStringLiteral("Color"), ColourName(output.color));
        if (output.orientation.rotation)
            entry.insert(QStringLiteral("Rotation"), output.orientation.rotation);
        if (output.orientation.mirror)
            entry.insert(QStringLiteral("Mirror"), output.orientation.mirror);
        if (output.deviceWidth)
            entry.insert(QStringLiteral("DeviceWidth"), output.deviceWidth);
        if (output.deviceHeight)
            entry.insert(QStringLiteral("DeviceHeight"), output.deviceHeight);
        entries.append(entry);
    }
    o.insert(QStringLiteral("Outputs"), entries);
    if (c.hasOutputSelected)
        o.insert(QStringLiteral("OutputIndexSelected"), c.outputIndexSelected);
    o.insert(QStringLiteral("OutputLabel"), c.outputLabel);
    o.insert(QStringLiteral("ScreenH"), c.screenH);
    o.insert(QStringLiteral("ScreenV"), c.screenV);
    o.insert(QStringLiteral("IsFullScreen"), c.isFullScreen);
    o.insert(QStringLiteral("IsOriginalSize"), c.isOriginalSize);
    o.insert(QStringLiteral("IsCustomSize"), c.isCustomSize);
    o.insert(QStringLiteral("CustomSizeWidth"), c.customSizeWidth);
    o.insert(QStringLiteral("CustomSizeHeight"), c.customSizeHeight);
    o.insert(QStringLiteral("IsImgSizeLocked"), c.isImgSizeLocked);
    o.insert(QStringLiteral("IsCentered"), c.isCentered);
    o.insert(QStringLiteral("IsCustomPosition"), c.isCustomPosition);
    o.insert(QStringLiteral("CustomPosWidth"), c.customPosWidth);
    o.insert(QStringLiteral("CustomPosHeight"), c.customPosHeight);
    o.insert(QStringLiteral("IsColorBackground"), c.isColorBackground);
    o.insert(QStringLiteral("BackgroundColor"), ColourName(c.backgroundColor));
    o.insert(QStringLiteral("IsTransparentBackground"), c.isTransparentBackground);
    o.insert(QStringLiteral("PictureQuality"), c.pictureQuality);
    o.insert(QStringLiteral("OutputFilePrefix"), c.outputFilePrefix);
    WriteVideo(c.video, o, true);
    io_Top.insert(QStringLiteral("CanvasPage"), o);
}

} // namespace SetupFile
