#include "toolkit/gdi.h"

#include "toolkit/screen.h"

#include <QFontMetricsF>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace toolkit
{

namespace
{

// The part of [start, start + length) that lies inside [0, limit), as an offset into the
// block and a length.
struct Span {
    int skip = 0;
    int length = 0;
};
Span clipSpan(qint64 start, qint64 length, qint64 limit)
{
    const qint64 from = std::max<qint64>(start, 0);
    const qint64 to = std::min<qint64>(start + length, limit);
    if (to <= from)
        return {};
    return {int(from - start), int(to - from)};
}

PictureBox* boxOf(HDC dc)
{
    return dc ? dc->box() : nullptr;
}

// Fills a block of a box's surface with one colour; the whole surface is simply left blank.
void fillBlock(PictureBox& box, const QRect& block, QRgb color)
{
    if (block == QRect(QPoint(0, 0), box.surfaceSize())) {
        box.setSurface(Bitmap::uniform(block.size(), color));
        return;
    }
    QImage& out = box.surface();
    for (int y = block.top(); y <= block.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(out.scanLine(y)) + block.left(), block.width(), color);
}

// out[i] = in[start + (first + i) / factor] for i in [0, count): each source pixel factor
// times.
void replicateRow(QRgb* out, const QRgb* in, qint64 start, qint64 first, qint64 count,
                  qint64 factor)
{
    if (factor == 1) {
        std::memcpy(out, in + start + first, size_t(count) * sizeof(QRgb));
        return;
    }
    qint64 column = first;
    const qint64 end = first + count;
    // A block cut by the left edge, then whole blocks, then one cut by the right edge.
    for (; column < end && column % factor != 0; ++column)
        *out++ = in[start + column / factor];
    const QRgb* source = in + start + column / factor;
    if (factor == 2) {
        for (; column + 2 <= end; column += 2) {
            const QRgb pixel = *source++;
            out[0] = pixel;
            out[1] = pixel;
            out += 2;
        }
    } else {
        for (; column + factor <= end; column += factor)
            out = std::fill_n(out, factor, *source++);
    }
    for (; column < end; ++column)
        *out++ = in[start + column / factor];
}

// The destination span [lo, hi) (offsets into the block) of a block of length
// blocks * factor at start whose pixels lie on the destination (limit) and whose source
// pixels, at source + offset / factor, lie on the source (sourceLimit).
Span replicatedSpan(qint64 start, qint64 length, qint64 limit, qint64 source, qint64 factor,
                    qint64 sourceLimit)
{
    const Span onDestination = clipSpan(start, length, limit);
    const qint64 lo = std::max<qint64>(onDestination.skip, std::max<qint64>(0, -source) * factor);
    const qint64 hi = std::min<qint64>(onDestination.skip + onDestination.length,
                                       (sourceLimit - source) * factor);
    if (hi <= lo)
        return {};
    return {int(lo), int(hi - lo)};
}

std::map<HFONT, LogicalFont>& fontTable()
{
    static std::map<HFONT, LogicalFont> table;
    return table;
}

// A face's character cell height per em. Remembered, because the rotated ruler numbers make
// a font of the same face for every number.
qreal cellPerEmOf(const QFont& font)
{
    static QHash<QFont, qreal> ratios;
    QFont probe = font;
    probe.setPixelSize(1000);
    if (const auto known = ratios.constFind(probe); known != ratios.constEnd())
        return *known;
    const qreal ratio = QFontMetricsF(probe).height() / 1000.0;
    ratios.insert(probe, ratio);
    return ratio;
}

} // namespace

bool BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, quint32 rop)
{
    PictureBox* toBox = boxOf(dst);
    PictureBox* fromBox = boxOf(src);
    if (!toBox || !fromBox || rop != SRCCOPY || w < 0 || h < 0)
        return false;
    // A snapshot of the source: a copy within one surface reads the pixels as they were,
    // since writing to the surface then leaves the snapshot's pixels alone.
    const Bitmap from = fromBox->Image();
    const QSize toSize = toBox->surfaceSize();
    // Clip the block against the destination, then against the source, keeping the two
    // offsets in step.
    Span cx = clipSpan(x, w, toSize.width());
    Span cy = clipSpan(y, h, toSize.height());
    const Span sxSpan = clipSpan(qint64(sx) + cx.skip, cx.length, from.width());
    const Span sySpan = clipSpan(qint64(sy) + cy.skip, cy.length, from.height());
    cx = {cx.skip + sxSpan.skip, sxSpan.length};
    cy = {cy.skip + sySpan.skip, sySpan.length};
    if (cx.length == 0 || cy.length == 0)
        return true;
    const QRect block(x + cx.skip, y + cy.skip, cx.length, cy.length);
    const bool whole = block == QRect(QPoint(0, 0), toSize);
    if (whole && from.size() == toSize && x == sx && y == sy) {
        // Every pixel to its own place on a surface of the same size: the destination
        // shares the source's pixels until one of them is drawn on.
        toBox->setSurface(from);
        return true;
    }
    if (from.isUniform()) {
        fillBlock(*toBox, block, from.uniformColor());
        return true;
    }
    QImage& to = whole ? toBox->surfaceToOverwrite() : toBox->surface();
    const size_t bytes = size_t(cx.length) * sizeof(QRgb);
    for (int row = 0; row < cy.length; ++row) {
        const uchar* in =
            from.pixels().constScanLine(sy + cy.skip + row) + (sx + cx.skip) * sizeof(QRgb);
        uchar* out = to.scanLine(y + cy.skip + row) + (x + cx.skip) * sizeof(QRgb);
        std::memcpy(out, in, bytes);
    }
    return true;
}

