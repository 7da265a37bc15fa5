#include "instruments/measurement_layer.h"

#include "instruments/contrast.h"
#include "instruments/figures.h"
#include "toolkit/runtime_error.h"
#include "viewer/instrument.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QStaticText>
#include <QVarLengthArray>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

using namespace measurement;

namespace
{

// The box: black text on a pale yellow ground inside a black frame, like a tooltip.
const QColor kLabelGround(255, 255, 225);
const QColor kLabelInk(0, 0, 0);
constexpr int kFiguresPaddingX = 4;
constexpr int kFiguresPaddingY = 2;
// The line is white under black dashes, so it shows on any picture, light or dark. The
// small marks around the ends take shorter dashes, so each shows both.
constexpr qreal kDash = 4;
constexpr qreal kEndDash = 2;
// How long a point's cross arms are, in screen pixels.
constexpr int kPointArm = 4;
// Screen pixels enough for a number's label and a point's arms on any side of a pixel.
constexpr int kNumberRoom = 96;
// The selected measurements' dashes and numbers.
const QColor kSelectedInk(0, 102, 204);

} // namespace

// A transparent layer, above the picture or over the viewport beside it: the measurements
// and the box are drawn here, never on the picture's surface, so the colour readout stays
// true. Either is painted in the picture's coordinates.
class MeasurementLayer::Surface : public QWidget
{
public:
    Surface(MeasurementLayer* layer, const char* name, bool overViewport)
        : layer_(layer), overViewport_(overViewport)
    {
        setObjectName(QLatin1String(name));
        setAttribute(Qt::WA_NoSystemBackground);
        hide();
    }

    // Where the picture's (0, 0) lies on this layer.
    QPoint pictureOrigin() const
    {
        constexpr int rim = Instrument::kViewportRim;
        return overViewport_ ? layer_->view_.pictureOrigin() + QPoint(rim, rim) : QPoint();
    }

    // Where this layer shows what the picture's layer cannot: beside the picture, on the
    // viewport and its rim. Empty over the picture's layer, and while the picture fills all.
    QRegion besidePicture() const
    {
        if (!overViewport_)
            return QRegion();
        const PictureView& shown = layer_->view_;
        const QRect picture(pictureOrigin(), shown.factor().shown(shown.imageSize()));
        return QRegion(rect()) - picture;
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QRegion region = event->region();
        if (overViewport_) {
            // Only beside the picture: the marks over it are the picture's layer's.
            region &= besidePicture();
            if (region.isEmpty())
                return;
        }
        QPainter painter(this);
        painter.setClipRegion(region);
        const QPoint origin = pictureOrigin();
        painter.translate(origin);
        layer_->paint(painter, region.translated(-origin));
    }

private:
    MeasurementLayer* layer_;
    bool overViewport_;
};

MeasurementLayer::MeasurementLayer(const PictureView& view, const MeasurementStore& store,
                                   const std::optional<Measurement>& dragged)
    : view_(view), store_(store), dragged_(dragged),
      picture_(new Surface(this, "measureLayer", false)),
      margin_(new Surface(this, "measureMargin", true))
{
}

MeasurementLayer::~MeasurementLayer() = default;

QWidget* MeasurementLayer::overPicture() const
{
    return picture_;
}

QWidget* MeasurementLayer::overViewport() const
{
    return margin_;
}

void MeasurementLayer::renumbered()
{
    labels_.numbers.clear();
}

const Measurement* MeasurementLayer::current() const
{
    if (dragged_)
        return &*dragged_;
    if (!store_.selection().empty())
        return &store_.at(store_.selection().front());
    return store_.count() == 0 ? nullptr : &store_.all().back();
}

QString MeasurementLayer::figuresText() const
{
    const Measurement* shown = current();
    if (!shown)
        return QString();
    const QString text =
        measurement::figuresText(*shown, figuresOf(*shown, view_.unit(), view_.pixelsPerInch()));
    const QString pair = pairContrast();
    return pair.isEmpty() ? text : text + QStringLiteral("  ") + pair;
}

QString MeasurementLayer::pairContrast() const
{
    const std::vector<int>& selected = store_.selection();
    if (dragged_ || selected.size() != 2)
        return QString();
    const Measurement& a = store_.at(selected[0]);
    const Measurement& b = store_.at(selected[1]);
    if (a.kind != Kind::Point || b.kind != Kind::Point)
        return QString();
    return contrast::contrastText(a.colour, b.colour);
}

