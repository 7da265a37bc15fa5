#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QtGlobal>
#include <vector>

// Where two pictures differ: the picture shown and a comparison laid over it, the
// comparison's pixel (0, 0) on the picture's pixel `offset`. A pixel differs when any
// channel differs by more than the tolerance (0 to 255). No widgets here; both pictures
// are RGB32 as loaded.
namespace differences
{

constexpr int kMaxTolerance = 255;
// How far, in image pixels each way, automatic alignment looks.
constexpr int kAlignReach = 32;
// Differing pixels nearer each other than this, across or down, are one cluster.
constexpr int kClusterReach = 4;
constexpr int kMostClusters = 100;

// The part of the picture the comparison covers, in the picture's pixels.
QRect overlapOf(QSize picture, QSize comparison, QPoint offset);

struct Counts {
    qint64 differing = 0;      // in the overlap, beyond the tolerance
    qint64 overlapping = 0;    // pixels in the overlap
    qint64 pictureOnly = 0;    // pixels of the picture the comparison does not cover
    qint64 comparisonOnly = 0; // pixels of the comparison off the picture
    bool operator==(const Counts&) const = default;
};
Counts count(const QImage& picture, const QImage& comparison, QPoint offset, int tolerance);

// "不同 1,234 像素（0.15%）", the share cut to two decimals so that a single differing pixel
// never reads as 0 % of a large picture unless it is below 0.01 %; then the areas that do
// not overlap, when there are any: "仅图像 1,200 像素  仅对比图 0 像素".
QString countsText(const Counts& counts);

// The offset within kAlignReach of `around` each way at which the fewest pixels differ, of
// those in the overlap; the nearest to `around` of equals.
QPoint bestOffset(const QImage& picture, const QImage& comparison, QPoint around, int tolerance);

// The bounding box of the differing pixels, in the picture's pixels; empty for none.
QRect boundingBox(const QImage& picture, const QImage& comparison, QPoint offset, int tolerance);
// Each cluster of differing pixels as its bounding box, the largest (most pixels) first, at
// most kMostClusters of them: pixels fewer than kClusterReach apart across and down belong
// to one cluster.
std::vector<QRect> clusters(const QImage& picture, const QImage& comparison, QPoint offset,
                            int tolerance);

} // namespace differences
