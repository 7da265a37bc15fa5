#include "instruments/instruments.h"

#include "instruments/measure_tool.h"
#include "viewer/main_window.h"

#include <memory>

void attachInstruments(frmVelmora& window)
{
    window.attach(std::make_unique<MeasureTool>(window));
}
