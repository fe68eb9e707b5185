#pragma once

#include "core/canvas/CanvasCompose.h"
#include "core/covering/CoveringCompose.h"
#include "core/setup/SetupFile.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>

// Rendering a saved set-up without a window: a page's record is taken as the
// page's controls take it when the record is read into a fresh page (spin
// boxes and sliders clamp, radio groups keep one choice, a prefix box holds
// 32 characters), and the picture is cut into exactly the images the page's
// Save writes, with the same names; the line-up patterns are those of the
// page's "Save test patterns...".
namespace SetupRender {

// The covering page once the record is read and its picture loaded: every
// value in its control's range, and each radio group down to one choice.
// The page applies this to its controls when it reads a set-up; the
// renderer renders it. Nothing else brings a covering set-up into range.
struct CoveringSettings
{
    CoveringEngine::Input input; // grid, coverings, placement, crop, background, soft edges
    QString prefix;              // as typed; empty means the picture's base name
    int quality = 100;

    // What only the page shows: the seam boxes (1..7, then the common one),
    // the lock, the cropping box and the picture to load.
    CoveringModel::SeamBoxes horizontalBoxes{};
    CoveringModel::SeamBoxes verticalBoxes{};
    bool locked = false;
    bool cropping = false;
    QString picturePath;
    // The panel last given to the "Panel size..." dialog, if it was used.
    bool hasPanel = false;
    OutputGeometry::Panel panel;

    // What the record leaves as the page had it: a radio group none of whose
    // flags is set, a colour that does not parse, and the common seam values
    // that files of earlier versions lack. The values above are then a fresh
    // page's.
    bool hasSizeMode = false;
    bool hasPositionMode = false;
    bool hasBackgroundMode = false;
    bool hasColour = false;
    bool hasCommonCoverings = false;
};

// i_Picture is the size of the picture the page loads: the crop boxes take
// their ranges from it (no picture: every margin 0).
CoveringSettings CoveringFromSetup(const SetupFile::Covering& i_Record, const QSize& i_Picture);

struct CanvasOutput
{
    QString label;
    QRect rect;   // on the screen
    QColor color; // of its frame and button, as saved (even an invalid one)
    OutputGeometry::Orientation orientation;
    QSize device; // the size of its file; empty: the rectangle's
};

// The canvas page once the record is read and its picture loaded: what a
// fresh page holds then. The page sets its controls to it, the renderer
// renders it.
struct CanvasSettings
{
    QSize screen;
    // The checked button of each radio group. A record that checks none of a
    // group's buttons leaves the page's choice as it was (a fresh page's is
    // the one below): its "chooses" flag is then false.
    int sizeMode = CanvasEngine::SizeFullScreen;
    bool choosesSize = false;
    int positionMode = CanvasEngine::PositionCentered;
    bool choosesPosition = false;
    bool transparent = false;
    bool choosesBackground = false;
    QSize customSize;
    QPoint customPosition;
    bool sizeLocked = false;
    QColor backgroundColor; // as saved, even an invalid one
    // The crop boxes, which keep their values while cropping is off.
    bool cropped = false;
    int cropLeft = 0;
    int cropTop = 0;
    int cropRight = 0;
    int cropBottom = 0;
    QList<CanvasOutput> outputs;
    int selectedOutput = 0; // the current one, when there are outputs
    QString nextLabel;      // the label proposed for the next output
    QString prefix;         // as typed; empty means the picture's base name
    int quality = 50;

    // What the screen is filled with, and the margins cut from the picture.
    QColor Fill() const { return transparent ? QColor(Qt::transparent) : backgroundColor; }
    QMargins Crop() const { return cropped ? QMargins(cropLeft, cropTop, cropRight, cropBottom) : QMargins(); }
};

CanvasSettings CanvasFromSetup(const SetupFile::Canvas& i_Record, const QSize& i_Picture);

// Where a saved output rectangle ends up on a screen of i_Screen: its values
// clamped to the screen's ranges, then pushed inside and shrunk to fit as
// the output boxes correct typed values. A rectangle without width or height
// on the screen's far edge is pulled back one pixel, since no correction
// could otherwise make it fit.
QRect RestoredOutputRect(const SetupFile::Output& i_Saved, const QSize& i_Screen);

// One file of a render (an image, a mask or a pattern), in the order the page
// saves them.
struct OutputFile
{
    QString name;
    int column = -1; // covering outputs
    int row = -1;
    QString label; // canvas outputs
    QRect rect;    // of the output, on the screen
    // The file is the part of the screen at the device's resolution (empty:
    // the part's own), turned and mirrored for the panel's mounting.
    QSize device;
    OutputGeometry::Orientation orientation;
    QImage image;
};

// The files a render writes, named and placed but without images, in the
// order the page saves them: each output's image (followed, with soft edges
// in separate masks, by the masks), or with i_Patterns each output's
// line-up pattern. i_PicturePath names them when the prefix is empty.
QList<OutputFile> CoveringFiles(const CoveringSettings& i_Settings, const QString& i_PicturePath, bool i_Patterns);
QList<OutputFile> CanvasFiles(const CanvasSettings& i_Settings, const QString& i_PicturePath, bool i_Patterns);

struct Render
{
    QSize screen; // the covered screen, or the canvas
    int quality = 100;
    QList<OutputFile> files; // names and places always; pattern images
    QString error;           // why no image could be made
    // Makes the image of files[k] when it is asked for, so that a render
    // holds only the images on their way to files. Set for pictures unless
    // error is set; safe to call from several threads at once. A null image
    // when memory runs out.
    std::function<QImage(int)> make;

    QImage Image(int k) const { return make ? make(k) : files.at(k).image; }
};

// What output file k of i_Files holds for the part of the screen it shows.
QImage FileImage(const OutputFile& i_File, const QImage& i_Part);

// Both render every output of the settings from i_Picture (loaded from
// i_PicturePath, whose name may stand in for the prefix): each image is
// made by o_Render.make from the part of the picture it shows, with no image
// of the whole screen (except for canvas pictures with alpha, which are
// painted on the screen). With soft edges in separate masks, each covering
// output's mask follows the images, as Save writes them. False, with
// o_Render.error set and the files named but without images, when the
// images cannot be made.
bool RenderCovering(const CoveringSettings& i_Settings, const QImage& i_Picture, const QString& i_PicturePath,
                    Render& o_Render);
bool RenderCanvas(const CanvasSettings& i_Settings, const QImage& i_Picture, const QString& i_PicturePath,
                  Render& o_Render);

// Both draw every output's line-up pattern instead of its image; no picture
// is needed. i_PicturePath only names the files when the prefix is empty:
// the page has no picture without one, and an empty prefix stays empty.
void CoveringPatterns(const CoveringSettings& i_Settings, const QString& i_PicturePath, Render& o_Render);
void CanvasPatterns(const CanvasSettings& i_Settings, const QString& i_PicturePath, Render& o_Render);

} // namespace SetupRender
