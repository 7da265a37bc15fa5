#include "instruments/loupe.h"

#include "instruments/comparison.h"
#include "instruments/contrast.h"
#include "instruments/measurement_store.h"

#include "instruments/colours.h"
#include "instruments/loupe_window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QSettings>
#include <algorithm>
#include <iterator>

namespace
{

// A frame of a 60 Hz screen, in milliseconds.
constexpr qint64 kFrameMs = 16;
const QString kCountKey = QStringLiteral("loupe/count");

} // namespace

Loupe::Loupe(frmVelmora& window, const MeasurementStore& measurements, const Comparison& comparison)
    : Instrument(window), measurements_(measurements), comparison_(comparison),
      view_(new View(*this, dialogOwner()))
{
    redrawDue_.setSingleShot(true);
    connect(&redrawDue_, &QTimer::timeout, this, &Loupe::redraw);
    // A comparison begun or ended adds or takes away its line.
    connect(&comparison_, &Comparison::changed, this, [this] {
        view_->fitSize();
        view_->changed();
    });
    setObjectName(QStringLiteral("loupe"));
    claimKey(QKeySequence(Qt::Key_L), [this] {
        setShown(!shown());
        return true;
    });
    for (const auto& [key, steps] :
         {std::pair{Qt::Key_Plus, 1}, {Qt::Key_Equal, 1}, {Qt::Key_Minus, -1}})
        claimKey(QKeySequence(key), [this, steps = steps] { return shown() && stepCount(steps); });
    restore();
}

Loupe::~Loupe()
{
    // Its own window, though the viewer is its parent for staying above it.
    delete view_;
}

bool Loupe::shown() const
{
    return view_->shown();
}

void Loupe::setShown(bool shown)
{
    view_->setShown(shown);
}

bool Loupe::stepCount(int steps)
{
    const auto at = std::find(std::begin(loupe::kCounts), std::end(loupe::kCounts), count_);
    const auto index = std::distance(std::begin(loupe::kCounts), at) + steps;
    if (index < 0 || index >= std::ssize(loupe::kCounts))
        return false;
    count_ = loupe::kCounts[index];
    view_->fitSize();
    view_->changed();
    remember();
    return true;
}

QList<Loupe::Line> Loupe::readout() const
{
    if (!centre_)
        return {{tr("没有图像"), QString()}};
    const QImage picture = window().picture();
    const QRgb colour = picture.pixel(*centre_);
    const auto around = [&](int radius) {
        const QRgb mean = colours::meanAround(picture, *centre_, radius);
        return Line{tr("%1 x %1 平均  ").arg(2 * radius + 1),
                    colours::rgbText(mean) + QStringLiteral("   ") + colours::hexText(mean)};
    };
    QList<Line> lines = {
        {tr("位置  "), QStringLiteral("%1, %2").arg(centre_->x()).arg(centre_->y())},
        {QString(), colours::rgbText(colour) + QStringLiteral("   ") + colours::hexText(colour)},
        {QString(), colours::hslText(colour)},
        around(1),
        around(2),
        contrastLine(picture, colour)};
    if (comparison_.active())
        lines << comparisonLine(colour);
    return lines;
}

Loupe::Line Loupe::comparisonLine(QRgb colour) const
{
    const auto over = comparison_.colourAt(*centre_);
    if (!over)
        return Line{tr("对比图  不在此处"), QString()};
    const auto apart = [](int a, int b) { return QString::number(std::abs(a - b)); };
    return Line{tr("对比图  "),
                colours::hexText(*over) + tr("  差 ") +
                    QStringLiteral("%1, %2, %3")
                        .arg(apart(qRed(colour), qRed(*over)), apart(qGreen(colour), qGreen(*over)),
                             apart(qBlue(colour), qBlue(*over)))};
}

Loupe::Line Loupe::contrastLine(const QImage& picture, QRgb colour) const
{
    const std::optional<QPoint> reference = measurements_.contrastReference();
    if (!reference || !picture.rect().contains(*reference))
        return Line{tr("对比度  选中一个点以比较"), QString()};
    // The level in the caption, which sets any script; the figures are digits only.
    const double ratio = contrast::ratio(colour, picture.pixel(*reference));
    return Line{tr("对比度 %1  ").arg(contrast::levelText(ratio)),
                contrast::ratioText(ratio) +
                    QStringLiteral("  (%1, %2)").arg(reference->x()).arg(reference->y())};
}

QStringList Loupe::lines() const
{
    QStringList texts;
    for (const Line& line : readout())
        texts << line.caption + line.figures;
    return texts;
}

QWidget* Loupe::view() const
{
    return view_;
}

void Loupe::follow(QPoint pixel)
{
    centre_ = pixel;
    if (!shown() || redrawDue_.isActive())
        return;
    // At most one redraw a frame: a pointer crossing pixels faster than the screen shows
    // them costs nothing more, and the loupe still shows the last pixel within a frame.
    const qint64 sinceLast = lastRedraw_.isValid() ? lastRedraw_.elapsed() : kFrameMs;
    if (sinceLast >= kFrameMs)
        redraw();
    else
        redrawDue_.start(int(kFrameMs - sinceLast));
}

void Loupe::redraw()
{
    lastRedraw_.start();
    view_->changed();
}

void Loupe::pictureChanged()
{
    const QImage picture = window().picture();
    if (picture.isNull()) {
        centre_.reset();
    } else {
        // Where the pointer was, as far as the new picture reaches.
        const QPoint last = centre_.value_or(QPoint(0, 0));
        centre_ = QPoint(std::clamp(last.x(), 0, picture.width() - 1),
                         std::clamp(last.y(), 0, picture.height() - 1));
    }
    view_->changed();
}

void Loupe::addMenuEntries(QMenu& menu, QPointF /*inViewport*/)
{
    if (window().picture().isNull())
        return;
    addColourEntries(menu);
    menu.addSeparator();
    QAction* toggle = addMenuEntry(menu, tr("显示放大镜"), [this] { setShown(!shown()); });
    toggle->setCheckable(true);
    toggle->setChecked(shown());
}

void Loupe::addColourEntries(QMenu& menu)
{
    const bool known = centre_.has_value();
    const QRgb colour = known ? window().picture().pixel(*centre_) : 0;
    const auto entry = [&](const QString& text, QString (*notation)(QRgb)) {
        const QString copied = known ? notation(colour) : QString();
        QAction* action =
            addMenuEntry(menu, text, [copied] { QGuiApplication::clipboard()->setText(copied); });
        action->setEnabled(known);
    };
    entry(tr("复制颜色 #RRGGBB"), colours::hexText);
    entry(tr("复制颜色 rgb(r, g, b)"), colours::cssRgbText);
    entry(tr("复制颜色 hsl(h, s%, l%)"), colours::cssHslText);
}

void Loupe::remember() const
{
    QSettings().setValue(kCountKey, count_);
}

void Loupe::restore()
{
    const int count = QSettings().value(kCountKey, loupe::kDefaultCount).toInt();
    if (std::find(std::begin(loupe::kCounts), std::end(loupe::kCounts), count) !=
        std::end(loupe::kCounts))
        count_ = count;
    view_->fitSize();
    view_->restore();
}

void Loupe::pointerOverPixel(QPoint pixel, QRgb /*colour*/)
{
    follow(pixel);
}
