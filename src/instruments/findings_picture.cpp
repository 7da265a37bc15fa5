#include "instruments/findings_picture.h"

#include "instruments/figures.h"
#include "instruments/measurement.h"
#include "instruments/measurement_marks.h"
#include "toolkit/runtime_error.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>

using namespace measurement;

namespace findings
{

namespace
{

constexpr int kPaddingX = 3;
constexpr int kPaddingY = 1;

QString labelText(int number, const Measurement& kept, const Findings& found)
{
    // A figure that cannot be worked out leaves the number alone.
    try {
        return QStringLiteral("%1  %2").arg(number).arg(
            figuresText(kept, figuresOf(kept, found.unit, found.perInch)));
    } catch (const toolkit::RuntimeError&) {
        return QString::number(number);
    }
}

} // namespace

bool fits(QSize size)
{
    return size.width() <= kMaxSide && size.height() <= kMaxSide &&
           qint64(size.width()) * size.height() <= kMaxPixels;
}

QImage draw(const QImage& picture, const Findings& found, int factor, const QFont& font,
            QRegion* drawnOn)
{
    if (picture.isNull())
        return QImage();
    const int times = factor >= 1 && factor <= 64 ? factor : 1;
    const Zoom zoom{times, 1};
    const QSize size = zoom.shown(picture.size());
    if (!fits(size))
        return QImage();
    QImage out(size, QImage::Format_ARGB32);
    {
        // Each image pixel a block of times x times, its colour exact.
        const QImage own = picture.convertToFormat(QImage::Format_ARGB32);
        out = times == 1 ? own : own.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    const Placement where{QPoint(0, 0), zoom, picture.size()};
    const QRect area(QPoint(0, 0), size);

    QRegion drawn;
    painter.setPen(marks::kGuideInk);
    for (const guide::Guide& g : found.guides) {
        const int line = guide::screenLine(where, g);
        const QRect across = g.orientation == Qt::Vertical ? QRect(line, 0, 1, size.height())
                                                           : QRect(0, line, size.width(), 1);
        painter.drawLine(across.topLeft(), across.bottomRight());
        drawn |= across;
    }

    // The marks first, then the boxes clear of them and of each other where there is room.
    QRegion covered;
    for (const Measurement& kept : found.measurements) {
        marks::draw(painter, where, kept, marks::Look::Plain);
        covered |= marks::markedBy(where, kept);
    }
    const QFontMetrics metrics(font);
    for (int i = 0; i < int(found.measurements.size()); ++i) {
        const Measurement& kept = found.measurements[std::size_t(i)];
        const QString text = labelText(i + 1, kept, found);
        const QSize box(metrics.horizontalAdvance(text) + 2 * kPaddingX,
                        metrics.height() + 2 * kPaddingY);
        const QRect marked = marks::markedBy(where, kept);
        // Off the corner at the end, where the figures box goes on screen.
        const Sides across{marked.left() - kLabelGap - box.width(), marked.right() + 1 + kLabelGap,
                           kept.to.x() >= kept.from.x()};
        const Sides down{marked.top() - kLabelGap - box.height(), marked.bottom() + 1 + kLabelGap,
                         kept.to.y() >= kept.from.y()};
        const QRect label = labelBeside(marked, across, down, box, area, covered - marked);
        covered |= label;
        painter.fillRect(label, marks::kLabelGround);
        painter.setPen(marks::kLabelInk);
        painter.drawRect(label.adjusted(0, 0, -1, -1));
        painter.drawText(label, Qt::AlignCenter, text);
    }
    if (drawnOn)
        *drawnOn = (drawn | covered) & area;
    return out;
}

} // namespace findings
