#include "core/covering/SoftEdge.h"

#include "core/imaging/ImageSave.h"

#include <algorithm>
#include <cmath>

namespace SoftEdge {

double Curve(double i_X, double i_Exponent)
{
    if (i_X < 0.5)
        return 0.5 * std::pow(2.0 * i_X, i_Exponent);
    return 1.0 - 0.5 * std::pow(2.0 * (1.0 - i_X), i_Exponent);
}

double Factor(double i_X, double i_Exponent, double i_Gamma)
{
    return std::pow(Curve(i_X, i_Exponent), 1.0 / i_Gamma);
}

QVector<double> Profile(int i_Length, int i_Before, int i_After, double i_Exponent, double i_Gamma)
{
    const int length = std::max(0, i_Length);
    QVector<double> factors(length, 1.0);
    const int before = std::clamp(i_Before, 0, length);
    const int after = std::clamp(i_After, 0, length);
    // Where both overlaps reach the same pixel (an output narrower than its
    // two overlaps), the factors multiply.
    for (int j = 0; j < before; ++j)
        factors[j] *= Factor((j + 0.5) / before, i_Exponent, i_Gamma);
    for (int j = 0; j < after; ++j)
        factors[length - after + j] *= Factor(1.0 - (j + 0.5) / after, i_Exponent, i_Gamma);
    return factors;
}

Factors OutputFactors(const CoveringModel& i_Model, const Settings& i_Settings, int i_Column, int i_Row)
{
    Factors factors;
    const int width = std::max(0, i_Model.outputWidth);
    const int height = std::max(0, i_Model.outputHeight);
    const int columns = std::clamp(i_Model.columnCount, 0, CoveringModel::MaxCount);
    const int rows = std::clamp(i_Model.rowCount, 0, CoveringModel::MaxCount);
    if (i_Settings.enabled && i_Column >= 0 && i_Column < columns && i_Row >= 0 && i_Row < rows) {
        // The overlap of two neighbours is the difference of their offsets:
        // what the composition moves the later one back by.
        const auto& x = i_Model.columnOffsets;
        const auto& y = i_Model.rowOffsets;
        factors.left = i_Column > 0 ? std::clamp(x[i_Column] - x[i_Column - 1], 0, width) : 0;
        factors.right = i_Column + 1 < columns ? std::clamp(x[i_Column + 1] - x[i_Column], 0, width) : 0;
        factors.top = i_Row > 0 ? std::clamp(y[i_Row] - y[i_Row - 1], 0, height) : 0;
        factors.bottom = i_Row + 1 < rows ? std::clamp(y[i_Row + 1] - y[i_Row], 0, height) : 0;
    }
    factors.columns = Profile(width, factors.left, factors.right, i_Settings.curve, i_Settings.gamma);
    factors.rows = Profile(height, factors.top, factors.bottom, i_Settings.curve, i_Settings.gamma);
    return factors;
}

namespace {

inline QRgb Scaled(QRgb i_Pixel, double i_Factor)
{
    const int red = int(qRed(i_Pixel) * i_Factor + 0.5);
    const int green = int(qGreen(i_Pixel) * i_Factor + 0.5);
    const int blue = int(qBlue(i_Pixel) * i_Factor + 0.5);
    return qRgba(red, green, blue, qAlpha(i_Pixel));
}

} // namespace

void Blend(QImage& io_Image, const Factors& i_Factors)
{
    const int width = i_Factors.columns.size();
    const int height = i_Factors.rows.size();
    if (i_Factors.IsFlat() || io_Image.width() != width || io_Image.height() != height
        || (io_Image.format() != QImage::Format_ARGB32 && io_Image.format() != QImage::Format_RGB32))
        return;
    const double* columns = i_Factors.columns.constData();
    const int rightStart = width - i_Factors.right;
    for (int y = 0; y < height; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(io_Image.scanLine(y));
        const double rowFactor = i_Factors.rows[y];
        if (y < i_Factors.top || y >= height - i_Factors.bottom) {
            for (int x = 0; x < width; ++x)
                line[x] = Scaled(line[x], columns[x] * rowFactor);
            continue;
        }
        // Away from the top and bottom overlaps only the side bands change.
        for (int x = 0; x < i_Factors.left; ++x)
            line[x] = Scaled(line[x], columns[x]);
        for (int x = std::max(rightStart, i_Factors.left); x < width; ++x)
            line[x] = Scaled(line[x], columns[x]);
    }
}

QImage Mask(const Factors& i_Factors)
{
    const int width = i_Factors.columns.size();
    const int height = i_Factors.rows.size();
    QImage mask(width, height, QImage::Format_Grayscale8);
    if (mask.isNull())
        return mask;
    for (int y = 0; y < height; ++y) {
        uchar* line = mask.scanLine(y);
        const double rowFactor = i_Factors.rows[y];
        for (int x = 0; x < width; ++x)
            line[x] = uchar(int(255.0 * (i_Factors.columns[x] * rowFactor) + 0.5));
    }
    return mask;
}

} // namespace SoftEdge
