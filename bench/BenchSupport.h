#pragma once

#include "core/setup/SetupFile.h"

#include <QString>

#include <vector>

// The middle value (the mean of the two middle ones for an even count); 0
// for none.
double Median(std::vector<double> values);

// A covering grid of columns x rows outputs, the picture full screen on
// black, with i_Covering on every seam, as the window would save it.
SetupFile::Covering CoveringGrid(int i_Columns, int i_Rows, int i_Width, int i_Height, int i_Covering, int i_Quality,
                                 const QString& i_Prefix);

// Writes a set-up file of one or both pages; false when it cannot.
bool WriteSetupFile(const QString& i_Path, const SetupFile::Covering* i_Covering,
                    const SetupFile::Canvas* i_Canvas = nullptr);
