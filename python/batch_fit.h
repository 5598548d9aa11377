// Many spectra fitted with one built-in model: every row of a table of data
// against shared x, on a pool of threads that never take the interpreter
// lock, each row with a fit object of its own through the fit driver
// (models/fit_driver.h). The calling thread waits, reports progress and
// watches for Ctrl-C.
#ifndef VARO_PYTHON_BATCH_FIT_H
#define VARO_PYTHON_BATCH_FIT_H

#include <pybind11/pybind11.h>

namespace varo_python {

// Statuses of a row besides the fit driver's (0 converged, the library's
// codes, kFitNoRows, kFitExceptionCaught, kFitSettingRefused); the first two
// are those varo-fit gives a file of the same fault.
constexpr int kRowNotFinite = -2;        // a y or a sigma is NaN or infinite
constexpr int kRowSigmaNotPositive = -6; // a sigma is zero or negative
constexpr int kRowNotFitted = -10;       // the batch stopped before the row was fitted

// Adds fit_rows and the statuses to the module.
void BatchFitBind(pybind11::module_ &module);

} // namespace varo_python

#endif