bool StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                quint32 rop)
{
    PictureBox* toBox = boxOf(dst);
    PictureBox* fromBox = boxOf(src);
    if (!toBox || !fromBox || rop != SRCCOPY || w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return false;
    // Unscaled, nearest-pixel stretching is a block copy.
    if (w == sw && h == sh)
        return BitBlt(dst, x, y, w, h, src, sx, sy, rop);
    const Bitmap from = fromBox->Image();
    const QSize toSize = toBox->surfaceSize();
    if (w % sw == 0 && h % sh == 0) {
        // A whole factor: every source pixel a solid fx x fy block. Each source row is
        // widened once into the first destination row of its block, which is then copied
        // to the rest of the block.
        const qint64 fx = w / sw, fy = h / sh;
        const Span cols = replicatedSpan(x, w, toSize.width(), sx, fx, from.width());
        const Span rows = replicatedSpan(y, h, toSize.height(), sy, fy, from.height());
        if (cols.length == 0 || rows.length == 0)
            return true;
        const QRect block(x + cols.skip, y + rows.skip, cols.length, rows.length);
        if (from.isUniform()) {
            fillBlock(*toBox, block, from.uniformColor());
            return true;
        }
        QImage& to =
            block == QRect(QPoint(0, 0), toSize) ? toBox->surfaceToOverwrite() : toBox->surface();
        const size_t bytes = size_t(cols.length) * sizeof(QRgb);
        for (qint64 row = rows.skip; row < rows.skip + rows.length;) {
            const qint64 blockEnd = std::min<qint64>(rows.skip + rows.length, (row / fy + 1) * fy);
            const auto* in =
                reinterpret_cast<const QRgb*>(from.pixels().constScanLine(int(sy + row / fy)));
            auto* first = reinterpret_cast<QRgb*>(to.scanLine(int(y + row))) + block.left();
            replicateRow(first, in, sx, cols.skip, cols.length, fx);
            for (++row; row < blockEnd; ++row)
                std::memcpy(reinterpret_cast<QRgb*>(to.scanLine(int(y + row))) + block.left(),
                            first, bytes);
        }
        return true;
    }
    // Any other ratio: the nearest source pixel for every destination pixel.
    const QImage source = from.toImage();
    const Span cx = clipSpan(x, w, toSize.width());
    const Span cy = clipSpan(y, h, toSize.height());
    if (cx.length == 0 || cy.length == 0)
        return true;
    QImage& to = toBox->surface();
    for (int row = cy.skip; row < cy.skip + cy.length; ++row) {
        const qint64 srcRow = sy + qint64(row) * sh / h;
        if (srcRow < 0 || srcRow >= source.height())
            continue;
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(int(srcRow)));
        auto* out = reinterpret_cast<QRgb*>(to.scanLine(y + row));
        for (int col = cx.skip; col < cx.skip + cx.length; ++col) {
            const qint64 srcCol = sx + qint64(col) * sw / w;
            if (srcCol >= 0 && srcCol < source.width())
                out[x + col] = in[srcCol];
        }
    }
    return true;
}

