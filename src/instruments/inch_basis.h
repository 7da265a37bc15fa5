#pragma once

#include "viewer/instrument.h"

#include <QString>
#include <optional>

class MeasurementStore;

// Which inch the figures in inches and centimetres use. 屏幕, the screen's logical
// resolution, is the window's own and the default; 文件 the resolution the picture's file
// records; 显示器 the screen's physical resolution, so an inch on the ruler is an inch on
// the glass at 1x; 校准 a scale set from a line of known length, for the picture shown only;
// and a number of pixels per inch given on the command line. The picture's menu chooses
// among them and offers "设定比例…" on a line; the choice (not a calibration) is remembered.
// Where a file or the desktop gives nothing usable, the screen's resolution stands in and
// the size text says so.
class InchBasis : public Instrument
{
    Q_OBJECT
public:
    enum class Kind { Screen, File, Monitor, Calibrated, Given };
    // What a calibrated length is given in.
    enum class Length { Millimetres, Centimetres, Inches };

    InchBasis(frmVelmora& window, MeasurementStore& store);

    // The basis in force: Calibrated while a calibration is, else the one chosen.
    Kind inForce() const;
    // Screen, File or Monitor, remembered between runs.
    void choose(Kind kind);
    // From the command line: "screen", "file", "monitor" or pixels per inch; not remembered.
    // False for anything else.
    bool chooseFromCommandLine(const QString& basis);
    // Takes the kept line numbered index (from 0) as `length` long, pixels as square. "" when
    // done, else why not, and the basis stays.
    QString calibrate(int index, double length, Length unit);

    // The scale set on the picture shown, in pixels per inch, if one is.
    std::optional<double> scale() const { return calibrated_; }
    // Puts a scale kept with the picture (or an undone one) in place, in force while there is
    // one. Now, or with the picture's own change, which applies it.
    enum class Apply { Now, WithPicture };
    void setScale(std::optional<double> pixelsPerInch, Apply when = Apply::Now);

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;
    void pictureChanged() override;

signals:
    // A scale was set from a line.
    void scaleSet();

private:
    void apply();
    void addBasisEntries(QMenu& menu);
    void askScale(int index);

    MeasurementStore& store_;
    Kind chosen_ = Kind::Screen;
    double given_ = 0;
    std::optional<double> calibrated_;
    bool calibrationInForce_ = false;
};