Placement MeasurementLayer::onLayer() const
{
    // The layer lies over picDisp, in its coordinates.
    return Placement{QPoint(0, 0), view_.factor(), view_.imageSize()};
}

namespace
{

// The screen pixels a box covers, both end pixels included.
QRect coveredBy(const Placement& where, const Measurement& box)
{
    return blockOf(where, box.from) | blockOf(where, box.to);
}

// The rectangle that, drawn with a one-pixel pen, outlines `inside` on the screen pixels
// just around it: Qt draws a rectangle's right and bottom edges a pixel beyond them.
QRect outlineOf(const QRect& inside)
{
    return inside.adjusted(-1, -1, 0, 0);
}

// The ring of screen pixels just around `inside`, every other pair of them white and ink, as
// a dashed pen would draw it: each measured end has one, hundreds may come into sight with a
// scroll step, and points of a plain pen cost a fraction of a dashed pen's stroking.
void addRing(const QRect& inside, QVarLengthArray<QPoint, 64>& white,
             QVarLengthArray<QPoint, 64>& ink)
{
    const QRect ring = inside.adjusted(-1, -1, 1, 1);
    int i = 0;
    const auto add = [&](QPoint p) { (i++ / int(kEndDash) % 2 ? white : ink).append(p); };
    for (int x = ring.left(); x < ring.right(); ++x)
        add({x, ring.top()});
    for (int y = ring.top(); y < ring.bottom(); ++y)
        add({ring.right(), y});
    for (int x = ring.right(); x > ring.left(); --x)
        add({x, ring.bottom()});
    for (int y = ring.bottom(); y > ring.top(); --y)
        add({ring.left(), y});
}

// The part of the line from a to b, stepped pixel by pixel, that stays clear of the ends'
// rings: from the first step outside `clearOfA` to the last outside `clearOfB`; none when
// the rings meet.
std::optional<std::pair<QPoint, QPoint>> between(QPoint a, QPoint b, const QRect& clearOfA,
                                                 const QRect& clearOfB)
{
    const QPoint d = b - a;
    const int steps = std::max(std::abs(d.x()), std::abs(d.y()));
    if (steps == 0)
        return std::nullopt;
    const auto at = [&](int step) {
        return a + QPoint(int(std::lround(double(step) * d.x() / steps)),
                          int(std::lround(double(step) * d.y() / steps)));
    };
    int first = 0;
    while (first <= steps && clearOfA.contains(at(first)))
        ++first;
    int last = steps;
    while (last >= first && clearOfB.contains(at(last)))
        --last;
    if (first > last)
        return std::nullopt;
    return std::pair{at(first), at(last)};
}

} // namespace

const MeasurementLayer::Number& MeasurementLayer::number(int index) const
{
    // Drawn once each, plain, into a small picture of its own: a scroll step puts down the
    // numbers that come into sight rather than laying out their text again.
    while (std::ssize(numbers_) <= index) {
        Number& number = numbers_.emplace_back();
        number.text.setText(QString::number(numbers_.size()));
        number.text.setTextFormat(Qt::PlainText);
        number.text.prepare(QTransform(), picture_->font());
        number.plain = QPixmap(number.text.size().toSize() + QSize(2, 0));
        number.plain.fill(kLabelGround);
        QPainter painter(&number.plain);
        painter.setFont(picture_->font());
        painter.setPen(kLabelInk);
        painter.drawStaticText(1, 0, number.text);
    }
    return numbers_[std::size_t(index)];
}

QRect MeasurementLayer::canvas() const
{
    const QRect picture(QPoint(0, 0), view_.factor().shown(view_.imageSize()));
    const QRect inSight(-view_.pictureOrigin(), view_.viewport().size());
    // Along an axis it scrolls on, the picture holds the viewport; along one it does not,
    // the viewport holds the picture. Either way it stays as the picture scrolls.
    return picture | inSight;
}

QRegion MeasurementLayer::underRulers(const QRect& canvas) const
{
    // Each ruler is laid against the picture's edge, a pixel longer than the picture, and
    // only into the viewport where the picture leaves room there.
    const QSize picture = view_.factor().shown(view_.imageSize());
    QRegion under(QRect(QPoint(0, canvas.top()), QPoint(picture.width(), -1)));
    under |= QRect(QPoint(canvas.left(), 0), QPoint(-1, picture.height()));
    return under;
}

