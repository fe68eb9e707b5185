#include "core/patterns/Patterns.h"

#include "core/imaging/ImageSave.h"

#include <algorithm>
#include <cmath>

namespace Patterns {

namespace {

// A 5 x 7 pixel font: each glyph's 35 pixels row by row from the top left,
// the first pixel in bit 34. Characters it lacks are drawn as '?'.
struct Glyph
{
    char character;
    quint64 bits;
};
const Glyph kFont[] = {
    {'0', 0x3a33ae62eull}, {'1', 0x11842108eull}, {'2', 0x3a211111full}, {'3', 0x7c441062eull}, {'4', 0x08ca97c42ull},
    {'5', 0x7e1e0862eull}, {'6', 0x1910f462eull}, {'7', 0x7c2222108ull}, {'8', 0x3a317462eull}, {'9', 0x3a317844cull},
    {'A', 0x3a31fc631ull}, {'B', 0x7a31f463eull}, {'C', 0x3a308422eull}, {'D', 0x72518c65cull}, {'E', 0x7e10f421full},
    {'F', 0x7e10f4210ull}, {'G', 0x3a30bc62full}, {'H', 0x4631fc631ull}, {'I', 0x38842108eull}, {'J', 0x1c4210a4cull},
    {'K', 0x4654c5251ull}, {'L', 0x42108421full}, {'M', 0x4775ac631ull}, {'N', 0x4639ace31ull}, {'O', 0x3a318c62eull},
    {'P', 0x7a31f4210ull}, {'Q', 0x3a318d64dull}, {'R', 0x7a31f5251ull}, {'S', 0x3e107043eull}, {'T', 0x7c8421084ull},
    {'U', 0x46318c62eull}, {'V', 0x46318c544ull}, {'W', 0x4631ad6aaull}, {'X', 0x462a22a31ull}, {'Y', 0x462a21084ull},
    {'Z', 0x7c222221full}, {'a', 0x000e0be2full}, {'b', 0x4216cc63eull}, {'c', 0x000e8422eull}, {'d', 0x042d9c62full},
    {'e', 0x000e8fe0eull}, {'f', 0x1928e2108ull}, {'g', 0x01f18bc2eull}, {'h', 0x4216cc631ull}, {'i', 0x100c2108eull},
    {'j', 0x080610a4cull}, {'k', 0x4212a6292ull}, {'l', 0x30842108eull}, {'m', 0x001aad631ull}, {'n', 0x0016cc631ull},
    {'o', 0x000e8c62eull}, {'p', 0x001e8fa10ull}, {'q', 0x000d9bc21ull}, {'r', 0x0016cc210ull}, {'s', 0x000e8383eull},
    {'t', 0x211c42126ull}, {'u', 0x00118c66dull}, {'v', 0x00118c544ull}, {'w', 0x00118d6aaull}, {'x', 0x001151151ull},
    {'y', 0x00118bc2eull}, {'z', 0x001f1111full}, {'-', 0x0000f8000ull}, {'_', 0x00000001full}, {'.', 0x00000018cull},
    {',', 0x000003088ull}, {'?', 0x3a2111004ull}};
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = 6;      // glyph and one blank column
constexpr int kLineAdvance = 10; // glyph and three blank rows

quint64 GlyphBits(QChar i_Character)
{
    const char wanted = i_Character.unicode() < 128 ? char(i_Character.unicode()) : '?';
    quint64 fallback = 0;
    for (const Glyph& glyph : kFont) {
        if (glyph.character == wanted)
            return glyph.bits;
        if (glyph.character == '?')
            fallback = glyph.bits;
    }
    return wanted == ' ' ? 0 : fallback;
}

// Width of a line of text in font pixels.
int TextUnits(const QString& i_Text)
{
    return i_Text.isEmpty() ? 0 : int(i_Text.size()) * kAdvance - 1;
}

// The part of the screen drawing that one output shows: every call takes
// screen coordinates and touches only the pixels of the output.
class Drawing
{
public:
    Drawing(const QRect& i_Part, const QSize& i_Screen)
        : m_Image(i_Part.size(), QImage::Format_RGB32)
        , m_Origin(i_Part.topLeft())
        , m_Screen(QPoint(0, 0), i_Screen)
    {
        if (!m_Image.isNull())
            m_Image.fill(kBackground);
    }

