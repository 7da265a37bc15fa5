#pragma once

#include "viewer/instrument.h"

#include <QPoint>

// Ctrl + arrow keys move the pointer over the picture by one image pixel (two screen pixels
// at factor 2), Ctrl + Shift + arrow by ten. The desktop's pointer really moves, so the
// readout, the markers, the loupe and a drag follow it as they follow the mouse. It stops at
// the edge of the picture in view; it never scrolls.
class PointerSteps : public Instrument
{
    Q_OBJECT
public:
    explicit PointerSteps(frmVelmora& window);

    // Moves the pointer by `pixels` image pixels; false when it is not over the picture.
    bool step(QPoint pixels);
};
