#pragma once

#include "viewer/instrument.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <optional>

// What a loupe shows: count x count image pixels centred on one, each an exact square of
// cell screen pixels, one-pixel grid lines between and around them, the centre outlined in
// black or white, whichever shows on it, and a fine checkerboard where the image ends.
namespace loupe
{

constexpr int kCounts[] = {7, 9, 11, 15, 21, 31};
constexpr int kDefaultCount = 15;
const QRgb kGridGrey = qRgb(136, 136, 136);
const QRgb kCheckLight = qRgb(224, 224, 224);
const QRgb kCheckDark = qRgb(184, 184, 184);

// Screen pixels a side of one image pixel: 10 at 96 ppi, following the logical resolution
// across as the rest of the window does.
int cellPixels();
// The squares for picture around centre; count * (cell + 1) + 1 pixels a side. Drawn into
// `into` when it has that size already, so following the pointer allocates nothing.
QImage drawSquares(const QImage& picture, QPoint centre, int count, int cell,
                   QImage into = QImage());

} // namespace loupe

// A small tool window titled 放大镜 that magnifies the picture as loaded around the pixel
// the pointer is on, and reads out that pixel's colour in three notations and the mean
// colour around it. L and the picture's context menu show and hide it; + and - change how
// many pixels it shows. Whether it is shown, where and how many pixels are remembered.
class Loupe : public Instrument
{
    Q_OBJECT
public:
    explicit Loupe(frmVelmora& window);
    ~Loupe() override;

    bool shown() const;
    void setShown(bool shown);
    // Pixels across the square: one of loupe::kCounts.
    int count() const { return count_; }
    // Steps through loupe::kCounts, up for steps > 0; false at either end.
    bool stepCount(int steps);
    // The image pixel in the middle; none while there is no picture.
    std::optional<QPoint> centre() const { return centre_; }
    // The texts under the squares, a line each: a caption (position, means) and figures.
    struct Line {
        QString caption;
        QString figures;
    };
    QList<Line> readout() const;
    // The same lines as one text each.
    QStringList lines() const;
    // The tool window.
    QWidget* view() const;

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

    void pictureChanged() override;
    void pointerOverPixel(QPoint pixel, QRgb colour) override;

private:
    void follow(QPoint pixel);
    class View;
    void redraw();
    // The centre pixel's colour entries, for the picture's menu and the loupe's own.
    void addColourEntries(QMenu& menu);
    void remember() const;
    void restore();

    View* view_;
    int count_ = loupe::kDefaultCount;
    std::optional<QPoint> centre_;
    QElapsedTimer lastRedraw_;
    QTimer redrawDue_;
};
