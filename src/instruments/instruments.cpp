#include "instruments/instruments.h"

#include "instruments/loupe.h"
#include "instruments/measure_tool.h"
#include "instruments/pointer_steps.h"
#include "viewer/main_window.h"

#include <memory>

void attachInstruments(frmVelmora& window)
{
    window.attach(std::make_unique<MeasureTool>(window));
    window.attach(std::make_unique<Loupe>(window));
    window.attach(std::make_unique<PointerSteps>(window));
}
