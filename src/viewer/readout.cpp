#include "viewer/main_window.h"

// Filled in by the readout work.
void frmVelmora::picDisp_MouseMove(int, int, float, float) {}
void frmVelmora::HidePointerReadout() {}
void frmVelmora::picDispBase_MouseMove(int, int, float, float) {}
void frmVelmora::picRulerW_MouseMove(int, int, float, float) {}
void frmVelmora::picRulerH_MouseMove(int, int, float, float) {}
void frmVelmora::Form_MouseMove(int, int, float, float) {}
