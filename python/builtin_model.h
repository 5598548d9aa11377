// The built-in models of models/ for Python: a Model built term by term,
// evaluated with its analytic derivatives, its derived quantities and its
// automatic start values, and the fit driver's settings. The Python layer
// (varo/models.py) names the terms and sums them.
#ifndef VARO_PYTHON_BUILTIN_MODEL_H
#define VARO_PYTHON_BUILTIN_MODEL_H

#include <pybind11/pybind11.h>

namespace varo_python {

// Adds the classes Model, Range and FitSettings to the module.
void BuiltinModelsBind(pybind11::module_ &module);

} // namespace varo_python

#endif