    QImage& Image() { return m_Image; }

    // Fills a rectangle of the screen (the screen only: nothing is drawn
    // outside it).
    void Fill(const QRect& i_Rect, QRgb i_Colour)
    {
        const QRect rect = (i_Rect & m_Screen).translated(-m_Origin) & m_Image.rect();
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(m_Image.scanLine(y));
            std::fill(line + rect.left(), line + rect.right() + 1, i_Colour);
        }
    }

    // Lines of text, each font pixel an i_Scale x i_Scale square, the first
    // line's top left at i_At; lines are centred on the widest.
    void Text(const QPoint& i_At, const QStringList& i_Lines, int i_Scale, QRgb i_Colour)
    {
        int widest = 0;
        for (const QString& line : i_Lines)
            widest = std::max(widest, TextUnits(line));
        for (int l = 0; l < i_Lines.size(); ++l) {
            const QString& text = i_Lines[l];
            const int left = i_At.x() + (widest - TextUnits(text)) / 2 * i_Scale;
            const int top = i_At.y() + l * kLineAdvance * i_Scale;
            for (int c = 0; c < text.size(); ++c) {
                const quint64 bits = GlyphBits(text[c]);
                for (int gy = 0; gy < kGlyphHeight; ++gy)
                    for (int gx = 0; gx < kGlyphWidth; ++gx)
                        if ((bits >> (34 - (gy * kGlyphWidth + gx))) & 1u)
                            Fill(QRect(left + (c * kAdvance + gx) * i_Scale, top + gy * i_Scale, i_Scale, i_Scale),
                                 i_Colour);
            }
        }
    }

    // A ring of pixels whose centres lie between i_Radius - i_Thickness and
    // i_Radius from (i_CentreX, i_CentreY), in screen pixels.
    void Ring(double i_CentreX, double i_CentreY, double i_Radius, double i_Thickness, QRgb i_Colour)
    {
        const QRect part(m_Origin, m_Image.size());
        const double inner = std::max(0.0, i_Radius - i_Thickness);
        for (int y = part.top(); y <= part.bottom(); ++y) {
            const double dy = std::abs(y + 0.5 - i_CentreY);
            if (dy > i_Radius)
                continue;
            const double outerHalf = std::sqrt(i_Radius * i_Radius - dy * dy);
            const double innerHalf = dy < inner ? std::sqrt(inner * inner - dy * dy) : 0.0;
            // Pixels x with innerHalf <= |x + 0.5 - centre| <= outerHalf, on each side.
            const int rightFirst = int(std::ceil(i_CentreX + innerHalf - 0.5));
            const int rightLast = int(std::floor(i_CentreX + outerHalf - 0.5));
            const int leftFirst = int(std::ceil(i_CentreX - outerHalf - 0.5));
            const int leftLast = int(std::floor(i_CentreX - innerHalf - 0.5));
            if (leftLast >= leftFirst)
                Fill(QRect(QPoint(leftFirst, y), QPoint(std::min(leftLast, rightFirst - 1), y)), i_Colour);
            if (rightLast >= rightFirst)
                Fill(QRect(QPoint(rightFirst, y), QPoint(rightLast, y)), i_Colour);
        }
    }

