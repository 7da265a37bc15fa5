#include "instruments/measure_tool.h"

#include "viewer/main_window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <cmath>

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
// How near an end of a line a drag must start to draw an angle's second arm from it, and
// how long a point's cross arms are, in screen pixels.
constexpr double kReachOfAnEnd = 4;
constexpr int kPointArm = 4;

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
    claimKey(QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_C), [this] {
        putOnClipboard([this] { return tableText(); });
        return true;
    });
    claimKey(QKeySequence(Qt::Key_Escape), [this] { return removeLast(); });
    // Measurements belong to the picture they were taken on, in its own pixels: they stay
    // through scrolling and another factor.
    connect(&window, &frmVelmora::pictureChanged, this, &MeasureTool::clear);
    connect(&window, &frmVelmora::magnificationChanged, this, &MeasureTool::layerChanged);
    connect(&window, &frmVelmora::pictureMoved, this, &MeasureTool::layerChanged);
    connect(&window, &frmVelmora::unitsChanged, this, &MeasureTool::layerChanged);
}

MeasureTool::~MeasureTool() = default;

bool MeasureTool::measuring() const
{
    return current() != nullptr;
}

const Kept* MeasureTool::current() const
{
    if (drag_)
        return &drag_->kept;
    return kept_.empty() ? nullptr : &kept_.back();
}

QPoint MeasureTool::from() const
{
    return current() ? current()->from : QPoint();
}

QPoint MeasureTool::to() const
{
    return current() ? current()->to : QPoint();
}

QString MeasureTool::summary() const
{
    const Kept& kept = *current();
    const units::PixelsPerInch perInch = window().pixelsPerInch();
    const int unit = window().unit();
    if (kept.kind == Kind::Line)
        return measurement::copyText(figuresOf(kept.from, kept.to, unit, perInch.x, perInch.y));
    const Row row = rowOf(kept, 0, unit, perInch.x, perInch.y);
    switch (kept.kind) {
    case Kind::Box:
        return tr("宽 %1  高 %2  面积 %3 %4²").arg(row.across, row.down, row.size, row.unit);
    case Kind::Point:
        return QStringLiteral("x = %1   y = %2   %3").arg(row.x1, row.y1, row.colour);
    default:
        return tr("角 %1°  边长 %2 %3").arg(row.angle, row.size, row.unit);
    }
}

QString MeasureTool::boxText() const
{
    if (!current())
        return QString();
    // Only figures can be negative; a unit never is.
    return withTypographicMinus(summary());
}

QString MeasureTool::copyText() const
{
    if (current())
        return summary();
    if (const auto pointed = window().pointedPixel())
        return readoutCopyText(window().readoutText(), pointed->colour);
    return QString();
}

QString MeasureTool::tableText() const
{
    if (kept_.empty())
        return QString();
    const units::PixelsPerInch perInch = window().pixelsPerInch();
    QList<Row> rows;
    for (std::size_t i = 0; i < kept_.size(); ++i)
        rows << rowOf(kept_[i], int(i + 1), window().unit(), perInch.x, perInch.y);
    return tabSeparated(rows);
}

bool MeasureTool::removeLast()
{
    if (drag_)
        drag_.reset();
    else if (!kept_.empty())
        kept_.pop_back();
    else
        return false;
    layerChanged();
    return true;
}

void MeasureTool::clear()
{
    if (!measuring())
        return;
    drag_.reset();
    kept_.clear();
    layerChanged();
}

void MeasureTool::copy()
{
    putOnClipboard([this] { return copyText(); });
}

void MeasureTool::putOnClipboard(const std::function<QString()>& text)
{
    // The figures are worked out with the window's checked arithmetic; a fault is reported
    // as the window reports any handler's.
    runGuarded([&text] {
        const QString copied = text();
        if (!copied.isEmpty())
            QGuiApplication::clipboard()->setText(copied);
    });
}

Placement MeasureTool::placement() const
{
    return Placement{window().pictureOrigin(), window().factor(), window().imageSize()};
}

std::optional<Kept> MeasureTool::angleFrom(QPointF inViewport) const
{
    const Placement where = placement();
    for (auto kept = kept_.rbegin(); kept != kept_.rend(); ++kept) {
        if (kept->kind != Kind::Line)
            continue;
        for (const auto& [end, other] : {std::pair{kept->from, kept->to}, {kept->to, kept->from}}) {
            const QPointF offset = inViewport - QPointF(viewportPoint(where, end));
            if (std::hypot(offset.x(), offset.y()) <= kReachOfAnEnd)
                return Kept{Kind::Angle, end, end, other, 0};
        }
    }
    return std::nullopt;
}

void MeasureTool::mousePressed(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton)
        return;
    if (window().picture().isNull() || window().imageSize().isEmpty() || window().factor() < 1)
        return;
    const QPoint pixel = imagePixel(placement(), mouse.inViewport);
    const bool ctrl = mouse.modifiers & Qt::ControlModifier;
    std::optional<Kept> angle = ctrl ? std::nullopt : angleFrom(mouse.inViewport);
    drag_ = Drag{angle.value_or(Kept{ctrl ? Kind::Box : Kind::Line, pixel, pixel, {}, 0}),
                 mouse.inViewport};
    layerChanged();
}

