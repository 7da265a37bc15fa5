#pragma once

#include "viewer/instrument.h"

class Comparison;
class MeasurementStore;

#include <QElapsedTimer>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <optional>

// How many image pixels across a loupe can show, the fewest first.
namespace loupe
{

constexpr int kCounts[] = {7, 9, 11, 15, 21, 31};
constexpr int kDefaultCount = 15;

} // namespace loupe

// A small tool window titled 放大镜 that magnifies the picture as loaded around the pixel
// the pointer is on, and reads out that pixel's colour in three notations and the mean
// colour around it, and the contrast with the selected point (or the line's first end).
// L and the picture's context menu show and hide it; + and - change how
// many pixels it shows. Whether it is shown, where and how many pixels are remembered.
class Loupe : public Instrument
{
    Q_OBJECT
public:
    // While a comparison is laid over the picture, a last line gives its colour too.
    Loupe(frmVelmora& window, const MeasurementStore& measurements, const Comparison& comparison);
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
    // The contrast between `colour` and the pixel it is compared with.
    Line contrastLine(const QImage& picture, QRgb colour) const;
    // The comparison's colour over the centre pixel and its difference from the picture's.
    Line comparisonLine(QRgb colour) const;
    // The tool window, in loupe_window.h.
    class View;
    void redraw();
    // The centre pixel's colour entries, for the picture's menu and the loupe's own.
    void addColourEntries(QMenu& menu);
    void remember() const;
    void restore();

    const MeasurementStore& measurements_;
    const Comparison& comparison_;
    View* view_;
    int count_ = loupe::kDefaultCount;
    std::optional<QPoint> centre_;
    QElapsedTimer lastRedraw_;
    QTimer redrawDue_;
};
