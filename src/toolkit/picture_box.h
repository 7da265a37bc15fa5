#pragma once

#include "toolkit/placed.h"

#include <QFont>
#include <QImage>
#include <QWidget>
#include <functional>

class QPainter;

namespace toolkit
{

class DeviceContext;

// A colour as the window code spells it: 0x00BBGGRR, red in the lowest byte.
using ColorRef = quint32;
constexpr ColorRef RGB(int r, int g, int b)
{
    return ColorRef(r & 0xFF) | (ColorRef(g & 0xFF) << 8) | (ColorRef(b & 0xFF) << 16);
}
constexpr int redOf(ColorRef c)
{
    return int(c & 0xFF);
}
constexpr int greenOf(ColorRef c)
{
    return int((c >> 8) & 0xFF);
}
constexpr int blueOf(ColorRef c)
{
    return int((c >> 16) & 0xFF);
}
QRgb toQRgb(ColorRef c);
ColorRef fromQRgb(QRgb rgb);

// Mouse buttons (1 left, 2 right, 4 middle) and keys (1 shift, 2 ctrl, 4 alt) as the
// window's mouse handlers number them.
int mouseButtonState(Qt::MouseButtons buttons);
int mouseShiftState(Qt::KeyboardModifiers modifiers);

// The largest surface a picture box can hold: 2^28 pixels (1 GiB at 4 bytes a pixel) and
// 32,767 pixels on a side. The picture decoder refuses larger images before decoding.
constexpr qint64 kMaxSurfacePixels = qint64(1) << 28;
constexpr int kMaxSurfaceSide = 32767;
// Raises the can't-create-image error when a surface of this size cannot be made.
void checkSurfaceSize(qint64 width, qint64 height);

// A bitmap as a picture box keeps it: its pixels, or, for a bitmap that is one colour all
// over (the blank surface a box is erased to), only its size and that colour, so a blank
// picture holds no pixel buffer. Copies share their pixels, as QImage's do.
class Bitmap
{
public:
    Bitmap() = default;
    // Any image is a bitmap; the null image is the empty one.
    Bitmap(const QImage& pixels) : pixels_(pixels), size_(pixels.isNull() ? QSize() : pixels.size())
    {
    }
    static Bitmap uniform(QSize size, QRgb color);

