#include "viewer/main_window.h"

// Filled in by the ruler placement work.
void frmVelmora::PlaceRulers() {}
void frmVelmora::ckbShowRulers_Click() {}
