#include "instruments/loupe.h"

#include "instruments/colours.h"
#include "instruments/loupe_squares.h"
#include "instruments/tool_window.h"
#include "viewer/main_window.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QRawFont>
#include <QSettings>
#include <QStaticText>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <map>

namespace
{

constexpr int kMargin = 6;
// A frame of a 60 Hz screen, in milliseconds.
constexpr qint64 kFrameMs = 16;
const QString kCountKey = QStringLiteral("loupe/count");

} // namespace

// A part of the loupe's window that paints the whole of itself, so that following the
// pointer repaints the squares and the texts and never the window's ground around them.
class PaintedPart : public QWidget
{
public:
    using Painter = std::function<void(QPainter&)>;
    PaintedPart(QWidget* parent, Painter paint) : QWidget(parent), paint_(std::move(paint))
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paint_(painter);
    }

private:
    Painter paint_;
};

// The tool window: the squares, the texts under them, + and - and a context menu.
class Loupe::View : public ToolWindow
{
public:
    View(Loupe& loupe, QWidget* owner)
        : ToolWindow(owner, QStringLiteral("loupe"), Level::Top), loupe_(loupe),
          squares_(new PaintedPart(this, [this](QPainter& p) { paintSquares(p); })),
          texts_(new PaintedPart(this, [this](QPainter& p) { paintTexts(p); }))
    {
        setObjectName(QStringLiteral("loupe"));
        setWindowTitle(Loupe::tr("放大镜"));
        figureFont_ = QRawFont::fromFont(font());
    }

    // The picture changed, or the centre or the count did.
    void changed()
    {
        stale_ = true;
        squares_->update();
        texts_->update();
    }

    int squaresSide() const { return loupe_.count() * (cell() + 1) + 1; }

    // Sized for the count: measured again only when it changes.
    void fitSize()
    {
        const int side = squaresSide();
        const QFontMetrics metrics(font());
        // The widest line, measured as it is drawn: a mean of three-digit channels, every
        // digit the font's widest.
        const int textWidth = int(std::ceil(
            staticCaption(tr("%1 x %1 平均  ").arg(5)).size().width() +
            figuresWidth(QStringLiteral("RGB(%1, %1, %1)   #%2")
                             .arg(QString(3, widest(QStringLiteral("0123456789"))))
                             .arg(QString(6, widest(QStringLiteral("0123456789ABCDEF")))))));
        const int lines = 5;
        const int width = std::max(side, textWidth);
        squares_->setGeometry(kMargin, kMargin, side, side);
        texts_->setGeometry(kMargin, side + 2 * kMargin, width, lines * metrics.lineSpacing());
        setFixedSize(width + 2 * kMargin, texts_->geometry().bottom() + 1 + kMargin);
    }

protected:
    void paintSquares(QPainter& painter)
    {
        const auto centre = loupe_.centre();
        if (!centre) {
            painter.fillRect(squares_->rect(), palette().window());
            return;
        }
        if (stale_ || image_.isNull()) {
            image_ = loupe::drawSquares(loupe_.window().picture(), *centre, loupe_.count(), cell(),
                                        std::move(image_));
            stale_ = false;
        }
        painter.drawImage(0, 0, image_);
    }

    void paintTexts(QPainter& painter)
    {
        painter.fillRect(texts_->rect(), palette().window());
        painter.setPen(palette().windowText().color());
        const QFontMetrics metrics(font());
        int top = 0;
        for (const Line& line : loupe_.readout()) {
            const QStaticText& caption = staticCaption(line.caption);
            painter.drawStaticText(0, top, caption);
            drawFigures(painter, QPointF(caption.size().width(), top + metrics.ascent()),
                        line.figures);
            top += metrics.lineSpacing();
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

private:
    // Screen pixels a side of one image pixel on the window's screen.
    int cell() const { return loupe::cellPixels(loupe_.window().screenPixelsPerInch()); }

    // A caption laid out once: captions do not change as the pointer moves.
    const QStaticText& staticCaption(const QString& text)
    {
        QStaticText& caption = captions_[text];
        if (caption.text() != text) {
            caption.setText(text);
            caption.prepare(QTransform(), font());
        }
        return caption;
    }

    QList<QPointF> figureAdvances(const QString& figures) const
    {
        return figureFont_.advancesForGlyphIndexes(figureFont_.glyphIndexesForString(figures));
    }

    // The character of `characters` that the figures' font draws widest.
    QChar widest(const QString& characters) const
    {
        QChar wide = characters.front();
        for (const QChar c : characters)
            if (figuresWidth(c) > figuresWidth(wide))
                wide = c;
        return wide;
    }

    qreal figuresWidth(const QString& figures) const
    {
        if (!figureFont_.isValid())
            return QFontMetricsF(font()).horizontalAdvance(figures);
        qreal width = 0;
        for (const QPointF& advance : figureAdvances(figures))
            width += advance.x();
        return width;
    }

    // Figures are plain ASCII in the font's own glyphs: drawn straight from them, without
    // the text layout's itemising and font fallback, which would cost more than the squares
    // at every pixel the pointer crosses. Captions do not change and keep their layout.
    void drawFigures(QPainter& painter, QPointF baseline, const QString& figures)
    {
        if (!figureFont_.isValid()) {
            painter.drawText(baseline, figures);
            return;
        }
        const QList<quint32> glyphs = figureFont_.glyphIndexesForString(figures);
        const QList<QPointF> advances = figureFont_.advancesForGlyphIndexes(glyphs);
        QList<QPointF> positions;
        positions.reserve(glyphs.size());
        QPointF at;
        for (const QPointF& advance : advances) {
            positions << at;
            at += advance;
        }
        QGlyphRun run;
        run.setRawFont(figureFont_);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter.drawGlyphRun(baseline, run);
    }

    Loupe& loupe_;
    PaintedPart* squares_;
    PaintedPart* texts_;
    QImage image_;
    bool stale_ = true;
    QRawFont figureFont_;
    std::map<QString, QStaticText> captions_;
};

Loupe::Loupe(frmVelmora& window) : Instrument(window), view_(new View(*this, &window))
{
    redrawDue_.setSingleShot(true);
    connect(&redrawDue_, &QTimer::timeout, this, &Loupe::redraw);
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
    return {
        {tr("位置  "), QStringLiteral("%1, %2").arg(centre_->x()).arg(centre_->y())},
        {QString(), colours::rgbText(colour) + QStringLiteral("   ") + colours::hexText(colour)},
        {QString(), colours::hslText(colour)},
        around(1),
        around(2)};
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
