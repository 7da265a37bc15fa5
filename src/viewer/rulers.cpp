#include "viewer/main_window.h"

// Filled in by the ruler work.
void frmVelmora::DrawRulers() {}
void frmVelmora::cboUnit_Click() {}