void MeasureTool::mouseMoved(const PictureMouse& mouse)
{
    if (drag_ && (mouse.buttons & Qt::LeftButton))
        drag(mouse.inViewport, mouse.modifiers & Qt::ShiftModifier);
}

void MeasureTool::mouseReleased(const PictureMouse& mouse)
{
    if (mouse.button != Qt::LeftButton || !drag_)
        return;
    drag(mouse.inViewport, mouse.modifiers & Qt::ShiftModifier);
    Kept kept = drag_->kept;
    drag_.reset();
    if (kept.to == kept.from) {
        // A click: with Ctrl it marks a point; without, it changes nothing kept.
        if (kept.kind != Kind::Box) {
            layerChanged();
            return;
        }
        kept.kind = Kind::Point;
        kept.colour = window().picture().pixel(kept.from);
    }
    kept_.push_back(kept);
    layerChanged();
}

void MeasureTool::modifiersChanged(Qt::KeyboardModifiers held)
{
    // Shift pressed or let go mid-drag snaps or frees the line where the pointer rests.
    if (drag_)
        drag(drag_->pointer, held & Qt::ShiftModifier);
}

void MeasureTool::drag(QPointF inViewport, bool snap)
{
    const Placement where = placement();
    drag_->pointer = inViewport;
    Kept& kept = drag_->kept;
    const QPoint end = imagePixel(where, inViewport);
    kept.to = snap && kept.kind != Kind::Box ? snapped(kept.from, end, where.image) : end;
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

void MeasureTool::paintKept(QPainter& painter, const Kept& kept, bool standsOut) const
{
    const Placement where = placement();
    const QPoint a = viewportPoint(where, kept.from);
    const QPoint b = viewportPoint(where, kept.to);
    // White under dashes, so every mark shows on any picture; the one being dragged in red.
    const auto stroke = [&](const auto& draw) {
        QPen pen(Qt::white, 1);
        painter.setPen(pen);
        draw();
        pen.setColor(standsOut ? Qt::red : Qt::black);
        pen.setDashPattern({kDash, kDash});
        painter.setPen(pen);
        draw();
    };
    switch (kept.kind) {
    case Kind::Box: {
        // Around the pixels it covers, both ends included.
        const int f = where.factor;
        const QPoint low(std::min(kept.from.x(), kept.to.x()),
                         std::min(kept.from.y(), kept.to.y()));
        const QPoint high(std::max(kept.from.x(), kept.to.x()),
                          std::max(kept.from.y(), kept.to.y()));
        const QRect covered(where.origin + low * f, where.origin + high * f + QPoint(f - 1, f - 1));
        stroke([&] { painter.drawRect(covered.adjusted(-1, -1, 0, 0)); });
        break;
    }
    case Kind::Point:
        stroke([&] {
            painter.drawLine(a - QPoint(kPointArm, 0), a + QPoint(kPointArm, 0));
            painter.drawLine(a - QPoint(0, kPointArm), a + QPoint(0, kPointArm));
        });
        break;
    case Kind::Angle:
        stroke([&] { painter.drawLine(a, viewportPoint(where, kept.firstArm)); });
        [[fallthrough]];
    case Kind::Line:
        stroke([&] {
            if (a == b)
                painter.drawPoint(a);
            else
                painter.drawLine(a, b);
        });
        break;
    }
}

void MeasureTool::paintLayer(QPainter& painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(layer_->font());
    const QFontMetrics metrics(layer_->font());
    for (std::size_t i = 0; i < kept_.size(); ++i) {
        paintKept(painter, kept_[i], false);
        // The number near the start, above and to the right of it.
        const QPoint start = viewportPoint(placement(), kept_[i].from);
        const QString number = QString::number(i + 1);
        const QRect label(start + QPoint(3, -3 - metrics.height()),
                          QSize(metrics.horizontalAdvance(number) + 2, metrics.height()));
        painter.fillRect(label, kBoxGround);
        painter.setPen(kBoxInk);
        painter.drawText(label, Qt::AlignCenter, number);
    }
    if (drag_)
        paintKept(painter, drag_->kept, true);
    const Kept* shown = current();
    if (!shown)
        return;

    // No message box in the middle of a paint: a fault in the figures only leaves the box out.
    QString text;
    try {
        text = boxText();
    } catch (const toolkit::RuntimeError&) {
        return;
    }
    const QSize size(metrics.horizontalAdvance(text) + 2 * kBoxPaddingX,
                     metrics.height() + 2 * kBoxPaddingY);
    const QRect box = boxBeside(viewportPoint(placement(), shown->to), size, layer_->rect());
    painter.fillRect(box, kBoxGround);
    painter.setPen(kBoxInk);
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.drawText(box, Qt::AlignCenter, text);
}

void MeasureTool::layerChanged()
{
    // Cheap enough to repaint the viewport: the picture under it paints from its surface.
    layer_->setVisible(measuring());
    if (measuring()) {
        layer_->raise();
        layer_->update();
    }
}
