#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

// Image file reading that gives what QImage::load(fileName) gives (format,
// pixels, resolution, colour space, text), faster for the common large
// source: a PNG file, not interlaced, of 8-bit RGB or RGBA, 8-bit grey (with
// or without tRNS) or palette, grey and alpha, or 16-bit grey (without tRNS),
// grey and alpha, RGB (without tRNS) or RGBA, whose optional
// chunks are any of the standard ones that only describe the image (gAMA,
// cHRM, sRGB, iCCP, pHYs, tIME, bKGD, sBIT, hIST, sPLT, eXIf and text). Its image data is decompressed
// in one piece into the image's own memory and unfiltered there: besides the
// image, only the compressed data is held. What the optional chunks say is
// read by the toolkit itself. Every other file, any file the fast path finds
// anything unusual in, and any image the toolkit refuses for its size (a side
// over 1,000,000 pixels), is left to the toolkit.
namespace PngReader {

// The pictures offered where one is chosen: "Images (*.png *.xpm ...)" for
// the open dialogs, and the same patterns one by one for folders.
QString PictureFilter();
QStringList PicturePatterns();

// A null image when the file cannot be read; o_Problem (optional) then says
// why, in words for a message. Anything but a regular file is refused before
// it is opened, and a picture whose image would be larger than the program
// takes (see ImageLimits.h) before it is decoded, whatever its format.
// o_Fast (optional) tells whether the fast path produced the image.
QImage Load(const QString& i_FileName, bool* o_Fast = nullptr, QString* o_Problem = nullptr);

} // namespace PngReader
