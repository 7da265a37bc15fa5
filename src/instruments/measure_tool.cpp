#include "instruments/measure_tool.h"

#include "viewer/main_window.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

using namespace measurement;

namespace
{

// The box: black text on a pale yellow ground inside a black frame, like a tooltip.
const QColor kBoxGround(255, 255, 225);
const QColor kBoxInk(0, 0, 0);
constexpr int kBoxPaddingX = 4;
constexpr int kBoxPaddingY = 2;
// The line is white under black dashes, so it shows on any picture, light or dark.
constexpr qreal kDash = 4;

} // namespace

// A transparent layer over the whole viewport, above the picture: the line and the box are
// drawn here, never on the picture's surface, so the colour readout stays true.
class MeasureTool::Layer : public QWidget
{
public:
    explicit Layer(MeasureTool* tool) : tool_(tool)
    {
        setObjectName(QStringLiteral("measureLayer"));
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        tool_->paintLayer(painter);
    }

private:
    MeasureTool* tool_;
};

MeasureTool::MeasureTool(frmVelmora& window) : Instrument(window), layer_(new Layer(this))
{
    setObjectName(QStringLiteral("measureTool"));
    addOverlay(layer_);
    claimKey(QKeySequence::Copy, [this] {
        copy();
        return true;
    });
    claimKey(QKeySequence(Qt::Key_Escape), [this] {
        if (!line_)
            return false;
        clear();
        return true;
    });
    // A line belongs to the picture and the factor it was drawn on.
    connect(&window, &frmVelmora::pictureChanged, this, &MeasureTool::clear);
    connect(&window, &frmVelmora::magnificationChanged, this, &MeasureTool::clear);
    // Scrolled or placed anew: the line stays on its image pixels.
    connect(&window, &frmVelmora::pictureMoved, this, &MeasureTool::layerChanged);
    connect(&window, &frmVelmora::unitsChanged, this, &MeasureTool::layerChanged);
}

MeasureTool::~MeasureTool() = default;

bool MeasureTool::measuring() const
{
    return line_.has_value();
}

QPoint MeasureTool::from() const
{
    return line_ ? line_->from : QPoint();
}

QPoint MeasureTool::to() const
{
    return line_ ? line_->to : QPoint();
}

Figures MeasureTool::figures() const
{
    const units::PixelsPerInch perInch = window().pixelsPerInch();
    return figuresOf(line_->from, line_->to, window().unit(), perInch.x, perInch.y);
}

QString MeasureTool::boxText() const
{
    return line_ ? measurement::boxText(figures()) : QString();
}

QString MeasureTool::copyText() const
{
    if (line_)
        return measurement::copyText(figures());
    if (const auto pointed = window().pointedPixel())
        return readoutCopyText(window().readoutText(), pointed->colour);
    return QString();
}

void MeasureTool::clear()
{
    if (!line_)
        return;
    line_.reset();
    layerChanged();
    layer_->hide();
}

void MeasureTool::copy()
{
    // The figures are worked out with the window's checked arithmetic; a fault is reported
    // as the window reports any handler's.
    runGuarded([this] {
        const QString text = copyText();
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    });
}

Placement MeasureTool::placement() const
{
    return Placement{window().pictureOrigin(), window().factor(), window().imageSize()};
}

void MeasureTool::mousePressed(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton)
        return;
    if (window().picture().isNull() || window().imageSize().isEmpty() || window().factor() < 1)
        return;
    const QPoint pixel = imagePixel(placement(), mouse.inViewport);
    line_ = Line{pixel, pixel, mouse.inViewport, true};
    layer_->show();
    layer_->raise();
    layerChanged();
}

void MeasureTool::mouseMoved(const PictureMouse& mouse)
{
    if (line_ && line_->dragging && (mouse.buttons & Qt::LeftButton))
        drag(mouse.inViewport, mouse.modifiers & Qt::ShiftModifier);
}

void MeasureTool::mouseReleased(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton || !line_ || !line_->dragging)
        return;
    drag(mouse.inViewport, mouse.modifiers & Qt::ShiftModifier);
    line_->dragging = false;
    // A click measures nothing: one that only gave the picture the keyboard leaves no box
    // behind.
    if (line_->to == line_->from)
        clear();
}

void MeasureTool::modifiersChanged(Qt::KeyboardModifiers held)
{
    // Shift pressed or let go mid-drag snaps or frees the line where the pointer rests.
    if (line_ && line_->dragging)
        drag(line_->pointer, held & Qt::ShiftModifier);
}

void MeasureTool::drag(QPointF inViewport, bool snap)
{
    const Placement where = placement();
    line_->pointer = inViewport;
    const QPoint end = imagePixel(where, inViewport);
    line_->to = snap ? snapped(line_->from, end, where.image) : end;
    layerChanged();
}

void MeasureTool::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    // What the readout says as the menu opens, so the entry copies what was read out there.
    // The colour alone, in each notation, is the loupe's.
    const auto pointed = window().pointedPixel();
    const QString both =
        pointed ? readoutCopyText(window().readoutText(), pointed->colour) : QString();
    QAction* copyBoth = menu.addAction(tr("复制位置和颜色"), &menu,
                                       [both] { QGuiApplication::clipboard()->setText(both); });
    copyBoth->setEnabled(pointed.has_value());
}

void MeasureTool::paintLayer(QPainter& painter)
{
    if (!line_)
        return;
    const Placement where = placement();
    const QPoint a = viewportPoint(where, line_->from);
    const QPoint b = viewportPoint(where, line_->to);

    painter.setRenderHint(QPainter::Antialiasing, false);
    // Black dashes over white, so the line shows on any picture.
    const auto stroke = [&](const QPen& pen) {
        painter.setPen(pen);
        if (a == b)
            painter.drawPoint(a);
        else
            painter.drawLine(a, b);
    };
    QPen pen(Qt::white, 1);
    stroke(pen);
    pen.setColor(Qt::black);
    pen.setDashPattern({kDash, kDash});
    stroke(pen);

    // No message box in the middle of a paint: a fault in the figures only leaves the box out.
    QString text;
    try {
        text = boxText();
    } catch (const toolkit::RuntimeError&) {
        return;
    }
    const QFontMetrics metrics(layer_->font());
    const QSize size(metrics.horizontalAdvance(text) + 2 * kBoxPaddingX,
                     metrics.height() + 2 * kBoxPaddingY);
    const QRect box = boxBeside(b, size, layer_->rect());
    painter.fillRect(box, kBoxGround);
    painter.setPen(kBoxInk);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.setFont(layer_->font());
    painter.drawText(box, Qt::AlignCenter, text);
}

void MeasureTool::layerChanged()
{
    // Cheap enough to repaint the viewport: the picture under it paints from its surface.
    layer_->update();
}
