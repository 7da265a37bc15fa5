#include "instruments/differences.h"

#include <QCoreApplication>
#include <QRgb>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <utility>

namespace differences
{

namespace
{

inline bool differ(QRgb a, QRgb b, int tolerance)
{
    const auto apart = [](QRgb a, QRgb b, int shift) {
        return std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    };
    return std::max({apart(a, b, 16), apart(a, b, 8), apart(a, b, 0)}) > tolerance;
}

const QRgb* rowOf(const QImage& image, int y)
{
    return reinterpret_cast<const QRgb*>(image.constScanLine(y));
}

qint64 areaOf(QSize size)
{
    return qint64(size.width()) * size.height();
}

// Calls f(x0, x1) for each run of differing pixels in row y of the overlap, in the picture's
// pixels, both ends included.
template <class F>
void differingRuns(const QImage& picture, const QImage& comparison, QPoint offset, int tolerance,
                   const QRect& overlap, int y, F f)
{
    const QRgb* a = rowOf(picture, y);
    const QRgb* b = rowOf(comparison, y - offset.y()) - offset.x();
    int x = overlap.left();
    while (x <= overlap.right()) {
        if (!differ(a[x], b[x], tolerance)) {
            ++x;
            continue;
        }
        const int first = x;
        while (x <= overlap.right() && differ(a[x], b[x], tolerance))
            ++x;
        f(first, x - 1);
    }
}

// Groups in digits of three with commas, as the counts are written.
QString grouped(qint64 number)
{
    QString digits = QString::number(number);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return digits;
}

// A handful of pixels that tell pictures apart: where the picture changes from one pixel to
// the next, spread over it; a picture without any gives a plain grid.
std::vector<QPoint> samplesOf(const QImage& picture)
{
    constexpr std::size_t kSamples = 4096;
    std::vector<QPoint> edges;
    for (int y = 0; y + 1 < picture.height(); y += 2) {
        const QRgb* row = rowOf(picture, y);
        const QRgb* below = rowOf(picture, y + 1);
        for (int x = 0; x + 1 < picture.width(); x += 2)
            if (row[x] != row[x + 1] || row[x] != below[x])
                edges.emplace_back(x, y);
    }
    std::vector<QPoint> samples;
    if (!edges.empty()) {
        const std::size_t stride = std::max<std::size_t>(1, edges.size() / kSamples);
        for (std::size_t i = 0; i < edges.size(); i += stride)
            samples.push_back(edges[i]);
        return samples;
    }
    const int stepX = std::max(1, picture.width() / 64);
    const int stepY = std::max(1, picture.height() / 64);
    for (int y = 0; y < picture.height(); y += stepY)
        for (int x = 0; x < picture.width(); x += stepX)
            samples.emplace_back(x, y);
    return samples;
}

// The share of the overlap that differs, for comparing offsets; 2 (worse than any) for no
// overlap.
double shareOf(const Counts& counts)
{
    return counts.overlapping == 0 ? 2.0 : double(counts.differing) / double(counts.overlapping);
}

} // namespace

QRect overlapOf(QSize picture, QSize comparison, QPoint offset)
{
    return QRect(QPoint(0, 0), picture) & QRect(offset, comparison);
}

Counts count(const QImage& picture, const QImage& comparison, QPoint offset, int tolerance)
{
    Counts counts;
    const QRect overlap = overlapOf(picture.size(), comparison.size(), offset);
    counts.overlapping = areaOf(overlap.size());
    counts.pictureOnly = areaOf(picture.size()) - counts.overlapping;
    counts.comparisonOnly = areaOf(comparison.size()) - counts.overlapping;
    for (int y = overlap.top(); y <= overlap.bottom(); ++y) {
        const QRgb* a = rowOf(picture, y);
        const QRgb* b = rowOf(comparison, y - offset.y()) - offset.x();
        qint64 row = 0;
        for (int x = overlap.left(); x <= overlap.right(); ++x)
            row += differ(a[x], b[x], tolerance);
        counts.differing += row;
    }
    return counts;
}

QString countsText(const Counts& counts)
{
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("Comparison", text);
    };
    if (counts.overlapping == 0)
        return tr("两幅图像没有重叠");
    // Cut, not rounded, so a share never reads larger than it is.
    const qint64 hundredths = counts.differing * 10000 / counts.overlapping;
    QString text = tr("不同 %1 像素（%2.%3%）")
                       .arg(grouped(counts.differing))
                       .arg(hundredths / 100)
                       .arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    if (counts.pictureOnly > 0 || counts.comparisonOnly > 0)
        text += tr("  仅图像 %1 像素  仅对比图 %2 像素")
                    .arg(grouped(counts.pictureOnly), grouped(counts.comparisonOnly));
    return text;
}

