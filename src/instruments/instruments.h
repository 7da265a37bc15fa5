#pragma once

class frmVelmora;
class MeasurementStore;

// Attaches every instrument the program has to a window, in the order they hear events:
// the program does this for its window, and the tests for theirs. The measurements they
// share live as long as the window.
MeasurementStore& attachInstruments(frmVelmora& window);
