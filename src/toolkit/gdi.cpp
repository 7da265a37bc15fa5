#include "toolkit/gdi.h"

#include "toolkit/screen.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
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

QImage* surfaceOf(HDC dc)
{
    return dc && dc->box() ? &dc->box()->surface() : nullptr;
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
    QImage* to = surfaceOf(dst);
    QImage* from = surfaceOf(src);
    if (!to || !from || rop != SRCCOPY || w < 0 || h < 0)
        return false;
    // Clip the block against the destination, then against the source, keeping the two
    // offsets in step.
    Span cx = clipSpan(x, w, to->width());
    Span cy = clipSpan(y, h, to->height());
    const Span sxSpan = clipSpan(qint64(sx) + cx.skip, cx.length, from->width());
    const Span sySpan = clipSpan(qint64(sy) + cy.skip, cy.length, from->height());
    cx = {cx.skip + sxSpan.skip, sxSpan.length};
    cy = {cy.skip + sySpan.skip, sySpan.length};
    if (cx.length == 0 || cy.length == 0)
        return true;
    if (to == from) {
        // An overlapping copy within one surface must read the pixels as they were.
        const QImage copy = from->copy(sx + cx.skip, sy + cy.skip, cx.length, cy.length);
        QPainter painter(to);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(x + cx.skip, y + cy.skip, copy);
        return true;
    }
    const int bytes = cx.length * 4;
    for (int row = 0; row < cy.length; ++row) {
        const uchar* in = from->constScanLine(sy + cy.skip + row) + (sx + cx.skip) * 4;
        uchar* out = to->scanLine(y + cy.skip + row) + (x + cx.skip) * 4;
        std::memcpy(out, in, bytes);
    }
    return true;
}

bool StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                quint32 rop)
{
    QImage* to = surfaceOf(dst);
    QImage* from = surfaceOf(src);
    if (!to || !from || rop != SRCCOPY || w <= 0 || h <= 0 || sw <= 0 || sh <= 0)
        return false;
    // Nearest source pixel for every destination pixel: for a whole factor this is plain
    // replication, every image pixel a solid factor x factor block.
    const Span cx = clipSpan(x, w, to->width());
    const Span cy = clipSpan(y, h, to->height());
    for (int row = cy.skip; row < cy.skip + cy.length; ++row) {
        const qint64 srcRow = sy + qint64(row) * sh / h;
        if (srcRow < 0 || srcRow >= from->height())
            continue;
        const auto* in = reinterpret_cast<const QRgb*>(from->constScanLine(int(srcRow)));
        auto* out = reinterpret_cast<QRgb*>(to->scanLine(y + row));
        for (int col = cx.skip; col < cx.skip + cx.length; ++col) {
            const qint64 srcCol = sx + qint64(col) * sw / w;
            if (srcCol >= 0 && srcCol < from->width())
                out[x + col] = in[srcCol];
        }
    }
    return true;
}

ColorRef GetPixel(HDC dc, int x, int y)
{
    const QImage* surface = surfaceOf(dc);
    if (!surface || !surface->valid(x, y))
        return CLR_INVALID;
    return fromQRgb(surface->pixel(x, y));
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