QRect MeasurementLayer::markedBy(const Measurement& kept) const
{
    const Placement where = onLayer();
    QRect pixels = blockOf(where, kept.from) | blockOf(where, kept.to);
    if (kept.kind == Kind::Angle)
        pixels |= blockOf(where, kept.firstArm);
    // The outline and the rings lie a pixel out; a point's arms go on beyond its ring.
    const int reach = kept.kind == Kind::Point ? 1 + kPointArm : 1;
    return pixels.adjusted(-reach, -reach, reach, reach);
}

const MeasurementLayer::Labels& MeasurementLayer::labels() const
{
    const QRect now = canvas();
    if (labels_.canvas != now || labels_.factor != view_.factor())
        labels_ = Labels{now, view_.factor(), underRulers(now), {}};
    return labels_;
}

QRect MeasurementLayer::numberArea(int index) const
{
    const Labels& placed = labels();
    while (std::ssize(placed.numbers) <= index) {
        // Off the corner at the start, away from the end, where the box of the figures goes.
        const int next = int(placed.numbers.size());
        const Measurement& kept = store_.at(next);
        const QRect marked = markedBy(kept);
        const QSize size = number(next).plain.size();
        const Sides across{marked.left() - kLabelGap - size.width(), marked.right() + 1 + kLabelGap,
                           kept.from.x() >= kept.to.x()};
        const Sides down{marked.top() - kLabelGap - size.height(), marked.bottom() + 1 + kLabelGap,
                         kept.from.y() > kept.to.y()};
        labels_.numbers.push_back(
            labelBeside(marked, across, down, size, placed.canvas, placed.underRulers));
    }
    return placed.numbers[std::size_t(index)];
}

QRect MeasurementLayer::repaintArea(const Measurement& kept, int index) const
{
    const QRect area = markedBy(kept);
    return index >= 0 ? area | numberArea(index) : area;
}