QPoint bestOffset(const QImage& picture, const QImage& comparison, QPoint around, int tolerance)
{
    if (picture.isNull() || comparison.isNull())
        return around;
    // Every offset tried on a few thousand telling pixels, then the best few on them all.
    const std::vector<QPoint> samples = samplesOf(picture);
    const QRect onComparison(QPoint(0, 0), comparison.size());
    struct Tried {
        QPoint offset;
        double share;
        int distance;
    };
    std::vector<Tried> tried;
    for (int dy = -kAlignReach; dy <= kAlignReach; ++dy)
        for (int dx = -kAlignReach; dx <= kAlignReach; ++dx) {
            const QPoint offset = around + QPoint(dx, dy);
            int inside = 0;
            int differing = 0;
            for (const QPoint& p : samples) {
                const QPoint q = p - offset;
                if (!onComparison.contains(q))
                    continue;
                ++inside;
                differing += differ(picture.pixel(p), rowOf(comparison, q.y())[q.x()], tolerance);
            }
            // An offset that leaves only a sliver overlapping proves nothing.
            if (inside * 4 < int(samples.size()))
                continue;
            tried.push_back({offset, double(differing) / inside, std::abs(dx) + std::abs(dy)});
        }
    const auto better = [](const Tried& a, const Tried& b) {
        return a.share != b.share ? a.share < b.share : a.distance < b.distance;
    };
    constexpr std::size_t kFinalists = 8;
    const std::size_t finalists = std::min(kFinalists, tried.size());
    std::partial_sort(tried.begin(), tried.begin() + std::ptrdiff_t(finalists), tried.end(),
                      better);
    tried.resize(finalists);
    for (Tried& finalist : tried)
        finalist.share = shareOf(count(picture, comparison, finalist.offset, tolerance));
    const auto best = std::min_element(tried.begin(), tried.end(), better);
    return best == tried.end() ? around : best->offset;
}

QRect boundingBox(const QImage& picture, const QImage& comparison, QPoint offset, int tolerance)
{
    QRect box;
    const QRect overlap = overlapOf(picture.size(), comparison.size(), offset);
    for (int y = overlap.top(); y <= overlap.bottom(); ++y)
        differingRuns(picture, comparison, offset, tolerance, overlap, y,
                      [&](int x0, int x1) { box |= QRect(QPoint(x0, y), QPoint(x1, y)); });
    return box;
}

std::vector<QRect> clusters(const QImage& picture, const QImage& comparison, QPoint offset,
                            int tolerance)
{
    // Runs of differing pixels, row by row, joined to those of the rows just above that lie
    // within reach; a union of sets keeps the clusters.
    struct Run {
        int y, x0, x1;
        qint64 pixels;
    };
    std::vector<Run> runs;
    std::vector<std::size_t> parent;
    const auto root = [&parent](std::size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    // The runs of each of the rows still within reach, as ranges of `runs`, left to right.
    std::vector<std::pair<std::size_t, std::size_t>> rowsNear;
    const QRect overlap = overlapOf(picture.size(), comparison.size(), offset);
    for (int y = overlap.top(); y <= overlap.bottom(); ++y) {
        const std::size_t rowStart = runs.size();
        differingRuns(picture, comparison, offset, tolerance, overlap, y, [&](int x0, int x1) {
            const std::size_t i = runs.size();
            runs.push_back({y, x0, x1, x1 - x0 + 1});
            parent.push_back(i);
            // Fewer than kClusterReach pixels apart across, in this row and those above.
            const auto join = [&](std::size_t from, std::size_t to) {
                const auto first = std::partition_point(
                    runs.begin() + std::ptrdiff_t(from), runs.begin() + std::ptrdiff_t(to),
                    [x0](const Run& r) { return x0 - r.x1 >= kClusterReach; });
                for (auto r = first;
                     r != runs.begin() + std::ptrdiff_t(to) && r->x0 - x1 < kClusterReach; ++r)
                    parent[root(i)] = root(std::size_t(r - runs.begin()));
            };
            for (const auto& [from, to] : rowsNear)
                join(from, to);
            join(rowStart, i);
        });
        rowsNear.emplace_back(rowStart, runs.size());
        if (rowsNear.size() >= std::size_t(kClusterReach))
            rowsNear.erase(rowsNear.begin());
    }
    struct Cluster {
        QRect box;
        qint64 pixels = 0;
    };
    std::vector<Cluster> found(runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        Cluster& cluster = found[root(i)];
        cluster.box |= QRect(QPoint(runs[i].x0, runs[i].y), QPoint(runs[i].x1, runs[i].y));
        cluster.pixels += runs[i].pixels;
    }
    std::erase_if(found, [](const Cluster& c) { return c.pixels == 0; });
    std::stable_sort(found.begin(), found.end(),
                     [](const Cluster& a, const Cluster& b) { return a.pixels > b.pixels; });
    std::vector<QRect> boxes;
    for (std::size_t i = 0; i < found.size() && i < std::size_t(kMostClusters); ++i)
        boxes.push_back(found[i].box);
    return boxes;
}

} // namespace differences
