// Correct digits of a result against certified values: the log relative
// error -log10(|x - c| / |c|), or -log10|x - c| for a certified 0, capped at
// 11 (agreement to the certified values' own precision) and floored at 0.
#ifndef VARO_BENCH_ACCURACY_H
#define VARO_BENCH_ACCURACY_H

#include <span>

namespace bench {

constexpr double kDigitsCap = 11.0;

double ValueDigitsCompute(double dValue, double dCertified);

// The smallest number of correct digits over the parameters; 0 when the
// lengths differ.
double ParamsDigitsCompute(std::span<const double> adValues, std::span<const double> adCertified);

} // namespace bench

#endif
