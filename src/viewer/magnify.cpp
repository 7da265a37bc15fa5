#include "viewer/main_window.h"

// Magnification is not built yet: picking a factor changes nothing.
void frmVelmora::cboMagnify_Click() {}
