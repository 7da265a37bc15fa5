#include "instruments/loupe_window.h"

#include "instruments/loupe_squares.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>

namespace
{

constexpr int kMargin = 6;

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

} // namespace

Loupe::View::View(Loupe& loupe, QWidget* owner)
    : ToolWindow(owner, QStringLiteral("loupe"), Level::Top), loupe_(loupe),
      squares_(new PaintedPart(this, [this](QPainter& p) { paintSquares(p); })),
      texts_(new PaintedPart(this, [this](QPainter& p) { paintTexts(p); }))
{
    setObjectName(QStringLiteral("loupe"));
    setWindowTitle(Loupe::tr("放大镜"));
    figureFont_ = QRawFont::fromFont(font());
}

void Loupe::View::changed()
{
    stale_ = true;
    squares_->update();
    texts_->update();
}

int Loupe::View::cell() const
{
    return loupe::cellPixels(loupe_.window().screenPixelsPerInch());
}

int Loupe::View::squaresSide() const
{
    return loupe_.count() * (cell() + 1) + 1;
}

void Loupe::View::fitSize()
{
    const int side = squaresSide();
    const QFontMetrics metrics(font());
    // The widest line, measured as it is drawn: a mean of three-digit channels, every
    // digit the font's widest.
    const int textWidth = int(
        std::ceil(staticCaption(tr("%1 x %1 平均  ").arg(5)).size().width() +
                  figuresWidth(QStringLiteral("RGB(%1, %1, %1)   #%2")
                                   .arg(QString(3, widest(QStringLiteral("0123456789"))))
                                   .arg(QString(6, widest(QStringLiteral("0123456789ABCDEF")))))));
    // The contrast line at its longest: a ratio of two digits against a pixel far out.
    const QString digits = QString(5, widest(QStringLiteral("0123456789")));
    const int contrastWidth = int(std::ceil(
        staticCaption(tr("对比度 %1  ").arg(tr("AA 大字"))).size().width() +
        figuresWidth(
            QStringLiteral("%1.%2:1  (%3, %3)").arg(digits.left(2), digits.left(2), digits))));
    const int lines = int(loupe_.readout().size());
    const int width = std::max({side, textWidth, contrastWidth});
    squares_->setGeometry(kMargin, kMargin, side, side);
    texts_->setGeometry(kMargin, side + 2 * kMargin, width, lines * metrics.lineSpacing());
    setFixedSize(width + 2 * kMargin, texts_->geometry().bottom() + 1 + kMargin);
}

void Loupe::View::paintSquares(QPainter& painter)
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

void Loupe::View::paintTexts(QPainter& painter)
{
    painter.fillRect(texts_->rect(), palette().window());
    painter.setPen(palette().windowText().color());
    const QFontMetrics metrics(font());
    int top = 0;
    for (const Line& line : loupe_.readout()) {
        const QStaticText& caption = staticCaption(line.caption);
        painter.drawStaticText(0, top, caption);
        drawFigures(painter, QPointF(caption.size().width(), top + metrics.ascent()), line.figures);
        top += metrics.lineSpacing();
    }
}

void Loupe::View::keyPressEvent(QKeyEvent* event)
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

void Loupe::View::contextMenuEvent(QContextMenuEvent* event)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    loupe_.addColourEntries(*menu);
    menu->popup(event->globalPos());
}

const QStaticText& Loupe::View::staticCaption(const QString& text)
{
    QStaticText& caption = captions_[text];
    if (caption.text() != text) {
        caption.setText(text);
        caption.prepare(QTransform(), font());
    }
    return caption;
}

QList<QPointF> Loupe::View::figureAdvances(const QString& figures) const
{
    return figureFont_.advancesForGlyphIndexes(figureFont_.glyphIndexesForString(figures));
}

QChar Loupe::View::widest(const QString& characters) const
{
    QChar wide = characters.front();
    for (const QChar c : characters)
        if (figuresWidth(c) > figuresWidth(wide))
            wide = c;
    return wide;
}

qreal Loupe::View::figuresWidth(const QString& figures) const
{
    if (!figureFont_.isValid())
        return QFontMetricsF(font()).horizontalAdvance(figures);
    qreal width = 0;
    for (const QPointF& advance : figureAdvances(figures))
        width += advance.x();
    return width;
}

// Figures are plain ASCII in the font's own glyphs: drawn straight from them, without the
// text layout's itemising and font fallback, which would cost more than the squares at
// every pixel the pointer crosses. Captions do not change and keep their layout.
void Loupe::View::drawFigures(QPainter& painter, QPointF baseline, const QString& figures)
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
