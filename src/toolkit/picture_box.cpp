#include "toolkit/picture_box.h"

#include "toolkit/gdi.h"
#include "toolkit/screen.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cstdlib>

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

void PictureBox::setPicture(const QImage& picture)
{
    if (autoSize_ && !picture.isNull())
        Move(Left(), Top(), float(picture.width()), float(picture.height()));
    picture_ = picture;
    if (!picture_.isNull() && picture_.format() != QImage::Format_RGB32)
        picture_ = picture_.convertToFormat(QImage::Format_RGB32);
    if (!picture_.isNull() && picture_.size() == surface_.size()) {
        // The picture covers the whole surface: share its pixels instead of painting them.
        surface_ = picture_;
    } else {
        eraseSurface();
        if (!picture_.isNull()) {
            QPainter painter(&surface_);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, picture_);
        }
    }
    update();
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
    int error = dx + dy;
    while (x != xEnd || y != yEnd) {
        if (surface_.valid(x, y))
            reinterpret_cast<QRgb*>(surface_.scanLine(y))[x] = color;
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
    {
        QPainter painter(&surface_);
        painter.setFont(font);
        painter.setPen(QColor(toQRgb(foreColor_)));
        painter.translate(toDevicePixels(currentX_), toDevicePixels(currentY_));
        // The start point is the top-left of the text's cell; an escaped font turns the
        // cell about it, counter-clockwise (900 runs the text upward, cell to the right).
        painter.rotate(-escapementOf(*this) / 10.0);
        painter.drawText(0, QFontMetrics(font).ascent(), text);
    }
    currentY_ += TextHeight(text);
    currentX_ = 0;
    update();
}

float PictureBox::TextWidth(const QString& text) const
{
    return float(QFontMetrics(drawingFont(*this)).horizontalAdvance(text));
}

float PictureBox::TextHeight(const QString& /*text*/) const
{
    return float(QFontMetrics(drawingFont(*this)).height());
}

void PictureBox::placedHook()
{
    const int width = toDevicePixels(Width());
    const int height = toDevicePixels(Height());
    if (surface_.width() == width && surface_.height() == height)
        return;
    resizeSurface(width, height);
}

void PictureBox::resizeSurface(int width, int height)
{
    checkSurfaceSize(width, height);
    if (width == 0 || height == 0) {
        surface_ = QImage();
        return;
    }
    QImage resized(width, height, QImage::Format_RGB32);
    if (resized.isNull())
        raiseError(Err::OutOfMemory);
    // What was drawn survives a change of size, as a persistent surface should.
    resized.fill(toQRgb(backColor_));
    if (!surface_.isNull()) {
        QPainter painter(&resized);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, surface_);
    }
    surface_ = std::move(resized);
}

void PictureBox::eraseSurface()
{
    if (!surface_.isNull())
        surface_.fill(toQRgb(backColor_));
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect exposed = event->rect();
    const QRect drawn = exposed & surface_.rect();
    if (!drawn.isEmpty())
        painter.drawImage(drawn.topLeft(), surface_, drawn);
    // Anything outside the surface (only while a size change is pending) shows BackColor.
    const QRegion rest = QRegion(exposed) - QRegion(drawn);
    for (const QRect& r : rest)
        painter.fillRect(r, QColor(toQRgb(backColor_)));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF at = event->position();
    emit MouseMove(mouseButtonState(event->buttons()), mouseShiftState(event->modifiers()),
                   float(at.x()), float(at.y()));
    event->accept();
}

} // namespace toolkit
