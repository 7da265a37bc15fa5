#include "instruments/measurement_layer.h"

#include "instruments/contrast.h"
#include "instruments/figures.h"
#include "instruments/measurement_marks.h"
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

constexpr int kFiguresPaddingX = 4;
constexpr int kFiguresPaddingY = 2;
// Screen pixels enough for a number's label and a point's arms on any side of a pixel.
constexpr int kNumberRoom = 96;

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
        number.plain.fill(marks::kLabelGround);
        QPainter painter(&number.plain);
        painter.setFont(picture_->font());
        painter.setPen(marks::kLabelInk);
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
    return marks::markedBy(onLayer(), kept);
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
    marks::draw(painter, onLayer(), kept, look);
}

void MeasurementLayer::paintNumber(QPainter& painter, int index, Look look) const
{
    const QRect label = numberArea(index);
    if (look != Look::Selected) {
        painter.drawPixmap(label.topLeft(), number(index).plain);
        return;
    }
    painter.fillRect(label, marks::kSelectedInk);
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
    painter.fillRect(figuresBoxShown_, marks::kLabelGround);
    painter.setPen(marks::kLabelInk);
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
