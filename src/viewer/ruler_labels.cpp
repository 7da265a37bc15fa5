#include "toolkit/gdi.h"
#include "viewer/main_window.h"
#include "viewer/numbers.h"
#include "viewer/ruler_text.h"
#include "viewer/units.h"

#include <new>

using namespace toolkit;
using numbers::add;
using numbers::mul;

namespace
{

// A font turned a quarter turn so the text runs upward, selected into a context for as long
// as this object lives. Restoring and deleting it here means an error part-way through a
// number can neither leak the font nor leave the strip drawing with it.
class RotatedFontSelection
{
public:
    explicit RotatedFontSelection(HDC dc)
        : dc_(dc), font_(CreateFontA(10, 0, 900, 900, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial")),
          replaced_(SelectObject(dc_, font_))
    {
    }
    ~RotatedFontSelection()
    {
        SelectObject(dc_, replaced_);
        DeleteObject(font_);
    }
    RotatedFontSelection(const RotatedFontSelection&) = delete;
    RotatedFontSelection& operator=(const RotatedFontSelection&) = delete;

private:
    HDC dc_;
    HFONT font_;
    HGDIOBJ replaced_;
};

} // namespace

void printRotatedOn(PictureBox& strip, const QString& text, float left, float tick)
{
    const RotatedFontSelection rotated(strip.hDC());
    const float width = strip.TextWidth(text);
    strip.setCurrentX(left);
    strip.setCurrentY(tick + width / 2);
    strip.Print(text);
}

namespace
{

// Prints the j-th number reading upward, centred on its tick (ticks spacing pixels apart),
// its cell to the right of x = left.
void printRotated(PictureBox& strip, const QString& text, float left, qint32 j, qint32 spacing)
{
    printRotatedOn(strip, text, left, float(mul(j, spacing)));
}

} // namespace

void frmVelmora::DrawVerticalLabels(PictureBox& strip, qint32 labelBaseY)
{
    // A failure only costs the numbers not yet printed; the ruler stays usable.
    try {
        const int unit = cboUnit->ListIndex();
        const float twoWidth = picRulerW->TextWidth(QStringLiteral("2"));
        const float labelLeft = (strip.ScaleWidth() - twoWidth) / 2 - 1;
        const qint32 count = numbers::CLng(numbers::fdiv(strip.ScaleHeight(), unitPxMagY));
        for (qint32 j = 0; j <= count; j = add(j, 1))
            printRotated(strip, units::rulerNumberText(unit, j, unitPxY, labelBaseY), labelLeft, j,
                         unitPxMagY);
    } catch (const RuntimeError&) {
    } catch (const std::bad_alloc&) {
    }
}
