// The list of fitters in the order the report shows them.
#include "fitters.h"

namespace bench {
namespace {

constexpr Fitter kFitters[] = {
    {"Varo analytic", &VaroAnalyticFit},
    {"Varo numerical", &VaroNumericFit},
    {"Varo analytic tight", &VaroAnalyticTightFit},
    {"Varo numerical tight", &VaroNumericTightFit},
    {"Varo damped analytic", &VaroDampedAnalyticFit},
    {"Varo damped numerical", &VaroDampedNumericFit},
    {"Varo damped analytic tight", &VaroDampedAnalyticTightFit},
    {"Varo damped numerical tight", &VaroDampedNumericTightFit},
    {"Varo damped forward", &VaroDampedForwardFit},
    {"MINPACK lmder", &MinpackAnalyticFit},
    {"MINPACK lmdif", &MinpackNumericFit},
    {"GSL trust-region LM", &GslAnalyticFit},
};

} // namespace

std::span<const Fitter> FittersAll() {
    return kFitters;
}

} // namespace bench
