#pragma once

#include "core/covering/CoveringModel.h"

#include <QImage>
#include <QString>
#include <QVector>

// Soft edges: where two covering outputs overlap, the overlap gets light
// from both projectors. Each output's picture is darkened across the overlap
// along a blend curve, so that the light of the two adds up to one picture.
// Widget-free, shared by the page, the benchmark and programs without a
// window.
namespace SoftEdge {

constexpr double kMinCurve = 1.0;
constexpr double kMaxCurve = 5.0;
constexpr double kDefaultCurve = 2.0;
constexpr double kMinGamma = 1.0;
constexpr double kMaxGamma = 3.0;
constexpr double kDefaultGamma = 2.2;
// The page's boxes show curve and gamma with one decimal and round what
// they are given to it.
constexpr int kDecimals = 1;

struct Settings
{
    bool enabled = false;
    double curve = kDefaultCurve; // exponent p of the blend curve
    double gamma = kDefaultGamma; // the projectors' gamma
    // The pictures stay as they are and each gets a mask file beside it.
    bool separateMasks = false;

    // Whether the composed pictures themselves are darkened.
    bool BlendsImages() const { return enabled && !separateMasks; }
};

// The blend curve with exponent p: 0.5 (2x)^p below one half, 1 - 0.5
// (2(1 - x))^p from there on. f(x) + f(1 - x) = 1.
double Curve(double i_X, double i_Exponent);

// What a pixel is multiplied by where the curve gives f: f^(1 / gamma), so
// that the light, not the signal, follows the curve.
double Factor(double i_X, double i_Exponent, double i_Gamma);

// The factors of one output, one per pixel column and one per pixel row;
// the factor of a pixel is their product (so that corners take the product
// of both overlaps). 1 outside overlaps.
struct Factors
{
    QVector<double> columns;
    QVector<double> rows;
    // Widths of the overlaps at the four edges: columns [0, left) lie in
    // the overlap with the left neighbour, [width - right, width) in the one
    // with the right neighbour; rows likewise.
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;

    bool IsFlat() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
};

// Factors along an output i_Length pixels long whose overlap with the
// previous neighbour is i_Before pixels and with the next one i_After
// pixels (0 or less: no overlap; at most the output's length). In an overlap
// of k pixels, pixel j counted from the overlap's start has t = (j + 0.5) / k;
// the output before the seam gets Factor(1 - t), the one after Factor(t).
QVector<double> Profile(int i_Length, int i_Before, int i_After, double i_Exponent, double i_Gamma);

// Factors of output (i_Column, i_Row) of the covering screen. The overlaps
// follow the columns' and rows' offsets, as the composition places the
// outputs; only seams with a positive covering blend. Flat when the
// settings are off.
Factors OutputFactors(const CoveringModel& i_Model, const Settings& i_Settings, int i_Column, int i_Row);

// Multiplies red, green and blue of every pixel of an ARGB32 or RGB32 image
// of the factors' size by its factor, rounded to the nearest level; alpha
// and pixels outside overlaps stay as they are.
void Blend(QImage& io_Image, const Factors& i_Factors);

// The mask of an output: an 8-bit greyscale image of the factors' size
// holding round(255 m).
QImage Mask(const Factors& i_Factors);

} // namespace SoftEdge