    // A cross through the middle of i_Rect with arms i_Arm pixels long from
    // the middle (to the edges when i_Arm is negative); a line is 2 pixels
    // thick across an even side, so that it sits on the middle exactly.
    void Cross(const QRect& i_Rect, int i_Arm, QRgb i_Colour)
    {
        const int w = i_Rect.width();
        const int h = i_Rect.height();
        const int x = i_Rect.left() + (w - 1) / 2;
        const int y = i_Rect.top() + (h - 1) / 2;
        const int thickX = w % 2 ? 1 : 2;
        const int thickY = h % 2 ? 1 : 2;
        const QRect vertical = i_Arm < 0 ? QRect(x, i_Rect.top(), thickX, h)
                                         : QRect(x, y - i_Arm + 1, thickX, 2 * i_Arm - 2 + thickY);
        const QRect horizontal = i_Arm < 0 ? QRect(i_Rect.left(), y, w, thickY)
                                           : QRect(x - i_Arm + 1, y, 2 * i_Arm - 2 + thickX, thickY);
        Fill(vertical & i_Rect, i_Colour);
        Fill(horizontal & i_Rect, i_Colour);
    }

    void Border(const QRect& i_Rect, QRgb i_Colour)
    {
        Fill(QRect(i_Rect.left(), i_Rect.top(), i_Rect.width(), 1), i_Colour);
        Fill(QRect(i_Rect.left(), i_Rect.bottom(), i_Rect.width(), 1), i_Colour);
        Fill(QRect(i_Rect.left(), i_Rect.top(), 1, i_Rect.height()), i_Colour);
        Fill(QRect(i_Rect.right(), i_Rect.top(), 1, i_Rect.height()), i_Colour);
    }

private:
    QImage m_Image;
    QPoint m_Origin;
    QRect m_Screen;
};

// The part of an output that no overlap along a whole edge covers.
QRect FreePart(const Output& i_Output, const QList<Overlap>& i_Overlaps)
{
    const QRect out = i_Output.rect;
    QRect free = out;
    for (const Overlap& overlap : i_Overlaps) {
        const QRect common = overlap.rect & out;
        if (common.isEmpty() || common == out)
            continue;
        if (common.top() == out.top() && common.bottom() == out.bottom()) {
            if (common.left() == out.left())
                free.setLeft(std::max(free.left(), common.right() + 1));
            else if (common.right() == out.right())
                free.setRight(std::min(free.right(), common.left() - 1));
        } else if (common.left() == out.left() && common.right() == out.right()) {
            if (common.top() == out.top())
                free.setTop(std::max(free.top(), common.bottom() + 1));
            else if (common.bottom() == out.bottom())
                free.setBottom(std::min(free.bottom(), common.top() - 1));
        }
    }
    return free.isEmpty() ? out : free;
}

// Arm length of an output's centre cross.
int CrossArm(const QRect& i_Rect)
{
    return std::max(4, std::min(i_Rect.width(), i_Rect.height()) / 10);
}

// The output's name and size, in text as large as fits a fifth of the free
// part's height, below the centre cross or, when there is no room there,
// above it.
void DrawName(Drawing& io_Drawing, const Output& i_Output, const QList<Overlap>& i_Overlaps)
{
    const QStringList lines{i_Output.name,
                            QStringLiteral("%1 x %2").arg(i_Output.rect.width()).arg(i_Output.rect.height())};
    const QRect free = FreePart(i_Output, i_Overlaps);
    int units = 0;
    for (const QString& line : lines)
        units = std::max(units, TextUnits(line));
    const int heightUnits = kLineAdvance + kGlyphHeight;
    const int scale = std::max(1, std::min(free.height() / 5 / heightUnits, free.width() * 4 / 5 / std::max(1, units)));
    const int margin = 2 * scale;
    const QSize block(units * scale + 2 * margin, heightUnits * scale + 2 * margin);
    const int left = free.left() + (free.width() - block.width()) / 2;
    const int middle = i_Output.rect.top() + (i_Output.rect.height() - 1) / 2;
    const int arm = CrossArm(i_Output.rect);
    int top = middle + arm + margin;
    if (top + block.height() > free.bottom() + 1) {
        const int above = middle - arm - margin - block.height();
        top = above >= free.top() ? above : std::max(free.top(), free.bottom() + 1 - block.height());
    }
    io_Drawing.Fill(QRect(QPoint(left, top), block), kBackground);
    io_Drawing.Text(QPoint(left + margin, top + margin), lines, scale, kText);
}

// The overlap's width in its middle, as large as fits its narrower side.
void DrawWidth(Drawing& io_Drawing, const Overlap& i_Overlap)
{
    const QRect zone = i_Overlap.rect;
    const int narrow = std::min(zone.width(), zone.height());
    const int wide = std::max(zone.width(), zone.height());
    QString text = QStringLiteral("%1 px").arg(i_Overlap.width);
    if (TextUnits(text) > narrow)
        text = QString::number(i_Overlap.width);
    const int scale = std::max(1, std::min({narrow * 3 / 4 / TextUnits(text), wide / 8 / kGlyphHeight, 8}));
    const QPoint at(zone.left() + (zone.width() - TextUnits(text) * scale) / 2,
                    zone.top() + (zone.height() - kGlyphHeight * scale) / 2);
    io_Drawing.Text(at, {text}, scale, kText);
}

} // namespace