ColorRef GetPixel(HDC dc, int x, int y)
{
    const PictureBox* box = boxOf(dc);
    if (!box || !QRect(QPoint(0, 0), box->surfaceSize()).contains(x, y))
        return CLR_INVALID;
    return fromQRgb(box->surfacePixel(x, y));
}

HFONT CreateFontA(int nHeight, int nWidth, int nEscapement, int nOrientation, int fnWeight,
                  quint32 fdwItalic, quint32 fdwUnderline, quint32 fdwStrikeOut,
                  quint32 /*fdwCharSet*/, quint32 /*fdwOutputPrecision*/,
                  quint32 /*fdwClipPrecision*/, quint32 /*fdwQuality*/,
                  quint32 /*fdwPitchAndFamily*/, const char* lpszFace)
{
    static HFONT nextHandle = 0x1000;
    LogicalFont font;
    font.height = nHeight;
    font.width = nWidth;
    font.escapement = nEscapement;
    font.orientation = nOrientation;
    font.weight = fnWeight;
    font.italic = fdwItalic != 0;
    font.underline = fdwUnderline != 0;
    font.strikeOut = fdwStrikeOut != 0;
    font.face = QString::fromLatin1(lpszFace ? lpszFace : "");
    const HFONT handle = nextHandle++;
    fontTable().emplace(handle, font);
    return handle;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    if (!dc || (object != 0 && !fontTable().count(object)))
        return 0;
    const HGDIOBJ previous = dc->selectedFont();
    dc->setSelectedFont(object);
    return previous;
}

bool DeleteObject(HGDIOBJ object)
{
    return fontTable().erase(object) == 1;
}

int liveFontCount()
{
    return int(fontTable().size());
}

const LogicalFont* logicalFont(HFONT font)
{
    const auto it = fontTable().find(font);
    return it == fontTable().end() ? nullptr : &it->second;
}

QFont toQFont(const LogicalFont& logical)
{
    QFont font(logical.face.isEmpty() ? QStringLiteral("Arial") : logical.face);
    font.setWeight(logical.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(logical.italic);
    font.setUnderline(logical.underline);
    font.setStrikeOut(logical.strikeOut);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    if (logical.height < 0) {
        font.setPixelSize(-logical.height);
    } else if (logical.height > 0) {
        // A positive height is the whole character cell (ascent + descent); find the em
        // size whose cell is that high.
        font.setPixelSize(std::max(1, qRound(logical.height / cellPerEmOf(font))));
    } else {
        font.setPixelSize(Screen::pointsToPixels(12));
    }
    return font;
}

HDC GetDC(void* hwnd)
{
    static DeviceContext screen(nullptr);
    return hwnd ? nullptr : &screen;
}

int GetDeviceCaps(HDC dc, int index)
{
    if (!dc)
        return 0;
    switch (index) {
    case LOGPIXELSX:
        return Screen::dpi().x;
    case LOGPIXELSY:
        return Screen::dpi().y;
    default:
        return 0;
    }
}

void InitCommonControls() {}

} // namespace toolkit
