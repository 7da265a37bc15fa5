#pragma once

#include "toolkit/picture_box.h"

#include <QFont>

namespace toolkit
{

// The drawing functions the window code calls, with the meaning their classic names carry:
// block copies clip to both surfaces, colours are 0x00BBGGRR, a point outside a surface
// has no colour. A device context is a picture box's surface plus the font selected
// into it.

using HGDIOBJ = quintptr;
using HFONT = HGDIOBJ;

constexpr quint32 SRCCOPY = 0x00CC0020;
constexpr ColorRef CLR_INVALID = 0xFFFFFFFF;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

class DeviceContext
{
public:
    // A context on a picture box's surface, or on the screen when box is null.
    explicit DeviceContext(PictureBox* box) : box_(box) {}

    PictureBox* box() const { return box_; }
    // The font selected into this context; 0 means the box's own font.
    HFONT selectedFont() const { return selectedFont_; }
    void setSelectedFont(HFONT font) { selectedFont_ = font; }

private:
    PictureBox* box_;
    HFONT selectedFont_ = 0;
};
using HDC = DeviceContext*;

// Copies a w x h block from src at (sx, sy) to dst at (x, y). Only SRCCOPY is supported.
// The parts of the block that fall outside either surface are not copied.
bool BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, quint32 rop);
// Copies the sw x sh block at (sx, sy) of src into the w x h block at (x, y) of dst,
// scaling by pixel replication (no smoothing): a whole factor gives solid blocks.
bool StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                quint32 rop);
// The colour at (x, y), or CLR_INVALID when the point lies outside the surface.
ColorRef GetPixel(HDC dc, int x, int y);

// A logical font, as the classic CreateFontA arguments describe it.
struct LogicalFont {
    int height = 0;     // > 0: character cell height; < 0: em height; 0: a default size
    int width = 0;      // 0: matched to the height
    int escapement = 0; // tenths of a degree, counter-clockwise: 900 runs the text upward
    int orientation = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    QString face;
};

HFONT CreateFontA(int nHeight, int nWidth, int nEscapement, int nOrientation, int fnWeight,
                  quint32 fdwItalic, quint32 fdwUnderline, quint32 fdwStrikeOut, quint32 fdwCharSet,
                  quint32 fdwOutputPrecision, quint32 fdwClipPrecision, quint32 fdwQuality,
                  quint32 fdwPitchAndFamily, const char* lpszFace);
// Selects a font into dc and returns the one it replaces (0: the box's own font).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Deletes a font made by CreateFontA; false for an unknown handle.
bool DeleteObject(HGDIOBJ object);
// How many fonts made by CreateFontA are alive: lets tests catch a leak.
int liveFontCount();

// The logical font behind a handle; null for 0 or an unknown handle.
const LogicalFont* logicalFont(HFONT font);
// The Qt font that draws a logical font (rotation aside).
QFont toQFont(const LogicalFont& font);

// A context for the whole screen (hwnd null) and the screen's capabilities.
HDC GetDC(void* hwnd);
int GetDeviceCaps(HDC dc, int index);
// Registers the common control classes; Qt's widgets need nothing registered.
void InitCommonControls();

} // namespace toolkit
