#include "instruments/loupe.h"

#include "instruments/colours.h"
#include "toolkit/screen.h"
#include "viewer/main_window.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace loupe
{

int cellPixels()
{
    // Whole pixels, rounded down: 12, not 12.5 rounded up, at 120 ppi.
    return std::max(1, 10 * toolkit::Screen::dpi().x / 96);
}

namespace
{

// One row of image pixels: a grid line's row, then cell rows of squares.
void drawRow(QImage& out, int top, const std::vector<std::optional<QRgb>>& colours, int cell)
{
    const int pitch = cell + 1;
    const int check = std::max(1, cell / 5);
    std::fill_n(reinterpret_cast<QRgb*>(out.scanLine(top)), out.width(), kGridGrey);
    for (int r = 0; r < cell; ++r) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(top + 1 + r));
        line[0] = kGridGrey;
        for (std::size_t i = 0; i < colours.size(); ++i) {
            QRgb* square = line + i * pitch + 1;
            if (colours[i]) {
                std::fill_n(square, cell, *colours[i]);
            } else {
                for (int c = 0; c < cell; ++c)
                    square[c] = (c / check + r / check) % 2 ? kCheckDark : kCheckLight;
            }
            square[cell] = kGridGrey;
        }
    }
}

// A ring of one pixel on the grid lines around the square at (left, top).
void outline(QImage& out, int left, int top, int cell, QRgb colour)
{
    const int right = left + cell + 1, bottom = top + cell + 1;
    for (int x = left; x <= right; ++x) {
        out.setPixel(x, top, colour);
        out.setPixel(x, bottom, colour);
    }
    for (int y = top; y <= bottom; ++y) {
        out.setPixel(left, y, colour);
        out.setPixel(right, y, colour);
    }
}

} // namespace

