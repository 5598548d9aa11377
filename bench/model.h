// A model of the benchmark problems: y = f(b; x), written once as a template
// over the number type and turned into a value function (double) and an exact
// gradient function (dual numbers) that every fitter shares.
#ifndef VARO_BENCH_MODEL_H
#define VARO_BENCH_MODEL_H

#include "dual.h"

#include <ostream>
#include <span>
#include <string_view>

namespace bench {

constexpr int kMaxModelParams = 12;

struct ModelInfo {
    const char *pszName;
    int iParams;
    // f(b; x) for the parameters adParams and the predictors adX.
    double (*pValue)(const double *adParams, const double *adX);
    // f and its partial derivatives df/db_j into adGrad[0..iParams-1].
    double (*pGradient)(const double *adParams, const double *adX, double *adGrad);
};

// Lets test frameworks print a model by its name.
inline std::ostream &operator<<(std::ostream &out, const ModelInfo &model) {
    return out << model.pszName;
}

template <class Model>
double ModelValueCompute(const double *adParams, const double *adX) {
    return Model::template Value<double>(adParams, adX);
}

template <class Model>
double ModelGradientCompute(const double *adParams, const double *adX, double *adGrad) {
    constexpr int N = Model::kParams;
    std::array<Dual<N>, N> aParams;
    for (int j = 0; j < N; ++j) {
        aParams[j] = Dual<N>::Variable(adParams[j], j);
    }
    const Dual<N> f = Model::template Value<Dual<N>>(aParams.data(), adX);
    for (int j = 0; j < N; ++j) {
        adGrad[j] = f.adGrad[j];
    }
    return f.dValue;
}

template <class Model>
constexpr ModelInfo ModelInfoMake(const char *pszName) {
    static_assert(Model::kParams <= kMaxModelParams);
    return ModelInfo{pszName, Model::kParams, &ModelValueCompute<Model>,
                     &ModelGradientCompute<Model>};
}

// The model of a reference problem by its data set name (such as "Misra1a"),
// or null when none is known.
const ModelInfo *NistModelFind(std::string_view sName);

// Every reference problem's model, in rising order of the problems' difficulty.
std::span<const ModelInfo> NistModelsAll();

// The four-gaussian and the two-exponential models of the demo programs.
const ModelInfo &GaussSumModel();
const ModelInfo &ExpSumModel();

} // namespace bench

#endif
