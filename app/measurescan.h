#pragma once

class QTextStream;

// wardcheck --measure-scan: a window with one box. A code scanned into it
// is printed with the time between each of its keys, as the window system
// stamped them, and whether the scanned-wristband policy would take it for
// a scan at the ward's limit. Hospital IT runs it with each model of
// scanner (and over remote desktop, where the wards use it) to choose
// policy/scanMeanGapLimitMs.
namespace MeasureScan {

// Returns 0 once a code has been measured, 1 when the window was closed
// without one.
int run(QTextStream &out);

} // namespace MeasureScan
