#include "viewer/main_window.h"

// Filled in by the layout work; until then a resize leaves the controls where they are.
void frmVelmora::Form_Resize() {}
void frmVelmora::PlacePicture() {}
void frmVelmora::RestoreScrollPositions(qint32 /*oldH*/, qint32 /*oldV*/) {}
