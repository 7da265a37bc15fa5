#pragma once

#include "instruments/differences.h"

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRgb>
#include <QString>
#include <optional>

// A second picture laid over the one shown, to compare them: its pixels as loaded, where it
// lies (its pixel (0, 0) on the picture's pixel `offset`), how it is shown and the counts of
// what differs, worked out again only when they may have changed. One store, made where the
// instruments are attached and handed to those that draw it, show its colours or set it.
class Comparison : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Overlay, Difference, Blink };

    explicit Comparison(QObject* parent = nullptr) : QObject(parent) {}

    bool active() const { return !image_.isNull(); }
    const QImage& image() const { return image_; }
    // The file it was read from; "" for the clipboard's picture.
    QString file() const { return file_; }
    bool cutShort() const { return cutShort_; }
    // Shows `image` as the comparison, at offset (0, 0) unless `keepPlace`.
    void show(const QImage& image, const QString& file, bool cutShort, bool keepPlace = false);
    // Ends the comparison: nothing is laid over the picture any more.
    void end();

    QPoint offset() const { return offset_; }
    void setOffset(QPoint offset);
    Mode mode() const { return mode_; }
    void setMode(Mode mode);
    // 1 to 10 tenths, in the overlay.
    int opacityTenths() const { return opacityTenths_; }
    void setOpacityTenths(int tenths);
    int tolerance() const { return tolerance_; }
    void setTolerance(int tolerance);
    // Whether the difference shows pixels beyond the tolerance in the marking colour.
    bool marking() const { return marking_; }
    void setMarking(bool marking);
    // While set, the comparison is shown alone, whatever the mode; in the blink mode, the
    // picture alone otherwise.
    bool alone() const { return alone_; }
    void setAlone(bool alone);

    // The comparison's colour over an image pixel of the picture; none off the comparison.
    std::optional<QRgb> colourAt(QPoint pixel) const;

    // The counts against `picture`, kept until the picture, the offset or the tolerance
    // changes.
    const differences::Counts& countsAgainst(const QImage& picture) const;

signals:
    void changed();

private:
    void changedCounts();

    QImage image_;
    QString file_;
    bool cutShort_ = false;
    QPoint offset_;
    Mode mode_ = Mode::Overlay;
    int opacityTenths_ = 5;
    int tolerance_ = 0;
    bool marking_ = true;
    bool alone_ = false;
    mutable std::optional<differences::Counts> counts_;
    mutable qint64 countedFor_ = 0; // the picture counted against, by its cache key
};
