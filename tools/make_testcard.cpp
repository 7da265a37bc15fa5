// Draws the sample test card that `scripts/run` opens: a 24-bit BMP of our own, the same
// bytes on every build, so a newcomer has something exact to measure.
#include "testcard.h"

#include <QImage>
#include <QPainter>
#include <cstdio>

namespace
{

void drawGridLines(QImage& card, int step, QRgb colour)
{
    QPainter painter(&card);
    for (int x = 0; x < card.width(); x += step)
        painter.fillRect(x, 0, 1, card.height(), QColor(colour));
    for (int y = 0; y < card.height(); y += step)
        painter.fillRect(0, y, card.width(), 1, QColor(colour));
}

void drawGrid(QImage& card)
{
    // Lighter first, so the darker lines win where they cross.
    drawGridLines(card, 10, testcard::kGridLine10);
    drawGridLines(card, 50, testcard::kGridLine50);
    drawGridLines(card, 100, testcard::kGridLine100);
    QPainter painter(&card);
    painter.fillRect(card.width() - 1, 0, 1, card.height(), QColor(testcard::kGridLine100));
    painter.fillRect(0, card.height() - 1, card.width(), 1, QColor(testcard::kGridLine100));
}

void drawCheckerboard(QImage& card, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            card.setPixel(x, y, (x + y) % 2 == 0 ? testcard::kBlack : testcard::kWhite);
}

void drawGreyRamp(QImage& card, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const int level = x - area.left();
            card.setPixel(x, y, qRgb(level, level, level));
        }
}

QImage drawTestcard()
{
    QImage card(testcard::kWidth, testcard::kHeight, QImage::Format_RGB32);
    card.fill(testcard::kWhite);
    drawGrid(card);
    {
        QPainter painter(&card);
        for (const testcard::Patch& patch : testcard::kColourPatches)
            painter.fillRect(patch.rect, QColor(patch.colour));
        for (const testcard::Patch& box :
             {testcard::kInchBox, testcard::kCentimetreBox, testcard::kWideBox})
            painter.fillRect(box.rect, QColor(box.colour));
    }
    drawCheckerboard(card, testcard::kCheckerboard);
    drawGreyRamp(card, testcard::kGreyRamp);
    return card;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_testcard OUTPUT.bmp\n");
        return 2;
    }
    // RGB888 has no alpha channel, so the BMP is written with 24 bits per pixel.
    QImage card = drawTestcard().convertToFormat(QImage::Format_RGB888);
    // 96 pixels per inch, the screen resolution the card's inch box is drawn for.
    card.setDotsPerMeterX(3780);
    card.setDotsPerMeterY(3780);
    if (!card.save(QString::fromLocal8Bit(argv[1]), "BMP")) {
        std::fprintf(stderr, "make_testcard: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
