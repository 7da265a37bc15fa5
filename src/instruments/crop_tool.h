#pragma once

#include "viewer/instrument.h"

#include <QRect>
#include <optional>

class MeasurementStore;
class ScratchPicture;

// "裁剪到此框", in the menu while one box measurement is selected alone: shows the box's pixels
// (both corners included, as the box measures them) as a new picture, as a paste is shown; the
// picture it came from stays on disk untouched.
class CropTool : public Instrument
{
    Q_OBJECT
public:
    CropTool(frmVelmora& window, const MeasurementStore& measurements, ScratchPicture& made);

    // The image pixels of the box selected alone, if one is.
    std::optional<QRect> selectedBox() const;
    // Shows the selected box's pixels; false when no box is selected alone, or the picture
    // cannot be written for loading.
    bool crop();

    void addMenuEntries(QMenu& menu, QPointF inViewport) override;

private:
    const MeasurementStore& measurements_;
    ScratchPicture& made_;
    int crops_ = 0;
};
