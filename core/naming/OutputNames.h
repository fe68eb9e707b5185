#pragma once

#include <QRegularExpression>
#include <QString>

// The names of every file the program writes for an output, and the rules
// for the labels and prefixes they are made of: written here once, for both
// pages, the saving code and the renderer.
namespace OutputNames {

// The most characters a canvas output's label and a page's prefix hold.
constexpr int kMaxLabel = 16;
constexpr int kMaxPrefix = 32;

// What a label or a file prefix may be made of: letters and digits of every
// script, "_", "-", "." and blanks, so that it stays one plain file name in
// any language. The pattern matches a whole text that keeps to it (an empty
// one too), for the edits' validators.
QRegularExpression NamePattern();

// A label as the label edit would take it typed: only the characters above,
// at most kMaxLabel of them.
QString CleanLabel(const QString& i_Label);

// The typed prefix; when it is empty, the picture's file name up to its
// first dot.
QString Prefix(const QString& i_Typed, const QString& i_PicturePath);

// A covering output's image: prefix + "_%1_%2.png" with its column and row,
// counted from 0.
QString Covering(const QString& i_Prefix, int i_Column, int i_Row);

// A canvas output's image: prefix + "_" + label + ".png".
QString Canvas(const QString& i_Prefix, const QString& i_Label);

// The files beside an image file (a name or a path): its soft-edge mask and
// its line-up pattern, "_mask" or "_pattern" before ".png".
QString Mask(const QString& i_Image);
QString Pattern(const QString& i_Image);

// True when the name can only make a file directly in the chosen folder: no
// folder separators, not "." or "..", no control characters. Names made of
// a prefix or label read from a set-up file are checked with it.
bool IsPlainFileName(const QString& i_Name);

} // namespace OutputNames