void MeasurementLayer::paintKept(QPainter& painter, const Measurement& kept, Look look) const
{
    const Placement where = onLayer();
    // White under dashes, so every mark shows on any picture; the one being dragged in red,
    // the selected in blue.
    static const QPen under(Qt::white, 1);
    static const std::array<QPen, 3> dashes = [] {
        std::array<QPen, 3> pens;
        const QColor inks[] = {Qt::black, kSelectedInk, Qt::red};
        for (std::size_t i = 0; i < pens.size(); ++i) {
            pens[i] = QPen(inks[i], 1);
            pens[i].setDashPattern({kDash, kDash});
        }
        return pens;
    }();
    static const std::array<QPen, 3> endDashes = [] {
        std::array<QPen, 3> pens = dashes;
        for (QPen& pen : pens)
            pen.setDashPattern({kEndDash, kEndDash});
        return pens;
    }();
    const auto stroke = [&](const auto& draw, const std::array<QPen, 3>& inked) {
        painter.setPen(under);
        draw();
        painter.setPen(inked[std::size_t(look)]);
        draw();
    };
    // Every mark lies around the pixels measured, never on them, so that they stay in
    // sight: a box's outline on the pixels just outside it, a ring around each end and a
    // point, and the lines between the rings.
    static const std::array<QPen, 3> inks = [] {
        std::array<QPen, 3> pens = dashes;
        for (QPen& pen : pens)
            pen.setStyle(Qt::SolidLine);
        return pens;
    }();
    const auto rings = [&](std::initializer_list<QPoint> pixels) {
        QVarLengthArray<QPoint, 64> white;
        QVarLengthArray<QPoint, 64> ink;
        for (QPoint pixel : pixels)
            addRing(blockOf(where, pixel), white, ink);
        painter.setPen(under);
        painter.drawPoints(white.data(), int(white.size()));
        painter.setPen(inks[std::size_t(look)]);
        painter.drawPoints(ink.data(), int(ink.size()));
    };
    const auto arm = [&](QPoint from, QPoint to) {
        const QRect clearOfA = blockOf(where, from).adjusted(-1, -1, 1, 1);
        const QRect clearOfB = blockOf(where, to).adjusted(-1, -1, 1, 1);
        const auto part =
            between(viewportPoint(where, from), viewportPoint(where, to), clearOfA, clearOfB);
        if (!part)
            return;
        if (part->first == part->second)
            painter.drawPoint(part->first);
        else
            painter.drawLine(part->first, part->second);
    };
    // Ends a pixel apart reach into each other's rings, and an angle's arm may run over the
    // other arm's end: there the pixels measured are kept out of the drawing.
    const QRect fromBlock = blockOf(where, kept.from);
    const QRect toBlock = blockOf(where, kept.to);
    const auto touching = [](QPoint a, QPoint b) {
        return a != b && std::abs(a.x() - b.x()) <= 1 && std::abs(a.y() - b.y()) <= 1;
    };
    const auto nearArm = [&](QPoint pixel, QPoint a, QPoint b) {
        const auto at = [&](QPoint p) { return QPointF(viewportPoint(where, p)); };
        return distanceToSegment(at(pixel), at(a), at(b)) <= where.factor.times + 1;
    };
    bool crowded =
        kept.kind != Kind::Box && kept.kind != Kind::Point && touching(kept.from, kept.to);
    if (kept.kind == Kind::Angle)
        crowded = crowded || touching(kept.from, kept.firstArm) ||
                  touching(kept.to, kept.firstArm) || nearArm(kept.to, kept.from, kept.firstArm) ||
                  nearArm(kept.firstArm, kept.from, kept.to);
    if (crowded) {
        QRegion clear = QRegion(markedBy(kept)) - fromBlock - toBlock;
        if (kept.kind == Kind::Angle)
            clear -= blockOf(where, kept.firstArm);
        painter.setClipRegion(clear);
    }
    switch (kept.kind) {
    case Kind::Box:
        stroke([&] { painter.drawRect(outlineOf(coveredBy(where, kept))); }, dashes);
        break;
    case Kind::Point: {
        const QRect block = blockOf(where, kept.from);
        const QPoint middle = viewportPoint(where, kept.from);
        rings({kept.from});
        stroke(
            [&] {
                const int l = block.left() - 2, r = block.right() + 2;
                const int t = block.top() - 2, b = block.bottom() + 2;
                painter.drawLine(QPoint(l + 1 - kPointArm, middle.y()), QPoint(l, middle.y()));
                painter.drawLine(QPoint(r, middle.y()), QPoint(r - 1 + kPointArm, middle.y()));
                painter.drawLine(QPoint(middle.x(), t + 1 - kPointArm), QPoint(middle.x(), t));
                painter.drawLine(QPoint(middle.x(), b), QPoint(middle.x(), b - 1 + kPointArm));
            },
            endDashes);
        break;
    }
    case Kind::Angle:
        stroke([&] { arm(kept.from, kept.firstArm); }, dashes);
        rings({kept.firstArm});
        [[fallthrough]];
    case Kind::Line:
        stroke([&] { arm(kept.from, kept.to); }, dashes);
        if (kept.to != kept.from)
            rings({kept.from, kept.to});
        else
            rings({kept.from});
        break;
    }
    if (crowded)
        painter.setClipping(false);
}

void MeasurementLayer::paintNumber(QPainter& painter, int index, Look look) const
{
    const QRect label = numberArea(index);
    if (look != Look::Selected) {
        painter.drawPixmap(label.topLeft(), number(index).plain);
        return;
    }
    painter.fillRect(label, kSelectedInk);
    painter.setPen(Qt::white);
    painter.drawStaticText(label.topLeft() + QPoint(1, 0), number(index).text);
}

const MeasurementLayer::FiguresBox* MeasurementLayer::figuresBox() const
{
    const Measurement* shown = current();
    if (!shown)
        return nullptr;
    const int unit = view_.unit();
    const units::PixelsPerInch perInch = view_.pixelsPerInch();
    // Laid out again only when the measurement or its unit changes, not as the picture
    // scrolls under it.
    const QString pair = pairContrast();
    if (!figuresBox_ || figuresBox_->of != *shown || figuresBox_->pair != pair ||
        figuresBox_->unit != unit || !(figuresBox_->perInch == perInch)) {
        // No message box in the middle of a paint: a fault in the figures leaves the box out.
        QString text;
        try {
            text = figuresText();
        } catch (const toolkit::RuntimeError&) {
            figuresBox_.reset();
            return nullptr;
        }
        const QFontMetrics metrics(picture_->font());
        const QSize size(metrics.horizontalAdvance(text) + 2 * kFiguresPaddingX,
                         metrics.height() + 2 * kFiguresPaddingY);
        figuresBox_ = FiguresBox{*shown, pair, unit, perInch, text, size};
    }
    return &*figuresBox_;
}

