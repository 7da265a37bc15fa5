#include "viewer/main_window.h"

// Filled in by the ruler work.
void frmVelmora::DrawVerticalLabels(toolkit::PictureBox& /*strip*/, qint32 /*labelBaseY*/) {}
