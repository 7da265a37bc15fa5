#include "viewer/main_window.h"

// Scrolling is not built yet: the bars keep the range they have and moving them does
// nothing.
void frmVelmora::SetupScrollBars() {}
void frmVelmora::vsrDisp_Change() {}
void frmVelmora::hsrDisp_Change() {}
void frmVelmora::vsrDisp_Scroll() {}
void frmVelmora::hsrDisp_Scroll() {}
