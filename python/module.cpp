// The extension module varo._varo: the fit object over the core library. The
// Python layer in varo/ builds the user's functions on it.
#include "batch_fit.h"
#include "builtin_model.h"
#include "fit_object.h"

#include <pybind11/stl.h>

namespace py = pybind11;
using varo_python::DoubleArray;
using varo_python::FitObject;
using varo_python::LibraryError;

PYBIND11_MODULE(_varo, module) {
    module.doc() = "Fit objects of the Varo library with Python model functions, and the "
                   "built-in models fitted one data set or many at a time.";

    // A library error becomes varo.VaroError(code, message).
    py::register_exception_translator([](std::exception_ptr pError) {
        try {
            if (pError) {
                std::rethrow_exception(pError);
            }
        } catch (const LibraryError &error) {
            const py::object errorType = py::module_::import("varo._errors").attr("VaroError");
            PyErr_SetObject(errorType.ptr(), errorType(error.iCode, error.sMessage).ptr());
        }
    });

    py::class_<FitObject>(module, "FitObject")
        .def(py::init<int>(), py::arg("models"))
        .def("model_set", &FitObject::ModelSet, py::arg("model"), py::arg("params"),
             py::arg("function"), py::arg("x"), py::arg("y"), py::arg("weights"),
             py::arg("jacobian"))
        .def("param_set", &FitObject::ParamSet, py::arg("model"), py::arg("param"),
             py::arg("value"), py::arg("lower"), py::arg("upper"), py::arg("link"))
        .def("max_iterations_set", &FitObject::MaxIterationsSet)
        .def("tolerance_set", &FitObject::ToleranceSet)
        .def("norm_change_set", &FitObject::NormChangeSet)
        .def("param_change_set", &FitObject::ParamChangeSet)
        .def("gauss_newton_threshold_set", &FitObject::GaussNewtonThresholdSet)
        .def("step_method_set", &FitObject::StepMethodSet)
        .def("loss_set", &FitObject::LossSet)
        .def("difference_scheme_set", &FitObject::DifferenceSchemeSet)
        .def("covariance_mode_set", &FitObject::CovarianceModeSet)
        .def("evaluation_limit_set", &FitObject::EvaluationLimitSet)
        .def("progress_set", &FitObject::ProgressSet)
        .def("at_limit", &FitObject::AtLimitGet)
        .def("residuals", &FitObject::ResidualsGet)
        .def("profile_interval", &FitObject::ProfileIntervalGet)
        .def("run", &FitObject::Run)
        .def("value", &FitObject::ValueGet)
        .def("covariance", &FitObject::CovarianceGet)
        .def("chi_square", &FitObject::ChiSquareGet)
        .def("degrees_of_freedom", &FitObject::DegreesOfFreedomGet)
        .def("iterations", &FitObject::IterationsGet)
        .def("model_calls", &FitObject::ModelCallsGet)
        .def("jacobian_calls", &FitObject::JacobianCallsGet)
        .def("message", &FitObject::MessageGet);

    varo_python::BuiltinModelsBind(module);
    varo_python::BatchFitBind(module);
}