QImage drawSquares(const QImage& picture, QPoint centre, int count, int cell)
{
    const int pitch = cell + 1;
    const int side = count * pitch + 1;
    QImage out(side, side, QImage::Format_RGB32);
    const QPoint corner = centre - QPoint(count / 2, count / 2);
    std::vector<std::optional<QRgb>> colours(count);
    for (int j = 0; j < count; ++j) {
        const int y = corner.y() + j;
        for (int i = 0; i < count; ++i) {
            const int x = corner.x() + i;
            colours[i] = picture.valid(x, y) ? std::optional(picture.pixel(x, y) | 0xFF000000u)
                                             : std::nullopt;
        }
        drawRow(out, j * pitch, colours, cell);
    }
    std::fill_n(reinterpret_cast<QRgb*>(out.scanLine(side - 1)), side, kGridGrey);
    if (picture.valid(centre)) {
        const bool black = colours::blackShowsOn(picture.pixel(centre));
        const int at = count / 2 * pitch;
        outline(out, at, at, cell, black ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
    return out;
}

} // namespace loupe

namespace
{

constexpr int kMargin = 6;
const QString kShownKey = QStringLiteral("loupe/shown");
const QString kGeometryKey = QStringLiteral("loupe/geometry");
const QString kCountKey = QStringLiteral("loupe/count");

} // namespace

// The tool window: the squares, the texts under them, + and - and a context menu.
class Loupe::View : public QWidget
{
public:
    View(Loupe& loupe, QWidget* owner) : QWidget(owner, Qt::Tool), loupe_(loupe)
    {
        setObjectName(QStringLiteral("loupe"));
        setWindowTitle(Loupe::tr("放大镜"));
        setFont(owner->font());
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    // The picture changed, or the centre or the count did.
    void changed()
    {
        stale_ = true;
        fitSize();
        update();
    }

    void fitSize()
    {
        const int side = loupe_.count() * (loupe::cellPixels() + 1) + 1;
        const QFontMetrics metrics(font());
        const int textWidth = metrics.horizontalAdvance(
            QStringLiteral("RGB(255, 255, 255)   #FFFFFF   HSL(359, 100%, 100%)"));
        const int lines = 4;
        setFixedSize(std::max(side, textWidth) + 2 * kMargin,
                     side + 2 * kMargin + lines * metrics.lineSpacing() + kMargin);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        const int side = loupe_.count() * (loupe::cellPixels() + 1) + 1;
        if (const auto centre = loupe_.centre()) {
            if (stale_ || squares_.isNull()) {
                squares_ = loupe::drawSquares(loupe_.window().picture(), *centre, loupe_.count(),
                                              loupe::cellPixels());
                stale_ = false;
            }
            painter.drawImage(kMargin, kMargin, squares_);
        }
        painter.setPen(palette().windowText().color());
        const QFontMetrics metrics(font());
        int baseline = kMargin + side + kMargin + metrics.ascent();
        for (const QString& line : loupe_.lines()) {
            painter.drawText(kMargin, baseline, line);
            baseline += metrics.lineSpacing();
        }
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        // The same keys as in the viewer: + (or =, its unshifted key) and -.
        switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            loupe_.stepCount(1);
            return;
        case Qt::Key_Minus:
            loupe_.stepCount(-1);
            return;
        default:
            QWidget::keyPressEvent(event);
        }
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        loupe_.addColourEntries(*menu);
        menu->popup(event->globalPos());
    }

    void hideEvent(QHideEvent* event) override
    {
        QWidget::hideEvent(event);
        // Closed from its title bar, or hidden with L: remembered either way.
        if (!event->spontaneous())
            loupe_.remember();
    }

private:
    Loupe& loupe_;
    QImage squares_;
    bool stale_ = true;
};

Loupe::Loupe(frmVelmora& window) : Instrument(window), view_(new View(*this, &window))
{
    setObjectName(QStringLiteral("loupe"));
    connect(&window, &frmVelmora::pointerOverPixel, this, &Loupe::follow);
    connect(&window, &frmVelmora::pictureChanged, this, &Loupe::pictureChanged);
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
    remember();
    // Its own window, though the viewer is its parent for staying above it.
    delete view_;
}

bool Loupe::shown() const
{
    return view_->isVisible();
}

void Loupe::setShown(bool shown)
{
    if (shown == this->shown())
        return;
    if (shown) {
        view_->fitSize();
        if (!placed_) {
            // The first time: beside the viewer's right edge.
            const QWidget& owner = *view_->parentWidget();
            view_->move(owner.frameGeometry().topRight() + QPoint(8, 0));
            placed_ = true;
        }
        view_->show();
    } else {
        view_->hide();
    }
    remember();
}

bool Loupe::stepCount(int steps)
{
    const auto at = std::find(std::begin(loupe::kCounts), std::end(loupe::kCounts), count_);
    const auto index = std::distance(std::begin(loupe::kCounts), at) + steps;
    if (index < 0 || index >= std::ssize(loupe::kCounts))
        return false;
    count_ = loupe::kCounts[index];
    view_->changed();
    return true;
}

QStringList Loupe::lines() const
{
    if (!centre_)
        return {tr("没有图像")};
    const QImage picture = window().picture();
    const QRgb colour = picture.pixel(*centre_);
    const auto around = [&](int radius) {
        const QRgb mean = colours::meanAround(picture, *centre_, radius);
        return tr("%1 x %1 平均  %2   %3")
            .arg(2 * radius + 1)
            .arg(colours::rgbText(mean), colours::hexText(mean));
    };
    return {tr("位置  %1, %2").arg(centre_->x()).arg(centre_->y()),
            QStringLiteral("%1   %2   %3")
                .arg(colours::rgbText(colour), colours::hexText(colour), colours::hslText(colour)),
            around(1), around(2)};
}

QWidget* Loupe::view() const
{
    return view_;
}

void Loupe::follow(QPoint pixel)
{
    centre_ = pixel;
    if (shown())
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
    QAction* toggle = menu.addAction(tr("显示放大镜"), this, [this] { setShown(!shown()); });
    toggle->setCheckable(true);
    toggle->setChecked(shown());
}

void Loupe::addColourEntries(QMenu& menu) const
{
    const std::optional<QRgb> colour =
        centre_ ? std::optional(window().picture().pixel(*centre_)) : std::nullopt;
    const auto entry = [&](const QString& text, QString (*notation)(QRgb)) {
        const QString copied = colour ? notation(*colour) : QString();
        QAction* action = menu.addAction(
            text, &menu, [copied] { QGuiApplication::clipboard()->setText(copied); });
        action->setEnabled(colour.has_value());
    };
    entry(tr("复制颜色 #RRGGBB"), colours::hexText);
    entry(tr("复制颜色 rgb(r, g, b)"), colours::cssRgbText);
    entry(tr("复制颜色 hsl(h, s%, l%)"), colours::cssHslText);
}

void Loupe::remember() const
{
    QSettings settings;
    settings.setValue(kShownKey, shown());
    settings.setValue(kCountKey, count_);
    if (view_->isVisible())
        settings.setValue(kGeometryKey, view_->saveGeometry());
}

void Loupe::restore()
{
    QSettings settings;
    const int count = settings.value(kCountKey, loupe::kDefaultCount).toInt();
    if (std::find(std::begin(loupe::kCounts), std::end(loupe::kCounts), count) !=
        std::end(loupe::kCounts))
        count_ = count;
    view_->fitSize();
    placed_ = view_->restoreGeometry(settings.value(kGeometryKey).toByteArray());
    if (settings.value(kShownKey, false).toBool())
        // Once the viewer itself is up, so the loupe opens above it.
        QTimer::singleShot(0, view_, [this] { setShown(true); });
}
