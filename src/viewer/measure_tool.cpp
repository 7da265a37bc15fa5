#include "viewer/measure_tool.h"

#include "viewer/main_window.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

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

const QString kCopyReadout = QStringLiteral("Copy position and colour");
const QString kCopyColour = QStringLiteral("Copy colour as #RRGGBB");

} // namespace

// A transparent layer over the whole viewport, above the picture: the line and the box are
// drawn here, never on the picture's surface, so the colour readout stays true. The mouse
// passes through it to the picture and the viewport's margin.
class MeasureTool::Layer : public QWidget
{
public:
    Layer(MeasureTool* tool, QWidget* viewport) : QWidget(viewport), tool_(tool)
    {
        setObjectName(QStringLiteral("measureLayer"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(viewport->rect());
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

MeasureTool::MeasureTool(frmVelmora* window)
    : QObject(window), window_(window), layer_(new Layer(this, window->picDispBase))
{
    setObjectName(QStringLiteral("measureTool"));
    window_->picDisp->installEventFilter(this);
    window_->picDispBase->installEventFilter(this);

    auto* copyKey = new QShortcut(QKeySequence::Copy, window_);
    connect(copyKey, &QShortcut::activated, this, &MeasureTool::copy);
    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), window_);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, &MeasureTool::clear);

    connect(window_->cboMagnify, &toolkit::ComboBox::Click, this, &MeasureTool::clear);
    connect(window_->cboUnit, &toolkit::ComboBox::Click, this, &MeasureTool::layerChanged);
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

QString MeasureTool::boxText() const
{
    if (!line_)
        return QString();
    return measurement::boxText(figuresOf(line_->from, line_->to, window_->cboUnit->ListIndex(),
                                          window_->dpiX, window_->dpiY));
}

QString MeasureTool::copyText() const
{
    if (line_)
        return measurement::copyText(figuresOf(
            line_->from, line_->to, window_->cboUnit->ListIndex(), window_->dpiX, window_->dpiY));
    if (window_->lblXY->Visible())
        return readoutCopyText(window_->lblXY->Caption());
    return QString();
}

void MeasureTool::clear()
{
    if (!line_)
        return;
    line_.reset();
    escape_->setEnabled(false);
    layerChanged();
    layer_->hide();
}

void MeasureTool::copy()
{
    // The figures are worked out with the window's checked arithmetic; a fault is reported
    // as the window reports any handler's.
    window_->runHandler([this] {
        dropIfStale();
        const QString text = copyText();
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    });
}

Placement MeasureTool::placement() const
{
    return Placement{window_->picDisp->pos(), window_->magnification,
                     QSize(window_->imageWidth, window_->imageHeight)};
}

qint64 MeasureTool::pictureKey() const
{
    return window_->picOrig->Picture().pixels().cacheKey();
}

void MeasureTool::dropIfStale()
{
    if (!line_)
        return;
    if (!window_->picOrig->hasPicture() || pictureKey() != line_->pictureKey ||
        window_->magnification != line_->factor || placement().image != line_->image)
        clear();
}

bool MeasureTool::eventFilter(QObject* watched, QEvent* event)
{
    // Nothing here takes an event from the window: its readout, markers, wheel and keys
    // see every event as before. Only the context menu, which nothing else uses, is taken.
    if (watched == window_->picDispBase) {
        if (event->type() == QEvent::Resize)
            layer_->setGeometry(window_->picDispBase->rect());
        return false;
    }
    if (watched != window_->picDisp)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto& mouse = *static_cast<QMouseEvent*>(event);
        if (mouse.button() == Qt::LeftButton)
            press(mouse);
        break;
    }
    case QEvent::MouseMove: {
        const auto& mouse = *static_cast<QMouseEvent*>(event);
        if (line_ && line_->dragging && (mouse.buttons() & Qt::LeftButton))
            drag(window_->picDisp->mapToParent(mouse.position()),
                 mouse.modifiers() & Qt::ShiftModifier);
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto& mouse = *static_cast<QMouseEvent*>(event);
        if (mouse.button() == Qt::LeftButton && line_ && line_->dragging) {
            drag(window_->picDisp->mapToParent(mouse.position()),
                 mouse.modifiers() & Qt::ShiftModifier);
            line_->dragging = false;
            // A click measures nothing: one that only gave the picture the keyboard leaves
            // no box behind.
            if (line_->to == line_->from)
                clear();
        }
        break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Shift pressed or let go mid-drag snaps or frees the line where the pointer rests.
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (key.key() == Qt::Key_Shift && !key.isAutoRepeat() && line_ && line_->dragging)
            drag(line_->pointer, event->type() == QEvent::KeyPress);
        break;
    }
    case QEvent::ContextMenu:
        showContextMenu(*static_cast<QContextMenuEvent*>(event));
        return true;
    case QEvent::Move:
        // Scrolled or placed anew: the line stays on its image pixels.
        layerChanged();
        break;
    case QEvent::Resize:
        dropIfStale();
        break;
    case QEvent::Paint:
        // A new picture of the same size shows up here first; drop the line after the
        // paint, not inside it.
        if (line_)
            QMetaObject::invokeMethod(this, &MeasureTool::dropIfStale, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return false;
}

void MeasureTool::press(const QMouseEvent& event)
{
    dropIfStale();
    if (!window_->picOrig->hasPicture() || window_->imageWidth <= 0 || window_->imageHeight <= 0 ||
        window_->magnification < 1)
        return;
    const Placement where = placement();
    const QPointF pointer = window_->picDisp->mapToParent(event.position());
    const QPoint pixel = imagePixel(where, pointer);
    line_ = Line{pixel, pixel, pointer, true, pictureKey(), where.factor, where.image};
    escape_->setEnabled(true);
    layer_->show();
    layer_->raise();
    layerChanged();
}

void MeasureTool::drag(QPointF inViewport, bool snap)
{
    const Placement where = placement();
    line_->pointer = inViewport;
    const QPoint end = imagePixel(where, inViewport);
    line_->to = snap ? snapped(line_->from, end, where.image) : end;
    layerChanged();
}

void MeasureTool::showContextMenu(const QContextMenuEvent& event)
{
    if (!window_->picOrig->hasPicture())
        return;
    // What the readout says as the menu opens, so the entries copy what was read out there.
    const QString readout = window_->lblXY->Visible() ? window_->lblXY->Caption() : QString();
    auto* menu = new QMenu(window_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QString both = readoutCopyText(readout);
    const QString colour = readoutColour(readout);
    QAction* copyBoth = menu->addAction(kCopyReadout, menu,
                                        [both] { QGuiApplication::clipboard()->setText(both); });
    copyBoth->setEnabled(!both.isEmpty());
    QAction* copyColour = menu->addAction(
        kCopyColour, menu, [colour] { QGuiApplication::clipboard()->setText(colour); });
    copyColour->setEnabled(!colour.isEmpty());
    menu->popup(event.globalPos());
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
