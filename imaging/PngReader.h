#pragma once

#include <QImage>
#include <QString>

// Image file reading that gives what QImage::load(fileName) gives (format,
// pixels, resolution), faster for the common large source: an 8-bit RGB or
// RGBA PNG file, not interlaced, whose only optional chunk is pHYs, is
// decompressed on one thread while the calling thread unfilters and converts
// the rows already there. Every other file, and any file the fast path finds
// anything unusual in, is read by the toolkit.
namespace PngReader {

// A null image when the file cannot be read. o_Fast (optional) tells whether
// the fast path produced the image.
QImage Load(const QString& i_FileName, bool* o_Fast = nullptr);

} // namespace PngReader
