#include "builtin_model.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <optional>
#include <utility>

#include "fit_object.h"
#include "models/fit_driver.h"
#include "models/start_values.h"
#include "models/terms.h"

namespace varo_python {

namespace {

using Domain = std::optional<std::pair<double, double>>;

// The shapes of one term without arguments, by the name the Python layer gives.
const std::map<std::string, std::unique_ptr<ModelTerm> (*)()> kShapes = {
    {"gaussian", GaussianTermMake},
    {"lorentzian", LorentzianTermMake},
    {"voigt", VoigtTermMake},
    {"pseudo_voigt", PseudoVoigtTermMake},
    {"exponential", ExponentialTermMake},
    {"constant", ConstantTermMake},
    {"linear", LinearTermMake},
};

std::unique_ptr<ModelTerm> TermMake(const std::string &shape, int iDegree,
                                    const std::string &expression) {
    if (shape == "polynomial") {
        if (iDegree < 1 || iDegree > kMaxPolynomialDegree) {
            throw py::value_error("a polynomial's degree runs from 1 to " +
                                  std::to_string(kMaxPolynomialDegree) + ", not " +
                                  std::to_string(iDegree));
        }
        return PolynomialTermMake(iDegree);
    }
    if (shape == "expression") {
        std::string error;
        int iPosition = 0;
        std::unique_ptr<ModelTerm> pTerm = FormulaTermMake(expression, &error, &iPosition);
        if (pTerm == nullptr) {
            throw py::value_error("the expression does not parse at position " +
                                  std::to_string(iPosition + 1) + ": " + error);
        }
        if (pTerm->ParamBaseNames().empty()) {
            throw py::value_error("the expression has no parameters (names other than x)");
        }
        return pTerm;
    }
    const auto found = kShapes.find(shape);
    if (found == kShapes.end()) {
        throw py::value_error("no term of the shape '" + shape + "'");
    }
    return found->second();
}

void TermAdd(Model &model, const std::string &shape, const std::string &prefix,
             const std::string &suffix, int iDegree, const std::string &expression) {
    std::unique_ptr<ModelTerm> pTerm = TermMake(shape, iDegree, expression);
    const bool bRoom =
        model.ParamCount() + static_cast<int>(pTerm->ParamBaseNames().size()) <= kMaxModelParams;
    std::string error;
    if (!model.TermAdd(std::move(pTerm), prefix, suffix, &error)) {
        throw py::value_error(bRoom ? error + "; prefix= tells the terms apart" : error);
    }
}

void ParamsCheck(const Model &model, const DoubleArray &adParams) {
    if (adParams.size() != model.ParamCount()) {
        throw py::value_error("expected " + std::to_string(model.ParamCount()) +
                              " parameter values, got " + std::to_string(adParams.size()));
    }
}

// The domain given, or the finite range of adX.
std::pair<double, double> DomainResolve(const Domain &domain, std::span<const double> adX) {
    if (domain) {
        return *domain;
    }
    double dLow = std::numeric_limits<double>::infinity();
    double dHigh = -dLow;
    for (const double dX : adX) {
        if (std::isfinite(dX)) {
            dLow = std::min(dLow, dX);
            dHigh = std::max(dHigh, dX);
        }
    }
    return {dLow, dHigh};
}

// Evaluates at adX with the interpreter lock released: on a copy of the model
// for a formula's parser (which another thread may be using) or for the
// domain.
void EvaluateUnlocked(const Model &model, const DoubleArray &adParams, const DoubleArray &adX,
                      const Domain &domain, double *adValues, double *adColumns) {
    const std::span<const double> x(adX.data(), static_cast<size_t>(adX.size()));
    py::gil_scoped_release unlock;
    if (model.ThreadSafe() && !model.DomainUsed()) {
        model.Evaluate(adParams.data(), x, adValues, adColumns);
        return;
    }
    Model own(model);
    const auto [dLow, dHigh] = DomainResolve(domain, x);
    own.DomainSet(dLow, dHigh);
    own.Evaluate(adParams.data(), x, adValues, adColumns);
}

DoubleArray ValuesGet(const Model &model, DoubleArray adParams, DoubleArray adX,
                      const Domain &domain) {
    ParamsCheck(model, adParams);
    DoubleArray adValues(adX.size());
    EvaluateUnlocked(model, adParams, adX, domain, adValues.mutable_data(), nullptr);
    return adValues;
}

// The derivative columns, one row per parameter; NaN for the parameters
// without analytic derivatives (a formula's).
DoubleArray ColumnsGet(const Model &model, DoubleArray adParams, DoubleArray adX,
                       const Domain &domain) {
    ParamsCheck(model, adParams);
    const py::ssize_t iNoPoints = adX.size();
    DoubleArray adColumns({static_cast<py::ssize_t>(model.ParamCount()), iNoPoints});
    std::fill_n(adColumns.mutable_data(), adColumns.size(),
                std::numeric_limits<double>::quiet_NaN());
    std::vector<double> adValues(static_cast<size_t>(iNoPoints));
    EvaluateUnlocked(model, adParams, adX, domain, adValues.data(), adColumns.mutable_data());
    return adColumns;
}

// The derived quantities and their gradients (one row per quantity).
std::pair<DoubleArray, DoubleArray> DerivedGet(const Model &model, DoubleArray adParams) {
    ParamsCheck(model, adParams);
    std::vector<double> adValues;
    std::vector<double> adGradients;
    model.DerivedCompute(adParams.data(), &adValues, &adGradients);
    const py::ssize_t iNoDerived = static_cast<py::ssize_t>(adValues.size());
    DoubleArray values(iNoDerived);
    std::copy(adValues.begin(), adValues.end(), values.mutable_data());
    DoubleArray gradients({iNoDerived, static_cast<py::ssize_t>(model.ParamCount())});
    std::copy(adGradients.begin(), adGradients.end(), gradients.mutable_data());
    return {values, gradients};
}

DoubleArray StartsFind(const Model &model, DoubleArray adX, DoubleArray adY,
                       DoubleArray adWeights) {
    if (adY.size() != adX.size() || adWeights.size() != adX.size()) {
        throw py::value_error("x, y and the weights must have one length");
    }
    DataRows rows;
    rows.adTime.assign(adX.data(), adX.data() + adX.size());
    rows.adData.assign(adY.data(), adY.data() + adY.size());
    rows.adWeight.assign(adWeights.data(), adWeights.data() + adWeights.size());
    const std::vector<double> adStarts = ModelStartValuesFind(model, rows);
    DoubleArray starts(static_cast<py::ssize_t>(adStarts.size()));
    std::copy(adStarts.begin(), adStarts.end(), starts.mutable_data());
    return starts;
}

std::vector<std::pair<double, double>> DefaultLimitsGet(const Model &model) {
    std::vector<std::pair<double, double>> limits;
    for (const ParamRange &range : model.DefaultLimits()) {
        limits.emplace_back(range.dLower, range.dUpper);
    }
    return limits;
}

std::vector<bool> AnalyticGet(const Model &model) {
    std::vector<bool> abAnalytic;
    for (int i = 0; i < model.ParamCount(); i++) {
        abAnalytic.push_back(model.ParamAnalytic(i));
    }
    return abAnalytic;
}

void SettingsBind(py::module_ &module) {
    py::class_<ParamRange>(module, "Range")
        .def(py::init([](double dLower, double dUpper) {
                 return ParamRange{dLower, dUpper};
             }),
             py::arg("lower"), py::arg("upper"))
        .def_readwrite("lower", &ParamRange::dLower)
        .def_readwrite("upper", &ParamRange::dUpper);
    py::class_<FitSettings>(module, "FitSettings")
        .def(py::init<>())
        .def_readwrite("step_method", &FitSettings::iStepMethod)
        .def_readwrite("analytic", &FitSettings::bAnalytic)
        .def_readwrite("max_iterations", &FitSettings::iMaxIterations)
        .def_readwrite("res_norm_change", &FitSettings::resNormChange)
        .def_readwrite("par_val_change", &FitSettings::parValChange)
        .def_readwrite("gauss_newton_threshold", &FitSettings::gaussNewtonThreshold)
        .def_readwrite("start_in_order", &FitSettings::adStartInOrder)
        .def_readwrite("start_by_name", &FitSettings::startByName)
        .def_readwrite("limit_by_name", &FitSettings::limitByName)
        .def_readwrite("fix_by_name", &FitSettings::fixByName)
        .def_readwrite("default_limits", &FitSettings::bDefaultLimits)
        .def_readwrite("loss", &FitSettings::iLoss)
        .def_readwrite("loss_scale", &FitSettings::dLossScale)
        .def_readwrite("difference_scheme", &FitSettings::iDifferenceScheme)
        .def_readwrite("covariance", &FitSettings::iCovariance)
        .def_readwrite("interval_levels", &FitSettings::adIntervalLevels);
}

} // namespace

void BuiltinModelsBind(py::module_ &module) {
    SettingsBind(module);
    py::class_<Model>(module, "Model")
        .def(py::init<>())
        .def("term_add", &TermAdd, py::arg("shape"), py::arg("prefix"), py::arg("suffix"),
             py::arg("degree") = 0, py::arg("expression") = "")
        .def_property_readonly("param_names", &Model::ParamNames)
        .def_property_readonly("derived_names", &Model::DerivedNames)
        .def_property_readonly("analytic", &AnalyticGet)
        .def("default_limits", &DefaultLimitsGet)
        .def("values", &ValuesGet, py::arg("params"), py::arg("x"), py::arg("domain"))
        .def("columns", &ColumnsGet, py::arg("params"), py::arg("x"), py::arg("domain"))
        .def("derived", &DerivedGet, py::arg("params"))
        .def("starts", &StartsFind, py::arg("x"), py::arg("y"), py::arg("weights"))
        .def("settings_check", &FitSettingsCheck, py::arg("settings"));
}

} // namespace varo_python
