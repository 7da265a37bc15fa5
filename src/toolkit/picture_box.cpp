#include "toolkit/picture_box.h"

#include "toolkit/gdi.h"
#include "toolkit/screen.h"

#include <QFontMetrics>
#include <QHash>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace toolkit
{

QRgb toQRgb(ColorRef c)
{
    return qRgb(redOf(c), greenOf(c), blueOf(c));
}

ColorRef fromQRgb(QRgb rgb)
{
    return RGB(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

void checkSurfaceSize(qint64 width, qint64 height)
{
    if (width < 0 || height < 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide ||
        width * height > kMaxSurfacePixels)
        raiseError(Err::CantCreateImage);
}

int mouseButtonState(Qt::MouseButtons buttons)
{
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int mouseShiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

namespace
{

// Text on the rulers is drawn without smoothing, so every number pixel is exactly its colour.
QFont crispFont(QFont font)
{
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

} // namespace

PictureBox::PictureBox(QWidget* parent)
    : Placed<QWidget>(parent), dc_(std::make_unique<DeviceContext>(this)),
      font_(crispFont(QFont(QStringLiteral("Arial"))))
{
    font_.setPixelSize(Screen::pointsToPixels(9));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

PictureBox::~PictureBox() = default;

Bitmap Bitmap::uniform(QSize size, QRgb color)
{
    Bitmap bitmap;
    bitmap.size_ = size;
    bitmap.color_ = color;
    return bitmap;
}

QImage Bitmap::toImage() const
{
    if (!isUniform())
        return pixels_;
    QImage image(size_, QImage::Format_RGB32);
    if (image.isNull())
        raiseError(Err::OutOfMemory);
    image.fill(color_);
    return image;
}

void PictureBox::setPicture(const Bitmap& picture)
{
    Bitmap shown = picture;
    if (!shown.pixels().isNull() && shown.pixels().format() != QImage::Format_RGB32)
        shown = shown.pixels().convertToFormat(QImage::Format_RGB32);
    // Refuse a picture too large for an auto-sizing box before anything changes.
    if (autoSize_ && !shown.isNull())
        checkSurfaceSize(shown.width(), shown.height());
    // The old picture goes first, so that erasing can keep its buffer for reuse.
    picture_ = shown;
    eraseSurface();
    // Resizing a blank surface costs nothing: its pixels are not made until needed.
    if (autoSize_ && !picture_.isNull())
        Move(Left(), Top(), float(picture_.width()), float(picture_.height()));
    if (!picture_.isNull() && picture_.size() == surfaceSize_) {
        setSurface(picture_);
    } else if (!picture_.isNull()) {
        QImage& to = surface();
        const QRect drawn = to.rect() & picture_.rect();
        for (int y = 0; y < drawn.height(); ++y) {
            auto* out = reinterpret_cast<QRgb*>(to.scanLine(y));
            if (picture_.isUniform())
                std::fill_n(out, drawn.width(), picture_.uniformColor());
            else
                std::memcpy(out, picture_.pixels().constScanLine(y),
                            size_t(drawn.width()) * sizeof(QRgb));
        }
    }
    update();
}

Bitmap PictureBox::Image() const
{
    if (blank_)
        return Bitmap::uniform(surfaceSize_, blankColor_);
    return Bitmap(surface_);
}

const QImage& PictureBox::surface() const
{
    if (blank_)
        paintBlankSurface();
    return surface_;
}

QImage& PictureBox::surface()
{
    if (blank_)
        paintBlankSurface();
    return surface_;
}

void PictureBox::ownBufferOfSurfaceSize() const
{
    if (surface_.isDetached() && surface_.size() == surfaceSize_)
        return;
    surface_ = QImage(); // let go of the old buffer before the new one is made
    if (!surfaceSize_.isEmpty()) {
        surface_ = QImage(surfaceSize_, QImage::Format_RGB32);
        if (surface_.isNull())
            raiseError(Err::OutOfMemory);
    }
}

void PictureBox::paintBlankSurface() const
{
    ownBufferOfSurfaceSize();
    surface_.fill(blankColor_);
    blank_ = false;
}

QImage& PictureBox::surfaceToOverwrite()
{
    ownBufferOfSurfaceSize();
    blank_ = false;
    return surface_;
}

void PictureBox::setSurface(const Bitmap& bitmap)
{
    Q_ASSERT(bitmap.size() == surfaceSize_);
    if (bitmap.isUniform()) {
        eraseSurfaceTo(bitmap.uniformColor());
    } else if (!bitmap.isNull()) {
        surface_ = bitmap.pixels();
        blank_ = false;
    }
}

void PictureBox::releaseBlankBuffer()
{
    if (blank_)
        surface_ = QImage();
}

void PictureBox::setBackColor(ColorRef color)
{
    backColor_ = color;
    eraseSurface();
    update();
}

void PictureBox::setFontName(const QString& family)
{
    font_.setFamily(family);
}

void PictureBox::setFontSize(double points)
{
    font_.setPixelSize(Screen::pointsToPixels(points));
}

void PictureBox::setFontBold(bool bold)
{
    font_.setBold(bold);
}

namespace
{

// The font a box draws text with: the one selected into its context, else its own.
QFont drawingFont(const PictureBox& box)
{
    if (const LogicalFont* logical = logicalFont(box.hDC()->selectedFont()))
        return toQFont(*logical);
    return box.boxFont();
}

// The advance width of a text. Measuring shapes the text, which costs more than drawing a
// ruler's ticks, and the rulers measure the same few numbers in the same fonts on every
// redraw, so the widths are remembered (and forgotten in bulk, to stay small).
int advanceOf(const QFont& font, const QString& text)
{
    static QHash<std::pair<QFont, QString>, int> widths;
    const std::pair<QFont, QString> key(font, text);
    if (const auto known = widths.constFind(key); known != widths.constEnd())
        return *known;
    if (widths.size() >= 4096)
        widths.clear();
    const int width = QFontMetrics(font).horizontalAdvance(text);
    widths.insert(key, width);
    return width;
}

// The pixels a text covers when printed with its cell's top-left at (0, 0): an ink mask and
// where its top-left lies from that point. Shaping and rasterising a text costs far more
// than copying its few pixels, and the rulers print the same numbers on every redraw. Box
// fonts are never smoothed, so a pixel is either ink or untouched and the mask is exact.
struct TextInk {
    QImage mask;
    QPoint offset;
};

struct TextInkKey {
    QFont font;
    int escapement;
    QString text;
    bool operator==(const TextInkKey&) const = default;
};

size_t qHash(const TextInkKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.font, key.escapement, key.text);
}

TextInk renderTextInk(const QFont& font, int escapement, const QString& text)
{
    const QFontMetrics metrics(font);
    // The cell turned about its start point, with room for glyphs that overhang it.
    const int margin = metrics.height() + metrics.maxWidth();
    const QRect cell(-margin, -margin, metrics.horizontalAdvance(text) + 2 * margin,
                     metrics.height() + 2 * margin);
    const QRect area = QTransform().rotate(-escapement / 10.0).mapRect(cell);
    QImage canvas(area.size(), QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull())
        raiseError(Err::OutOfMemory);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.translate(-area.left(), -area.top());
        // The start point is the top-left of the text's cell; an escaped font turns the
        // cell about it, counter-clockwise (900 runs the text upward, cell to the right).
        painter.rotate(-escapement / 10.0);
        painter.drawText(0, metrics.ascent(), text);
    }
    QRect inked;
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x)
            if (qAlpha(row[x]) != 0)
                inked |= QRect(x, y, 1, 1);
    }
    if (inked.isEmpty())
        return {};
    return {canvas.copy(inked), inked.topLeft() + area.topLeft()};
}

const TextInk& textInk(const QFont& font, int escapement, const QString& text)
{
    static QHash<TextInkKey, TextInk> inks;
    const TextInkKey key{font, escapement, text};
    if (const auto known = inks.constFind(key); known != inks.constEnd())
        return *known;
    if (inks.size() >= 4096)
        inks.clear();
    return *inks.insert(key, renderTextInk(font, escapement, text));
}

int escapementOf(const PictureBox& box)
{
    const LogicalFont* logical = logicalFont(box.hDC()->selectedFont());
    return logical ? logical->escapement : 0;
}

} // namespace

void PictureBox::Line(float x1, float y1, float x2, float y2)
{
    // Bresenham, stopping before the end point as the classic line drawing does.
    int x = toDevicePixels(x1), y = toDevicePixels(y1);
    const int xEnd = toDevicePixels(x2), yEnd = toDevicePixels(y2);
    const int dx = std::abs(xEnd - x), dy = -std::abs(yEnd - y);
    const int stepX = x < xEnd ? 1 : -1, stepY = y < yEnd ? 1 : -1;
    const QRgb color = toQRgb(foreColor_);
    // One detach for the whole line rather than one per pixel: the rulers draw thousands.
    QImage& pixels = surface();
    uchar* const bits = pixels.isNull() ? nullptr : pixels.bits();
    const qsizetype stride = pixels.bytesPerLine();
    const int width = pixels.width(), height = pixels.height();
    int error = dx + dy;
    while (x != xEnd || y != yEnd) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            reinterpret_cast<QRgb*>(bits + y * stride)[x] = color;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
    update();
}

void PictureBox::Print(const QString& text)
{
    const QFont font = drawingFont(*this);
    const TextInk& ink = textInk(font, escapementOf(*this), text);
    const QPoint at(toDevicePixels(currentX_) + ink.offset.x(),
                    toDevicePixels(currentY_) + ink.offset.y());
    const QRect drawn = QRect(at, ink.mask.size()) & QRect(QPoint(0, 0), surfaceSize_);
    if (!drawn.isEmpty()) {
        QImage& pixels = surface();
        const QRgb color = toQRgb(foreColor_);
        for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(ink.mask.constScanLine(y - at.y()));
            auto* to = reinterpret_cast<QRgb*>(pixels.scanLine(y));
            for (int x = drawn.left(); x <= drawn.right(); ++x)
                if (qAlpha(from[x - at.x()]) != 0)
                    to[x] = color;
        }
    }
    currentY_ += float(QFontMetrics(font).height());
    currentX_ = 0;
    update();
}

float PictureBox::TextWidth(const QString& text) const
{
    return float(advanceOf(drawingFont(*this), text));
}

float PictureBox::TextHeight(const QString& /*text*/) const
{
    return float(QFontMetrics(drawingFont(*this)).height());
}

void PictureBox::setDrawnOnDemand(Drawing draw)
{
    onDemand_ = std::move(draw);
    surface_ = QImage();
    blank_ = true;
    blankColor_ = toQRgb(backColor_);
    surfaceSize_ = onDemand_ ? QSize(0, 0) : deviceRect().size();
    update();
}

void PictureBox::placedHook()
{
    if (onDemand_)
        return;
    const QSize covered = deviceRect().size();
    if (covered != surfaceSize_)
        resizeSurface(covered.width(), covered.height());
}

void PictureBox::resizeSurface(int width, int height)
{
    checkSurfaceSize(width, height);
    const QSize size(width, height);
    const QRgb back = toQRgb(backColor_);
    // A blank surface stays blank when nothing of another colour would show.
    if (blank_ && (blankColor_ == back || surfaceSize_.expandedTo(size) == surfaceSize_)) {
        if (surface_.size() != size)
            surface_ = QImage();
        surfaceSize_ = size;
        return;
    }
    const QImage& old = surface();
    QImage resized;
    if (!size.isEmpty()) {
        resized = QImage(size, QImage::Format_RGB32);
        if (resized.isNull())
            raiseError(Err::OutOfMemory);
        // What was drawn survives a change of size, as a persistent surface should.
        resized.fill(back);
        const int kept = std::min(width, old.width());
        for (int y = 0; y < std::min(height, old.height()); ++y)
            std::memcpy(resized.scanLine(y), old.constScanLine(y), size_t(kept) * sizeof(QRgb));
    }
    surface_ = std::move(resized);
    surfaceSize_ = size;
    blank_ = false;
}

void PictureBox::eraseSurface()
{
    eraseSurfaceTo(toQRgb(backColor_));
}

void PictureBox::eraseSurfaceTo(QRgb color)
{
    // The pixels are painted only when something draws on the surface, and often nothing
    // does before a copy replaces them all. A buffer shared with a picture or another box
    // is let go; one of this box's own is kept for the next drawing.
    if (!surface_.isDetached())
        surface_ = QImage();
    blank_ = true;
    blankColor_ = color;
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (onDemand_) {
        onDemand_(painter, exposed);
    } else {
        const QRect drawn = exposed & QRect(QPoint(0, 0), surfaceSize_);
        if (!drawn.isEmpty()) {
            if (blank_)
                painter.fillRect(drawn, QColor(blankColor_));
            else
                painter.drawImage(drawn.topLeft(), surface_, drawn);
        }
        // Anything outside the surface (only while a size change is pending) shows BackColor.
        const QRegion rest = QRegion(exposed) - QRegion(drawn);
        for (const QRect& r : rest)
            painter.fillRect(r, QColor(toQRgb(backColor_)));
    }
    if (paintedOver_)
        paintedOver_(painter, exposed);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    emit MouseMove(mouseButtonState(event->buttons()), mouseShiftState(event->modifiers()),
                   float(at.x()), float(at.y()));
    event->accept();
}

} // namespace toolkit
