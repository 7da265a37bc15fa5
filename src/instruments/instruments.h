#pragma once

class frmVelmora;

// Attaches every instrument the program has to a window, in the order they hear events:
// the program does this for its window, and the tests for theirs.
void attachInstruments(frmVelmora& window);
