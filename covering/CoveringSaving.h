#pragma once

#include "core/covering/CoveringCompose.h"

#include <QString>

#include <functional>

class QWidget;

// The covering page's two saves. Each asks for a folder, writes its files
// there, opens the folder on the desktop and tells what could not be written.
namespace CoveringSaving {

// The page a save runs for, and what names and encodes the files.
struct Page
{
    QWidget* widget = nullptr; // parent of the dialogs; its cursor shows the work
    QString styleSheet;        // of the message boxes
    QString picturePath;       // the folder dialog starts beside it
    QString typedPrefix;       // empty: the picture's base name
    int quality = 100;
};

// "Save image(s) as PNG...": the images of the last refresh, with their
// soft-edge masks when those are kept apart, on a worker with progress and
// Cancel.
void SaveImages(const Page& i_Page, const CoveringEngine::ImageTable& i_Results, const CoveringEngine::Input& i_Input);

// "Save test patterns...": they follow the grid and coverings as i_Model
// gives them once a folder is chosen, turned as the panels are mounted; they
// need no picture.
void SavePatterns(const Page& i_Page, const std::function<CoveringModel()>& i_Model,
                  const OutputGeometry::Orientation& i_Orientation);

} // namespace CoveringSaving
