#pragma once

#include "core/covering/CoveringCompose.h"
#include "core/imaging/ImageSave.h"
#include "core/patterns/Patterns.h"

#include <QString>
#include <QStringList>

// Naming and writing of the covering outputs' PNG files.
namespace CoveringEngine {

// "%1/%2" with the folder and each output's file name, column by column and,
// within a column, row by row.
QStringList OutputFilePaths(const QString& i_Folder, const QString& i_Prefix, int i_ColumnCount, int i_RowCount);

// Writes result[column][row] of every output in use, turned and mirrored for
// i_Orientation (see OutputGeometry::Orient), to the paths above as PNG
// at the given save quality (50..100 on the page; see PngWriter), replacing
// existing files, one after another in the order above (see ImageSave). A
// file that cannot be written does not stop the others. Returns the paths
// that could not be written, in that order; empty when everything was written.
QStringList SaveOutputImages(const ImageTable& i_Results, int i_ColumnCount, int i_RowCount, const QString& i_Folder,
                             const QString& i_Prefix, int i_Quality,
                             const ImageSave::Progress& i_Progress = ImageSave::Progress(),
                             const OutputGeometry::Orientation& i_Orientation = OutputGeometry::Orientation());

// With soft edges in separate masks: writes each output's mask (see
// SoftEdge::Mask) beside its image, as OutputNames::Mask of the image's
// path, in the order of the images, at the given save quality, oriented as
// the images. Returns the paths that could not be written.
QStringList SaveMasks(const Input& i_Input, const QString& i_Folder, const QString& i_Prefix, int i_Quality);

// The line-up layout of the covering screen: the covered screen, every
// output in use in the order of the files ("Column c, row r"), and the
// overlap of every two neighbours with a positive covering.
Patterns::Layout PatternLayout(const CoveringModel& i_Model);

// Writes every output's line-up pattern (see Patterns::Draw) as
// Patterns::FileName of its image's path, in the order of the images, at the
// given save quality, oriented as the images, so that their text reads
// upright on the mounted panels. Returns the paths that could not be written.
QStringList SavePatterns(const CoveringModel& i_Model, const QString& i_Folder, const QString& i_Prefix, int i_Quality,
                         const OutputGeometry::Orientation& i_Orientation = OutputGeometry::Orientation());

} // namespace CoveringEngine