    bool isNull() const { return size_.isEmpty(); }
    QSize size() const { return size_; }
    int width() const { return size_.width(); }
    int height() const { return size_.height(); }
    QRect rect() const { return QRect(QPoint(0, 0), size_); }
    // True for a one-colour bitmap without pixels; uniformColor() is its colour.
    bool isUniform() const { return pixels_.isNull() && !isNull(); }
    QRgb uniformColor() const { return color_; }
    // The pixels; null for the empty and the uniform bitmap.
    const QImage& pixels() const { return pixels_; }
    // The colour at a point inside the bitmap.
    QRgb pixel(int x, int y) const { return isUniform() ? color_ : pixels_.pixel(x, y); }
    // The bitmap as an image; a uniform one is painted out in its colour.
    QImage toImage() const;
    operator QImage() const { return toImage(); }

private:
    QImage pixels_;
    QSize size_;
    QRgb color_ = 0;
};

// A picture box: a borderless widget with a persistent off-screen surface that survives
// repaints. Drawing goes to the surface; the widget shows it. Inner size equals outer size,
// so ruler 0, image pixel 0 and the pointer marker share one column.
class PictureBox : public Placed<QWidget>
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent);
    ~PictureBox() override;

    // Inner size in pixels; the box has no border.
    float ScaleWidth() const { return Width(); }
    float ScaleHeight() const { return Height(); }

    // The bitmap shown as background. A null bitmap means "no picture" (handle 0).
    const Bitmap& Picture() const { return picture_; }
    bool hasPicture() const { return !picture_.isNull(); }
    // Giving a picture erases the surface to BackColor and draws the picture at (0, 0);
    // an auto-sizing box first takes the picture's size. The null bitmap clears it. A
    // picture as large as the surface becomes the surface, sharing its pixels.
    void setPicture(const Bitmap& picture);
    // The current contents of the surface; shares pixels until either side is written, and
    // a blank surface gives a uniform bitmap.
    Bitmap Image() const;

    // Auto-sizing boxes take the size of the picture they are given.
    void setAutoSize(bool autoSize) { autoSize_ = autoSize; }

    DeviceContext* hDC() const { return dc_.get(); }
    // The surface's pixels, to read or draw on. A blank surface gets its pixels here, painted
    // in its colour (which may raise the out-of-memory error).
    const QImage& surface() const;
    QImage& surface();
    // The surface's size in pixels, known without touching its pixels.
    QSize surfaceSize() const { return surfaceSize_; }
    // The colour of a point on the surface, which must lie inside it.
    QRgb surfacePixel(int x, int y) const { return blank_ ? blankColor_ : surface_.pixel(x, y); }
    // The surface for a drawing that writes every one of its pixels: neither erased nor
    // copied from pixels it shares, since nothing of them would survive.
    QImage& surfaceToOverwrite();
    // Makes the whole surface this bitmap, which must be the surface's size: its pixels are
    // shared, not copied, and a uniform bitmap leaves the surface blank.
    void setSurface(const Bitmap& bitmap);
    // Lets go of the buffer a blank surface keeps for its next drawing: a box whose picture
    // has gone then holds no pixels until something draws on it again.
    void releaseBlankBuffer();
    // What the surface's pixels take in memory now: 0 while it is blank and keeps no buffer.
    qsizetype pixelBytes() const { return surface_.sizeInBytes(); }

    ColorRef BackColor() const { return backColor_; }
    // Setting the background colour erases the surface to it.
    void setBackColor(ColorRef color);
    ColorRef ForeColor() const { return foreColor_; }
    void setForeColor(ColorRef color) { foreColor_ = color; }

    // The box's own font; sizes in points are rounded to whole pixels at the screen's DPI.
    const QFont& boxFont() const { return font_; }
    void setFontName(const QString& family);
    void setFontSize(double points);
    void setFontBold(bool bold);

    float CurrentX() const { return currentX_; }
    float CurrentY() const { return currentY_; }
    void setCurrentX(float x) { currentX_ = x; }
    void setCurrentY(float y) { currentY_ = y; }

    // A one-pixel line in ForeColor from the first point toward the second; the second
    // point itself is not painted.
    void Line(float x1, float y1, float x2, float y2);
    // Prints text in ForeColor with the top-left of its cell at (CurrentX, CurrentY), in the
    // font selected into hDC (the box's own font unless another was selected). Afterwards
    // CurrentX is 0 and CurrentY is one text line lower.
    void Print(const QString& text);
    // Width and height of a text in the font selected into hDC, in pixels.
    float TextWidth(const QString& text) const;
    float TextHeight(const QString& text) const;

    // Draws the box on demand instead of from its surface: each paint asks `draw` for the
    // exposed part, and the box keeps no surface at any size (so it may be larger than a
    // surface can be). An empty function returns it to its surface, blank.
    using Drawing = std::function<void(QPainter&, const QRect& exposed)>;
    void setDrawnOnDemand(Drawing draw);
    bool drawnOnDemand() const { return bool(onDemand_); }
    // Draws over the box's pixels as each paint ends, in the box's coordinates: marks that
    // show on the screen and never reach the surface, so what Point reads stays the box's.
    void setPaintedOver(Drawing draw) { paintedOver_ = std::move(draw); }

signals:
    // Mouse move, with the button and shift states and the position in the box's pixels.
    void MouseMove(int button, int shift, float x, float y);

protected:
    void placedHook() override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void resizeSurface(int width, int height);
    void eraseSurface();
    void eraseSurfaceTo(QRgb color);
    // Makes surface_ a buffer of the surface's size owned by this box alone; its pixels are
    // left as they are, which is garbage when it is new.
    void ownBufferOfSurfaceSize() const;
    void paintBlankSurface() const;

    // The surface is surfaceSize_. While blank_ is set every pixel of it is blankColor_ and
    // surface_ is null or a buffer of that size owned by this box alone, kept for the next
    // drawing; otherwise surface_ holds the pixels.
    mutable QImage surface_;
    QSize surfaceSize_{0, 0};
    mutable bool blank_ = true;
    QRgb blankColor_ = qRgb(255, 255, 255);
    Bitmap picture_;
    std::unique_ptr<DeviceContext> dc_;
    ColorRef backColor_ = RGB(255, 255, 255);
    ColorRef foreColor_ = RGB(0, 0, 0);
    QFont font_;
    float currentX_ = 0;
    float currentY_ = 0;
    bool autoSize_ = false;
    Drawing onDemand_;
    Drawing paintedOver_;
};

} // namespace toolkit
