#include "instruments/instruments.h"

#include "instruments/folder_walk.h"
#include "instruments/inch_basis.h"
#include "instruments/loupe.h"
#include "instruments/measure_tool.h"
#include "instruments/measurement_list.h"
#include "instruments/picture_source.h"
#include "instruments/pointer_steps.h"
#include "instruments/recent_files.h"
#include "viewer/main_window.h"

#include <memory>

void attachInstruments(frmVelmora& window)
{
    auto measuring = std::make_unique<MeasureTool>(window);
    MeasureTool& tool = *measuring;
    window.attach(std::move(measuring));
    window.attach(std::make_unique<Loupe>(window));
    window.attach(std::make_unique<MeasurementList>(window, tool));
    window.attach(std::make_unique<InchBasis>(window, tool));
    window.attach(std::make_unique<PictureSource>(window));
    window.attach(std::make_unique<FolderWalk>(window));
    window.attach(std::make_unique<RecentFiles>(window));
    window.attach(std::make_unique<PointerSteps>(window));
}
