#pragma once

#include <QImage>
#include <QString>

// Image file reading that gives what QImage::load(fileName) gives (format,
// pixels, resolution), faster for the common large source: an 8-bit RGB or
// RGBA PNG file, not interlaced, whose only optional chunk is pHYs, is
// decompressed on one thread while the calling thread unfilters and converts
// the rows already there, straight into the image: besides it, only a few
// rows of decompressed data are held at a time. Every other file, any file
// the fast path finds anything unusual in, and any image the toolkit refuses
// for its size (a side over 1,000,000 pixels), is left to the toolkit.
namespace PngReader {

// A null image when the file cannot be read. o_Fast (optional) tells whether
// the fast path produced the image.
QImage Load(const QString& i_FileName, bool* o_Fast = nullptr);

} // namespace PngReader
