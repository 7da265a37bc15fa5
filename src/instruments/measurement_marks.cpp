#include "instruments/measurement_marks.h"

#include <QPainter>
#include <QVarLengthArray>
#include <array>
#include <cmath>
#include <optional>
#include <utility>

using namespace measurement;

namespace marks
{

namespace
{

// The line is white under black dashes, so it shows on any picture, light or dark. The
// small marks around the ends take shorter dashes, so each shows both.
constexpr qreal kDash = 4;
constexpr qreal kEndDash = 2;
// How long a point's cross arms are, in screen pixels.
constexpr int kPointArm = 4;

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

QRect markedBy(const Placement& where, const Measurement& kept)
{
    QRect pixels = blockOf(where, kept.from) | blockOf(where, kept.to);
    if (kept.kind == Kind::Angle)
        pixels |= blockOf(where, kept.firstArm);
    // The outline and the rings lie a pixel out; a point's arms go on beyond its ring.
    const int reach = kept.kind == Kind::Point ? 1 + kPointArm : 1;
    return pixels.adjusted(-reach, -reach, reach, reach);
}

void draw(QPainter& painter, const Placement& where, const Measurement& kept, Look look)
{
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
        QRegion clear = QRegion(markedBy(where, kept)) - fromBlock - toBlock;
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

} // namespace marks