QRect MeasurementLayer::numberInViewport(int index) const
{
    if (index < 0 || index >= store_.count())
        return QRect();
    return numberArea(index).translated(view_.pictureOrigin());
}

QRect MeasurementLayer::figuresBoxInViewport() const
{
    const QRect area = figuresBoxArea();
    return area.isEmpty() ? area : area.translated(view_.pictureOrigin());
}

QRect MeasurementLayer::figuresBoxArea() const
{
    const FiguresBox* shown = figuresBox();
    if (!shown)
        return QRect();
    // Beside the end, off the corner of what is measured, within what is in sight, and
    // clear of the rulers and the measurement's own number.
    const Measurement& of = shown->of;
    const QRect inSight(-view_.pictureOrigin(), view_.viewport().size());
    QRegion covered = labels().underRulers;
    if (!dragged_)
        covered |= numberArea(store_.selection().empty() ? store_.count() - 1
                                                         : store_.selection().front());
    return boxBeside(viewportPoint(onLayer(), of.to), shown->size, inSight, covered, markedBy(of),
                     of.to - of.from);
}

void MeasurementLayer::paint(QPainter& painter, const QRegion& dirty)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(picture_->font());
    // Only what lies where the layer is repainted: a thousand kept cost little while one is
    // dragged or the picture scrolls. First by image pixels, with room for a number, which
    // is cheap; then exactly.
    const Zoom f = view_.factor();
    const int reach = kNumberRoom * f.over / f.times + 1;
    std::vector<QRect> near;
    for (const QRect& part : dirty)
        near.push_back(
            QRect(f.pixelAt(QPoint(), part.topLeft()),
                  f.pixelAt(QPoint(), part.bottomRight()) + QPoint(f.over - 1, f.over - 1))
                .adjusted(-reach, -reach, reach, reach));
    for (int index = 0; index < store_.count(); ++index) {
        const Measurement& kept = store_.at(index);
        QRect pixels = QRect(kept.from, QSize(1, 1)) | QRect(kept.to, QSize(1, 1));
        if (kept.kind == Kind::Angle)
            pixels |= QRect(kept.firstArm, QSize(1, 1));
        if (std::none_of(near.begin(), near.end(),
                         [&pixels](const QRect& part) { return part.intersects(pixels); }) ||
            !dirty.intersects(repaintArea(kept, index)))
            continue;
        const Look look = store_.isSelected(index) ? Look::Selected : Look::Plain;
        paintKept(painter, kept, look);
        paintNumber(painter, index, look);
    }
    if (dragged_)
        paintKept(painter, *dragged_, Look::Dragged);
    figuresBoxShown_ = figuresBoxArea();
    if (figuresBoxShown_.isEmpty() || !dirty.intersects(figuresBoxShown_))
        return;
    painter.fillRect(figuresBoxShown_, kLabelGround);
    painter.setPen(kLabelInk);
    painter.drawRect(figuresBoxShown_.adjusted(0, 0, -1, -1));
    painter.drawText(figuresBoxShown_, Qt::AlignCenter, figuresBox()->text);
}

void MeasurementLayer::changed(const QRegion& changed)
{
    if (!current()) {
        picture_->hide();
        margin_->hide();
        figuresBoxShown_ = QRect();
        return;
    }
    for (Surface* layer : {picture_, margin_})
        if (layer->isHidden()) {
            layer->raise();
            layer->show();
        }
    // The box moves with the current measurement and its figures: where it was and is.
    const QRegion dirty = changed | figuresBoxShown_ | figuresBoxArea();
    picture_->update(dirty);
    margin_->update(dirty.translated(margin_->pictureOrigin()));
}

void MeasurementLayer::changedAll()
{
    changed(QRegion(canvas()));
}

void MeasurementLayer::pictureMoved()
{
    if (!current())
        return;
    // A smaller picture placed anew moves the numbers beside it.
    if (labels_.canvas != canvas()) {
        changedAll();
        return;
    }
    // The layer over the picture moved with it; what lies beside it did not. While the
    // picture fills the viewport there is nothing beside it, and a scroll step paints
    // nothing here.
    const QRegion beside = margin_->besidePicture();
    if (!beside.isEmpty() || !besideShown_.isEmpty())
        margin_->update(beside | besideShown_);
    besideShown_ = beside;
    // Scrolled along with the picture, the box is where it belongs unless the edge of what
    // is in sight pushes it.
    if (figuresBoxArea() != figuresBoxShown_)
        changed(QRegion());
}
