// One term of a model: a peak, a decay, a baseline or a formula, with its
// parameters in a fixed order. A term computes its values and the analytic
// derivatives with respect to its parameters at a set of points in one pass,
// names its parameters and derived quantities, knows the limits that make
// sense for each parameter, and how it starts from what the data show. The
// model (models/model.h) gives every name its prefix and number.
#ifndef VARO_MODELS_MODEL_TERM_H
#define VARO_MODELS_MODEL_TERM_H

#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

// What the automatic start values look for in the data for a term.
enum class TermKind {
    kPeak,     // a peak with a height, a position and a half width
    kDecay,    // a decaying exponential, found by peeling the tail
    kBaseline, // a slowly varying background, estimated from the ends of the data
    kFormula,  // no shape is known: every parameter starts at 1
};

// The interval a parameter is kept in; infinite ends are open.
struct ParamRange {
    double dLower = -std::numeric_limits<double>::infinity();
    double dUpper = std::numeric_limits<double>::infinity();
};

// A quantity derived from a term's parameters (a peak's area, a time
// constant) and its exact gradient with respect to the term's parameters.
struct DerivedQuantity {
    double dValue;
    std::vector<double> adGradient; // one element per parameter of the term
};

class ModelTerm {
  public:
    virtual ~ModelTerm() = default;

    // A term of the same kind and parameters, with state of its own: a term
    // whose evaluation is not ThreadSafe is cloned for every thread.
    virtual std::unique_ptr<ModelTerm> Clone() const = 0;
    virtual TermKind Kind() const = 0;

    // The parameters' names without prefix or number ("Ampl", "Mean", ...).
    virtual std::vector<std::string> ParamBaseNames() const = 0;
    // The derived quantities' names without prefix or number; none by default.
    virtual std::vector<std::string> DerivedBaseNames() const { return {}; }

    // Adds the term's values at the points adX to adValues (adX.size() of
    // them). When adColumns is not null, also writes the derivative of the
    // values with respect to parameter j at adColumns + j * adX.size(), for
    // every parameter that AnalyticDerivatives says has one.
    //   adParams  in: the term's parameters, in the order of ParamBaseNames.
    virtual void Evaluate(const double *adParams, std::span<const double> adX, double *adValues,
                          double *adColumns) const = 0;
    // Whether Evaluate gives analytic derivatives (for all parameters or none).
    virtual bool AnalyticDerivatives() const { return true; }
    // Whether Evaluate may run on several threads at once on this object.
    virtual bool ThreadSafe() const { return true; }

    // Whether the term's shape depends on the x range of the data it is
    // fitted to (a polynomial in x normalised to that range), which DomainSet
    // then gives; until it does, the term takes x as it is.
    virtual bool DomainUsed() const { return false; }
    virtual void DomainSet(double /*dLow*/, double /*dHigh*/) {}

    // The interval that parameter iParam (0-based) is kept in unless the user
    // says otherwise: widths, rates and fractions cannot be negative.
    virtual ParamRange DefaultLimits(int /*iParam*/) const { return {}; }

    // The derived quantities at adParams, in the order of DerivedBaseNames.
    virtual std::vector<DerivedQuantity> DerivedCompute(const double * /*adParams*/) const {
        return {};
    }
};

// A peak: its parameters from the height (signed), position and half width at
// half maximum of a peak seen in the data.
class PeakTerm : public ModelTerm {
  public:
    TermKind Kind() const override { return TermKind::kPeak; }
    virtual void StartFromShape(double dHeight, double dPosition, double dHalfWidth,
                                double *adParams) const = 0;
};

// A baseline: its parameters from a straight line dIntercept + dSlope * x
// through the ends of the data, whose x range has its middle at dMiddle.
class BaselineTerm : public ModelTerm {
  public:
    TermKind Kind() const override { return TermKind::kBaseline; }
    virtual void StartFromLine(double dIntercept, double dSlope, double dMiddle,
                               double *adParams) const = 0;
};

#endif
