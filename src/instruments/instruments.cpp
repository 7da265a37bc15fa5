#include "instruments/instruments.h"

#include "instruments/capture_tool.h"
#include "instruments/comparison.h"
#include "instruments/comparison_tool.h"
#include "instruments/crop_tool.h"
#include "instruments/findings_export.h"
#include "instruments/folder_walk.h"
#include "instruments/guide_tool.h"
#include "instruments/guides.h"
#include "instruments/inch_basis.h"
#include "instruments/loupe.h"
#include "instruments/measure_tool.h"
#include "instruments/measurement_list.h"
#include "instruments/measurement_store.h"
#include "instruments/picture_opening.h"
#include "instruments/picture_saving.h"
#include "instruments/picture_source.h"
#include "instruments/pointer_mode.h"
#include "instruments/pointer_steps.h"
#include "instruments/recent_files.h"
#include "instruments/scratch_picture.h"
#include "instruments/spacing_tool.h"
#include "instruments/work_keeper.h"
#include "viewer/main_window.h"

#include <memory>

MeasurementStore& attachInstruments(frmVelmora& window)
{
    // The window's child, so it outlives the instruments, which go with the window's members.
    auto* measurements = new MeasurementStore(&window);
    measurements->setObjectName(QStringLiteral("measurements"));
    auto* mode = new PointerMode(&window);
    auto* guides = new Guides(&window);
    guides->setObjectName(QStringLiteral("guides"));
    auto* comparison = new Comparison(&window);
    comparison->setObjectName(QStringLiteral("comparison"));
    auto basis = std::make_unique<InchBasis>(window, *measurements);
    // First: each picture's own work is in place before the others hear of the picture.
    window.attach(std::make_unique<WorkKeeper>(window, *measurements, *guides, *basis));
    window.attach(std::make_unique<MeasureTool>(window, *measurements, *guides, *mode));
    window.attach(std::make_unique<Loupe>(window, *measurements, *comparison));
    window.attach(std::make_unique<MeasurementList>(window, *measurements));
    window.attach(std::move(basis));
    auto* made = new ScratchPicture(&window);
    window.attach(std::make_unique<PictureSource>(window, *made));
    window.attach(std::make_unique<CaptureTool>(window, *made));
    window.attach(std::make_unique<PictureSaving>(window, *made));
    auto* opening = new PictureOpening(&window);
    window.attach(std::make_unique<FolderWalk>(window, *opening));
    window.attach(std::make_unique<RecentFiles>(window, *opening));
    window.attach(std::make_unique<PointerSteps>(window));
    // Before the spacing mode and the guides, so that their marks are drawn over it.
    window.attach(std::make_unique<ComparisonTool>(window, *comparison, *measurements));
    window.attach(std::make_unique<SpacingTool>(window, *measurements, *guides, *mode));
    window.attach(std::make_unique<GuideTool>(window, *guides, *measurements));
    window.attach(std::make_unique<FindingsExport>(window, *measurements, *guides, *made));
    // Last: its entry is in the menu only while a box is selected, and the others stay put.
    window.attach(std::make_unique<CropTool>(window, *measurements, *made));
    return *measurements;
}