QList<Overlap> PairOverlaps(const QList<Output>& i_Outputs)
{
    QList<Overlap> overlaps;
    for (int a = 0; a < i_Outputs.size(); ++a)
        for (int b = a + 1; b < i_Outputs.size(); ++b) {
            const QRect common = i_Outputs[a].rect & i_Outputs[b].rect;
            if (!common.isEmpty())
                overlaps.append({common, std::min(common.width(), common.height()), a, b});
        }
    return overlaps;
}

QImage Draw(const Layout& i_Layout, int i_Index)
{
    if (i_Index < 0 || i_Index >= i_Layout.outputs.size() || i_Layout.outputs[i_Index].rect.isEmpty())
        return QImage();
    const QSize screen = i_Layout.screen;
    Drawing drawing(i_Layout.outputs[i_Index].rect, screen);
    if (drawing.Image().isNull())
        return QImage();

    for (const Overlap& overlap : i_Layout.overlaps)
        drawing.Fill(overlap.rect, kOverlapShade);
    for (int a = 0; a < i_Layout.overlaps.size(); ++a)
        for (int b = a + 1; b < i_Layout.overlaps.size(); ++b)
            drawing.Fill(i_Layout.overlaps[a].rect & i_Layout.overlaps[b].rect, kCornerShade);

    const QRect part = i_Layout.outputs[i_Index].rect;
    for (int x = (std::max(0, part.left()) + 99) / 100 * 100; x <= part.right(); x += 100)
        drawing.Fill(QRect(x, 0, 1, screen.height()), kGrid);
    for (int y = (std::max(0, part.top()) + 99) / 100 * 100; y <= part.bottom(); y += 100)
        drawing.Fill(QRect(0, y, screen.width(), 1), kGrid);

    const int shorter = std::min(screen.width(), screen.height());
    drawing.Ring(screen.width() / 2.0, screen.height() / 2.0, shorter / 2.0, std::max(2, shorter / 500), kScreenMarks);
    drawing.Cross(QRect(QPoint(0, 0), screen), -1, kScreenMarks);

    const auto marked = [&](int i_Output) { return i_Layout.sharedMarks || i_Output == i_Index; };
    for (int k = 0; k < i_Layout.outputs.size(); ++k)
        if (marked(k))
            drawing.Border(i_Layout.outputs[k].rect, kOutputBorder);
    for (int k = 0; k < i_Layout.outputs.size(); ++k)
        if (marked(k))
            drawing.Cross(i_Layout.outputs[k].rect, CrossArm(i_Layout.outputs[k].rect), kOutputCross);
    for (const Overlap& overlap : i_Layout.overlaps)
        if (marked(overlap.first) || marked(overlap.second))
            DrawWidth(drawing, overlap);
    for (int k = 0; k < i_Layout.outputs.size(); ++k)
        if (marked(k))
            DrawName(drawing, i_Layout.outputs[k], i_Layout.overlaps);
    return drawing.Image();
}

} // namespace Patterns
