#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// PNG writing that gives the same pixels as QImage::save(path, "PNG", quality)
// and names the same zlib level, faster: the rows are filtered straight from
// the image with the filters that measured best for each level, then
// compressed in one call by libdeflate at the level that matches zlib's in
// size. Images that carry what only the toolkit's writer keeps (text, a
// colour space, an offset) or in other formats than Format_ARGB32 and
// Format_RGB32 are handed to the toolkit's writer.
namespace PngWriter {

// The toolkit's mapping of a save quality to a zlib level: quality 100 is
// level 0 (stored), 50 is level 4; a negative quality means the default, 6.
int CompressionLevel(int i_Quality);

// libpng filter mask used at a zlib level.
int RowFilters(int i_CompressionLevel);

// libdeflate level used for a zlib level.
int DeflateLevel(int i_CompressionLevel);

// Encodes into memory. False when the image is null or encoding failed.
bool Encode(const QImage& i_Image, int i_Quality, QByteArray& o_Png);

// Sets the resolution an encoded file states (its pHYs chunk, added when it
// has none) to i_DotsPerMeter both ways.
void SetResolution(QByteArray& io_Png, int i_DotsPerMeter);

} // namespace PngWriter
