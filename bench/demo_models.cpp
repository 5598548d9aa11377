// The models of the two demo programs over the number type T: four gaussians
// and two decaying exponentials, the shapes of the demos' sample data. Their
// parameter order is the demos' own: (amplitude, mean, variance) per gaussian
// and (amplitude, decay rate) per exponential.
#include "model.h"

#include <cmath>

namespace bench {
namespace {

using std::exp;

constexpr int kGaussTerms = 4;
constexpr int kExpTerms = 2;

struct GaussSum {
    static constexpr int kParams = 3 * kGaussTerms;
    template <class T>
    static T Value(const T *b, const double *x) {
        T sum(0.0);
        for (int k = 0; k < kGaussTerms; ++k) {
            const T offset = x[0] - b[3 * k + 1];
            sum = sum + b[3 * k] * exp(-(offset * offset) / (2.0 * b[3 * k + 2]));
        }
        return sum;
    }
};

struct ExpSum {
    static constexpr int kParams = 2 * kExpTerms;
    template <class T>
    static T Value(const T *b, const double *x) {
        T sum(0.0);
        for (int k = 0; k < kExpTerms; ++k) {
            sum = sum + b[2 * k] * exp(-b[2 * k + 1] * x[0]);
        }
        return sum;
    }
};

constexpr ModelInfo kGaussSumModel = ModelInfoMake<GaussSum>("4 gaussians");
constexpr ModelInfo kExpSumModel = ModelInfoMake<ExpSum>("2 exponentials");

} // namespace

const ModelInfo &GaussSumModel() {
    return kGaussSumModel;
}
const ModelInfo &ExpSumModel() {
    return kExpSumModel;
}

} // namespace bench
